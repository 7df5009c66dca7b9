#include "shell/VaultwickApp.h"

#include <cstdio>

#include <QCoreApplication>
#include <QObject>

#include "platform/Application.h"
#include "platform/SingleInstance.h"
#include "shell/VaultwickDlg.h"
#include "vault/DlgDbLogin.h"

const char* CommandName(const StCommandLine& command)
{
    switch (command.eAction) {
    case StCommandLine::ACTION_QUERY: return "query";
    case StCommandLine::ACTION_ADD: return "add";
    case StCommandLine::ACTION_QUIT: return "quit";
    default: return "show";
    }
}

int QuitRunningInstance(int& argc, char** argv)
{
    const QCoreApplication app(argc, argv);
    platform::SingleInstance instance(QStringLiteral("Vaultwick"));
    // Holding the lock means no instance runs; it is let go again at once.
    if (instance.TryBecomeFirst())
        return 0;
    if (instance.AskFirst(QStringLiteral("quit")))
        return 0;
    std::fputs("Vaultwick: the running instance did not answer.\n", stderr);
    return 1;
}

int CVaultwickApp::InitInstance(int& argc, char** argv, const StCommandLine& command)
{
    const QString name = QStringLiteral("Vaultwick");
    const std::unique_ptr<QCoreApplication> app = platform::CreateGuiApplication(argc, argv, name);

    // Decided before any database is touched: a second start only hands its
    // request to the first.
    platform::SingleInstance instance(name);
    instance.SetCommands(CVaultwickDlg::CommandNames());
    if (!instance.TryBecomeFirst()) {
        if (instance.AskFirst(QString::fromLatin1(CommandName(command)), command.strKeywords))
            return 0;
        std::fputs("Vaultwick: the running instance did not answer.\n", stderr);
        return 1;
    }

    InstallLoginDialog();
    CVaultwickDlg dlg;
    // Connected before start-up: a request that comes while the first-run
    // dialog or the login is still open waits for the start to finish.
    QObject::connect(&instance, &platform::SingleInstance::requested,
                     [&dlg](const QString& cmd, const QString& argument) { dlg.RunCommand(cmd, argument); });
    if (command.eAction != StCommandLine::ACTION_START)
        dlg.RunCommand(QString::fromLatin1(CommandName(command)), command.strKeywords);
    // Modeless: an application-modal main window would block the tray icon's
    // clicks and menu, which are windows of their own.
    dlg.SetQuitOnEnd(true);
    if (dlg.Create() && dlg.IsStartedUp())
        app->exec();
    const int result = dlg.IsStartedUp() ? 0 : 1;
    dlg.DestroyWindow();
    return result;
}
