#include "shell/VaultwickApp.h"

#include <QCoreApplication>
#include <QObject>

#include "platform/Application.h"
#include "platform/SingleInstance.h"
#include "shell/VaultwickDlg.h"
#include "vault/DlgDbLogin.h"

int CVaultwickApp::InitInstance(int& argc, char** argv)
{
    const QString name = QStringLiteral("Vaultwick");
    const std::unique_ptr<QCoreApplication> app = platform::CreateGuiApplication(argc, argv, name);

    // Decided before any database is touched: a second start only asks the
    // first to show itself.
    platform::SingleInstance instance(name);
    if (!instance.TryBecomeFirst()) {
        instance.AskFirstToShow();
        return 0;
    }

    InstallLoginDialog();
    CVaultwickDlg dlg;
    QObject::connect(&instance, &platform::SingleInstance::showRequested, [&dlg] {
        if (dlg.IsStartedUp())
            dlg.OnHotKey(CVaultwickDlg::HOTKEY_SHOW);
    });
    // Modeless: an application-modal main window would block the tray icon's
    // clicks and menu, which are windows of their own.
    dlg.SetQuitOnEnd(true);
    if (dlg.Create() && dlg.IsStartedUp())
        app->exec();
    const int result = dlg.IsStartedUp() ? 0 : 1;
    dlg.DestroyWindow();
    return result;
}
