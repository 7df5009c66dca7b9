#include <cstdio>

#include "platform/Application.h"
#include "platform/ProcessGuard.h"
#include "shell/VaultwickApp.h"

int main(int argc, char** argv)
{
    platform::ProtectProcessMemory();
    if (!platform::HasDisplay()) {
        std::fputs("Vaultwick is a desktop program and needs a desktop session (X11 or Wayland).\n"
                   "Start it from a desktop, or under a virtual X server, e.g.: xvfb-run ./Vaultwick\n",
                   stderr);
        return 1;
    }
    CVaultwickApp app;
    return app.InitInstance(argc, argv);
}
