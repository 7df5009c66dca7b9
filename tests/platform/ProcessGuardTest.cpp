// The program's start makes its memory unreadable to other processes and
// leaves no core file. Checked in a child: the test process itself must stay
// dumpable for the leak checker of sanitized builds.
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/ProcessGuard.h"

TEST(ProcessGuard, NoCoreFileAndNotDumpable)
{
    ASSERT_EQ(prctl(PR_GET_DUMPABLE), 1) << "a test process starts dumpable";
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const bool done = platform::ProtectProcessMemory();
        rlimit core{};
        getrlimit(RLIMIT_CORE, &core);
        // The hard limit too: a later setrlimit cannot bring core files back.
        _exit(done && prctl(PR_GET_DUMPABLE) == 0 && core.rlim_cur == 0 && core.rlim_max == 0 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
