// Drives the platform services on a real X server for the desktop test. Reads
// one command per line on standard input and prints one line per result or
// event on standard output, so a script can act (xdotool, xclip) and check.
//
//   register ID CODE   -> registered ID 0|1
//   unregister ID      -> unregistered ID
//   foreign-grab CODE  -> foreign-grab 0|1   (another X client grabs the key)
//   copy TEXT          -> copied
//   clear              -> cleared 0|1
//   tray               -> tray 0|1           (1: a tray host is there)
//   sync               -> synced             (all earlier input handled)
//   quit
// Events: hotkey ID, tray-click, tray-double, tray-menu ID.
#include <cstdio>
#include <cstdlib>
#include <memory>

#include <QApplication>
#include <QLabel>
#include <QSocketNotifier>
#include <QTimer>
#include <QtGui/qguiapplication_platform.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include "platform/Clipboard.h"
#include "platform/GlobalHotKeys.h"
#include "platform/TrayIcon.h"

using namespace platform;

namespace {

void say(const QString& line)
{
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

// A second X client, to hold a key the way another program would.
class ForeignClient {
public:
    ForeignClient() : m_c(xcb_connect(nullptr, nullptr)) {}
    ~ForeignClient() { xcb_disconnect(m_c); }

    bool grab(unsigned code)
    {
        if (xcb_connection_has_error(m_c))
            return false;
        const xcb_setup_t* setup = xcb_get_setup(m_c);
        const xcb_window_t root = xcb_setup_roots_iterator(setup).data->root;
        const xcb_keycode_t key = keycode(VirtualKeyToKeysym(code & 0xFF));
        uint16_t mods = 0;
        if (code & (HOTKEYF_SHIFT << 16))
            mods |= XCB_MOD_MASK_SHIFT;
        if (code & (HOTKEYF_CONTROL << 16))
            mods |= XCB_MOD_MASK_CONTROL;
        if (code & (HOTKEYF_ALT << 16))
            mods |= XCB_MOD_MASK_1;
        xcb_generic_error_t* error = xcb_request_check(
            m_c, xcb_grab_key_checked(m_c, 0, root, mods, key, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        std::free(error);
        return key != 0 && error == nullptr;
    }

private:
    xcb_keycode_t keycode(unsigned keysym)
    {
        const xcb_setup_t* setup = xcb_get_setup(m_c);
        const uint8_t count = setup->max_keycode - setup->min_keycode + 1;
        auto* reply = xcb_get_keyboard_mapping_reply(
            m_c, xcb_get_keyboard_mapping(m_c, setup->min_keycode, count), nullptr);
        xcb_keycode_t found = 0;
        if (reply) {
            const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(reply);
            for (int k = 0; k < count && !found; ++k)
                if (syms[k * reply->keysyms_per_keycode] == keysym)
                    found = static_cast<xcb_keycode_t>(setup->min_keycode + k);
            std::free(reply);
        }
        return found;
    }

    xcb_connection_t* m_c;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        std::fprintf(stderr, "the probe needs an X server (QT_QPA_PLATFORM=xcb, DISPLAY)\n");
        return 2;
    }
    QLabel window(QStringLiteral("Platform probe"));
    window.setWindowTitle(QStringLiteral("Vaultwick Platform Probe"));
    window.resize(320, 120);
    window.show();

    GlobalHotKeys keys;
    QObject::connect(&keys, &GlobalHotKeys::activated, [](int id) { say(QStringLiteral("hotkey %1").arg(id)); });
    TrayIcon tray;
    QObject::connect(&tray, &TrayIcon::clicked, [] { say(QStringLiteral("tray-click")); });
    QObject::connect(&tray, &TrayIcon::doubleClicked, [] { say(QStringLiteral("tray-double")); });
    QObject::connect(&tray, &TrayIcon::menuCommand, [](int id) { say(QStringLiteral("tray-menu %1").arg(id)); });
    std::unique_ptr<ForeignClient> foreign;

    auto handle = [&](const QString& line) {
        const QString command = line.section(u' ', 0, 0);
        const QString rest = line.section(u' ', 1);
        if (command == QLatin1String("register")) {
            const int id = rest.section(u' ', 0, 0).toInt();
            const int ok = keys.Register(id, rest.section(u' ', 1, 1).toUInt());
            say(QStringLiteral("registered %1 %2").arg(id).arg(ok));
        } else if (command == QLatin1String("unregister")) {
            keys.Unregister(rest.toInt());
            say(QStringLiteral("unregistered %1").arg(rest.toInt()));
        } else if (command == QLatin1String("foreign-grab")) {
            foreign = std::make_unique<ForeignClient>();
            say(QStringLiteral("foreign-grab %1").arg(foreign->grab(rest.toUInt()) ? 1 : 0));
        } else if (command == QLatin1String("copy")) {
            SetClipboardSecret(rest);
            say(QStringLiteral("copied"));
        } else if (command == QLatin1String("clear")) {
            say(QStringLiteral("cleared %1").arg(ClearClipboardSecret()));
        } else if (command == QLatin1String("tray")) {
            tray.SetToolTip(QStringLiteral("Vaultwick"));
            tray.SetMenu({{1027, QStringLiteral("Help")}, {1026, QStringLiteral("About")},
                          {1028, QStringLiteral("Show settings")}, {2, QStringLiteral("Exit")}});
            tray.Show();
            say(QStringLiteral("tray %1").arg(TrayIcon::IsAvailable() ? 1 : 0));
        } else if (command == QLatin1String("sync")) {
            // A round trip puts every earlier X event into Qt's queue; the
            // short wait lets Qt's reader thread hand them over and the
            // hot-key signals queued from them run.
            auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
            std::free(xcb_get_input_focus_reply(x11->connection(), xcb_get_input_focus(x11->connection()), nullptr));
            QTimer::singleShot(100, &app, [] { say(QStringLiteral("synced")); });
        } else if (command == QLatin1String("quit")) {
            app.quit();
        } else {
            say(QStringLiteral("unknown %1").arg(command));
        }
    };

    // Raw reads: a buffered stream would swallow lines the notifier then
    // never reports.
    QByteArray pending;
    QSocketNotifier notifier(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, [&] {
        char buffer[4096];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof(buffer));
        if (n <= 0) { // the script closed its end
            notifier.setEnabled(false);
            app.quit();
            return;
        }
        pending.append(buffer, n);
        for (qsizetype end; (end = pending.indexOf('\n')) >= 0; pending.remove(0, end + 1))
            handle(QString::fromUtf8(pending.left(end)));
    });
    return app.exec();
}
