// Kills the master-password change of a vault of 2,000 entries at random
// moments, a hundred times, and counts the trials after which the vault
// still opens with exactly one of the two passwords, all entries there.
#include <cstdio>
#include <cstdlib>

#include <QCoreApplication>
#include <QTemporaryDir>

#include "PasswdCrashTrial.h"

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int trials = argc > 1 ? std::atoi(argv[1]) : 100;
    const int entries = argc > 2 ? std::atoi(argv[2]) : 2000;
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    const passwdcrash::Result r = passwdcrash::Run(dir.path() + '/', entries, trials, 20261208u);
    std::printf("one uninterrupted change: %.0f ms (%d entries)\n", r.changeMs, entries);
    std::printf("%d/%d consistent\n", r.consistent, trials);
    return r.consistent == trials ? 0 : 1;
}
