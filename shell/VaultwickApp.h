#pragma once

#include "shell/CommandLine.h"

// The application object: one running instance per user, the login dialog
// as the vault's way of asking for passwords, and the main dialog run
// modally until the user exits from the tray.
class CVaultwickApp {
public:
    CVaultwickApp() = default;
    CVaultwickApp(const CVaultwickApp&) = delete;
    CVaultwickApp& operator=(const CVaultwickApp&) = delete;

    // Runs the program; the process exit code: 0 after a normal end (also for
    // a second start that handed its command to the first), 1 when start-up
    // failed or the running instance did not answer.
    int InitInstance(int& argc, char** argv, const StCommandLine& command = {});
};

// --quit: asks the running instance to end as the tray's Exit does. Needs no
// display; with no instance running there is nothing to do. The exit code: 0
// when none runs or it answered, 1 when it did not answer.
int QuitRunningInstance(int& argc, char** argv);

// The request a command line makes of the running instance ("show" without one).
const char* CommandName(const StCommandLine& command);
