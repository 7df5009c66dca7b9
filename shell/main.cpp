#include <cstdio>

#include <QString>
#include <QStringList>

#include "platform/Application.h"
#include "platform/ProcessGuard.h"
#include "shell/CommandLine.h"
#include "shell/VaultwickApp.h"

int main(int argc, char** argv)
{
    platform::ProtectProcessMemory();
    // Read before any display is needed: --help and a mistyped option answer
    // on a console too.
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const StCommandLine command = ParseCommandLine(args);
    if (command.eAction == StCommandLine::ACTION_HELP) {
        std::fputs(CommandLineHelp(QStringLiteral("Vaultwick")).toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (command.eAction == StCommandLine::ACTION_ERROR) {
        std::fprintf(stderr, "Vaultwick: %s\nTry 'Vaultwick --help' for the commands.\n",
                     command.strError.toLocal8Bit().constData());
        return s_iUsageExitCode;
    }
    // Qt must not read the commands as its own options.
    int qtArgc = 1;
    if (command.eAction == StCommandLine::ACTION_QUIT)
        return QuitRunningInstance(qtArgc, argv);
    if (!platform::HasDisplay()) {
        std::fputs("Vaultwick is a desktop program and needs a desktop session (X11 or Wayland).\n"
                   "Start it from a desktop, or under a virtual X server, e.g.: xvfb-run ./Vaultwick\n",
                   stderr);
        return 1;
    }
    CVaultwickApp app;
    return app.InitInstance(qtArgc, argv, command);
}
