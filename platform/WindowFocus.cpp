#include "platform/WindowFocus.h"

#include <QApplication>
#include <QGuiApplication>
#include <QWidget>
#include <xcb/xcb.h>

namespace platform {
namespace {

xcb_connection_t* x11Connection()
{
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    auto* x11 = app ? app->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

} // namespace

QWidget* KeyboardTarget(QWidget* window)
{
    if (!window)
        return nullptr;
    window = window->window();
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal == window || !modal->isVisible())
        return window;
    if (modal->windowModality() == Qt::ApplicationModal)
        return modal;
    // A window-modal dialog blocks the windows it belongs to.
    for (QWidget* owner = modal->parentWidget(); owner; owner = owner->parentWidget())
        if (owner->window() == window)
            return modal;
    return window;
}

void GiveKeyboardTo(QWidget* window)
{
    QWidget* target = KeyboardTarget(window);
    if (!target || !target->isVisible())
        return;
    if (target->isMinimized())
        target->setWindowState((target->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        target->raise();
    target->activateWindow();
    xcb_connection_t* c = x11Connection();
    // Only a mapped window can take the input focus (else BadMatch).
    if (!c || !target->testAttribute(Qt::WA_Mapped) || target->isMinimized())
        return;
    xcb_set_input_focus(c, XCB_INPUT_FOCUS_PARENT, xcb_window_t(target->winId()), XCB_CURRENT_TIME);
    xcb_flush(c);
}

} // namespace platform
