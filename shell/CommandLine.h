#pragma once

// The program's command line: commands for the running instance, so that any
// desktop can bind a key to them where global hot keys cannot be grabbed.
#include <QString>
#include <QStringList>

struct StCommandLine {
    enum EnumAction { ACTION_START, ACTION_SHOW, ACTION_QUERY, ACTION_ADD, ACTION_QUIT, ACTION_HELP, ACTION_ERROR };
    EnumAction eAction = ACTION_START;
    QString strKeywords;  // ACTION_QUERY: the keywords typed into the query window
    QString strError;     // ACTION_ERROR: what was wrong
};

// Reads the arguments after the program name. "--query" takes every argument
// after it as keywords; anything unknown is an error.
StCommandLine ParseCommandLine(const QStringList& args);

// The text printed for --help.
QString CommandLineHelp(const QString& programName);

// Exit status for a command line that could not be understood.
constexpr int s_iUsageExitCode = 2;
