#include <atomic>
#include <csignal>
#include <thread>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QLocalSocket>
#include <QSignalSpy>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/SingleInstance.h"
#include "support/TempDir.h"

using platform::SingleInstance;

namespace {

const QString kName = QStringLiteral("Vaultwick");

class SingleInstanceTest : public TempDirTest {
protected:
    // Runs a second start's request on its own thread, as another process
    // would, while this thread's event loop lets the first answer.
    bool askFromSecondStart(QSignalSpy& shown)
    {
        bool answered = false;
        std::thread second([&] {
            SingleInstance start(kName, path());
            answered = !start.TryBecomeFirst() && start.AskFirstToShow(5000);
        });
        shown.wait(5000);
        second.join();
        return answered;
    }
};

TEST_F(SingleInstanceTest, SecondStartAsksTheFirstToShow)
{
    SingleInstance first(kName, path());
    ASSERT_TRUE(first.TryBecomeFirst());
    EXPECT_TRUE(first.TryBecomeFirst()); // asking again keeps the lock
    QSignalSpy shown(&first, &SingleInstance::showRequested);

    EXPECT_TRUE(askFromSecondStart(shown));
    EXPECT_EQ(shown.count(), 1);
    EXPECT_TRUE(first.IsFirst());
}

TEST_F(SingleInstanceTest, OnlyAShowRequestRaisesTheFirst)
{
    SingleInstance first(kName, path());
    ASSERT_TRUE(first.TryBecomeFirst());
    QSignalSpy shown(&first, &SingleInstance::showRequested);

    std::atomic<bool> done{false};
    std::thread stranger([&] {
        QLocalSocket socket;
        socket.connectToServer(path() + kName + QStringLiteral(".socket"));
        if (socket.waitForConnected(5000)) {
            socket.write("quit\n");
            socket.waitForDisconnected(5000); // the first hangs up on it
        }
        done = true;
    });
    const QDeadlineTimer limit(10000);
    while (!done && !limit.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    stranger.join();
    QCoreApplication::processEvents();
    EXPECT_EQ(shown.count(), 0);

    EXPECT_TRUE(askFromSecondStart(shown));
    EXPECT_EQ(shown.count(), 1);
}

TEST_F(SingleInstanceTest, WithoutAFirstTheAskFailsAndTheNextStartIsFirst)
{
    {
        SingleInstance first(kName, path());
        ASSERT_TRUE(first.TryBecomeFirst());
    }
    SingleInstance next(kName, path());
    EXPECT_FALSE(next.AskFirstToShow(1000));
    ASSERT_TRUE(next.TryBecomeFirst());
    QSignalSpy shown(&next, &SingleInstance::showRequested);
    EXPECT_TRUE(askFromSecondStart(shown));
}

TEST_F(SingleInstanceTest, LockOfAKilledInstanceDoesNotBlockTheNextStart)
{
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        // The killed instance: holds the lock and listens, then dies
        // without cleaning up.
        SingleInstance dying(kName, path());
        const char state = dying.TryBecomeFirst() ? '1' : '0';
        (void)!write(ready[1], &state, 1);
        pause();
        _exit(0);
    }
    close(ready[1]);
    char state = 0;
    ASSERT_EQ(read(ready[0], &state, 1), 1);
    close(ready[0]);
    {
        SingleInstance whileAlive(kName, path());
        EXPECT_FALSE(whileAlive.TryBecomeFirst());
    }
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_EQ(state, '1');
    ASSERT_TRUE(QFile::exists(path() + kName + QStringLiteral(".lock")));
    ASSERT_TRUE(QFile::exists(path() + kName + QStringLiteral(".socket")));

    SingleInstance next(kName, path());
    ASSERT_TRUE(next.TryBecomeFirst());
    QSignalSpy shown(&next, &SingleInstance::showRequested);
    EXPECT_TRUE(askFromSecondStart(shown));
    EXPECT_EQ(shown.count(), 1);
}

} // namespace
