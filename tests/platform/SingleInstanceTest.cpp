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
    QSignalSpy shown(&first, &SingleInstance::requested);

    EXPECT_TRUE(askFromSecondStart(shown));
    ASSERT_EQ(shown.count(), 1);
    EXPECT_EQ(shown[0][0].toString(), "show");
    EXPECT_TRUE(first.IsFirst());
}

TEST_F(SingleInstanceTest, CommandsReachTheFirstWithTheirArgumentOnOneLine)
{
    SingleInstance first(kName, path());
    ASSERT_TRUE(first.TryBecomeFirst());
    QSignalSpy asked(&first, &SingleInstance::requested);

    struct Case {
        QString command, argument, expectedArgument;
    };
    // Non-ASCII keywords, quotes and percent signs arrive as typed; a line
    // break cannot end the request early.
    const Case cases[] = {
        {"query", QString::fromUtf8("bank 'home' 100% пароль"), QString::fromUtf8("bank 'home' 100% пароль")},
        {"query", "two\nlines", "two lines"},
        {"add", "", ""},
    };
    for (const Case& c : cases) {
        bool answered = false;
        std::thread second([&] {
            SingleInstance start(kName, path());
            answered = !start.TryBecomeFirst() && start.AskFirst(c.command, c.argument, 5000);
        });
        const int before = asked.count();
        while (asked.count() == before && asked.wait(5000)) {
        }
        second.join();
        EXPECT_TRUE(answered) << c.command.toStdString();
        ASSERT_EQ(asked.count(), before + 1);
        EXPECT_EQ(asked.last()[0].toString(), c.command);
        EXPECT_EQ(asked.last()[1].toString(), c.expectedArgument);
    }
    // A command name that is not one word is not sent at all.
    SingleInstance start(kName, path());
    EXPECT_FALSE(start.AskFirst("quit now"));
}

TEST_F(SingleInstanceTest, AMalformedRequestIsHungUpOn)
{
    SingleInstance first(kName, path());
    ASSERT_TRUE(first.TryBecomeFirst());
    QSignalSpy shown(&first, &SingleInstance::requested);

    std::atomic<bool> done{false};
    std::thread stranger([&] {
        QLocalSocket socket;
        socket.connectToServer(path() + kName + QStringLiteral(".socket"));
        if (socket.waitForConnected(5000)) {
            socket.write("Quit; rm -rf\n");
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

TEST_F(SingleInstanceTest, AnUnknownCommandIsAnsweredWithAnErrorAndNotCarriedOut)
{
    SingleInstance first(kName, path());
    ASSERT_TRUE(first.TryBecomeFirst());
    first.SetCommands({"show", "query"});
    QSignalSpy asked(&first, &SingleInstance::requested);

    std::atomic<bool> done{false};
    QByteArray answer;
    bool askedAnswered = true;
    std::thread stranger([&] {
        QLocalSocket socket;
        socket.connectToServer(path() + kName + QStringLiteral(".socket"));
        if (socket.waitForConnected(5000)) {
            socket.write("quit now\n");
            while (!socket.canReadLine() && socket.waitForReadyRead(5000)) {
            }
            answer = socket.readLine();
        }
        SingleInstance start(kName, path());
        askedAnswered = start.AskFirst("delete", "everything", 5000);
        done = true;
    });
    const QDeadlineTimer limit(15000);
    while (!done && !limit.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    stranger.join();
    QCoreApplication::processEvents();
    EXPECT_EQ(answer, "error unknown command\n");
    EXPECT_FALSE(askedAnswered);
    EXPECT_EQ(asked.count(), 0);

    EXPECT_TRUE(askFromSecondStart(asked));
    EXPECT_EQ(asked.count(), 1);
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
    QSignalSpy shown(&next, &SingleInstance::requested);
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
    QSignalSpy shown(&next, &SingleInstance::requested);
    EXPECT_TRUE(askFromSecondStart(shown));
    EXPECT_EQ(shown.count(), 1);
}

} // namespace
