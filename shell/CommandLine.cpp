#include "shell/CommandLine.h"

StCommandLine ParseCommandLine(const QStringList& args)
{
    StCommandLine cmd;
    auto setAction = [&cmd](StCommandLine::EnumAction action, const QString& option) {
        if (cmd.eAction != StCommandLine::ACTION_START && cmd.eAction != action) {
            cmd.eAction = StCommandLine::ACTION_ERROR;
            cmd.strError = QStringLiteral("only one command at a time: '%1'").arg(option);
            return false;
        }
        cmd.eAction = action;
        return true;
    };
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == u"--query" || arg == u"-q") {
            if (!setAction(StCommandLine::ACTION_QUERY, arg))
                return cmd;
            // Everything after it are the keywords, even text that looks like an option.
            cmd.strKeywords = args.mid(i + 1).join(u' ').simplified();
            return cmd;
        }
        if (arg.startsWith(u"--query=")) {
            if (!setAction(StCommandLine::ACTION_QUERY, QStringLiteral("--query")))
                return cmd;
            cmd.strKeywords = arg.mid(8).simplified();
            continue;
        }
        if (arg == u"--add" || arg == u"-a") {
            if (!setAction(StCommandLine::ACTION_ADD, arg))
                return cmd;
        } else if (arg == u"--show" || arg == u"-s") {
            if (!setAction(StCommandLine::ACTION_SHOW, arg))
                return cmd;
        } else if (arg == u"--quit") {
            if (!setAction(StCommandLine::ACTION_QUIT, arg))
                return cmd;
        } else if (arg == u"--help" || arg == u"-h") {
            cmd.eAction = StCommandLine::ACTION_HELP;
            return cmd;
        } else {
            cmd.eAction = StCommandLine::ACTION_ERROR;
            cmd.strError = arg.startsWith(u'-') ? QStringLiteral("unknown option '%1'").arg(arg)
                                                : QStringLiteral("unexpected argument '%1'").arg(arg);
            return cmd;
        }
    }
    return cmd;
}

QString CommandLineHelp(const QString& programName)
{
    return QStringLiteral(
               "Usage: %1 [command]\n"
               "\n"
               "Without a command, starts the password keeper (or shows the running one).\n"
               "A command is done by the running instance; when none runs, the program\n"
               "starts and then does it. The vault asks for its master password first\n"
               "where it needs to.\n"
               "\n"
               "Commands:\n"
               "  -q, --query [keywords]  open the query window, the keywords typed in\n"
               "  -a, --add               open the entry editor\n"
               "  -s, --show              show the main window\n"
               "      --quit              end the running program (as the tray's Exit);\n"
               "                          nothing to do when none runs\n"
               "  -h, --help              show this help and end\n"
               "\n"
               "Bind a key to a command where the desktop does not let the program take\n"
               "its own hot keys, e.g. in sway: bindsym Mod1+q exec %1 --query\n")
        .arg(programName);
}
