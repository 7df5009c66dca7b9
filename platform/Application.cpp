#include "platform/Application.h"

#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include "platform/TrayIcon.h"

namespace platform {

bool HasDisplay()
{
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return true;
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return false;
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const bool ok = connection && !xcb_connection_has_error(connection);
    if (connection)
        xcb_disconnect(connection);
    return ok;
}

xcb_connection_t* X11Connection()
{
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    auto* x11 = app ? app->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

std::unique_ptr<QCoreApplication> CreateGuiApplication(int& argc, char** argv, const QString& name)
{
    auto app = std::make_unique<QApplication>(argc, argv);
    QApplication::setApplicationName(name);
    QApplication::setQuitOnLastWindowClosed(false);
    // Beside a portable program, or where an installed one keeps its files.
    const QString dir = QApplication::applicationDirPath();
    for (const QString& icon : {dir + QStringLiteral("/vaultwick.svg"),
                                dir + QStringLiteral("/../share/") + name.toLower() + QStringLiteral("/vaultwick.svg")}) {
        if (QFile::exists(icon)) {
            QApplication::setWindowIcon(IconFromFile(icon));
            break;
        }
    }
    return app;
}

} // namespace platform
