// The weekly backup thread: when it copies, and that it stops on request.
#include <atomic>

#include <QDeadlineTimer>
#include <QDir>
#include <QThread>

#include "MainWindowFixture.h"

namespace {

// Waits for a condition another thread makes true; false after 30 s.
template <class F> bool WaitFor(F done)
{
    QDeadlineTimer deadline(30000);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QThread::yieldCurrentThread();
    }
    return true;
}

int BackupFiles(const QString& dataFolder)
{
    return int(QDir(dataFolder + "Backup").entryList(QDir::Files).size());
}

constexpr quint32 kLast = 3900000000u;

} // namespace

class BackupThreadTest : public MainWindowTest {
protected:
    // Runs the main window with the backup clock at `now`; the script sees
    // the thread after it has looked at the clock `polls` times.
    void RunWithClock(quint32 now, const std::function<void(CVaultwickDlg&)>& check)
    {
        PrepareProgramFolder({});
        g_pSqliteInit = new CDbSqlite3(path() + g_strDbFileInit);
        ASSERT_TRUE(g_pSqliteInit->ConfirmPasswd(QString(), 1));
        ASSERT_TRUE(UpdateLastBackupTime(kLast, 0));
        delete g_pSqliteInit;
        g_pSqliteInit = nullptr;

        CVaultwickDlg::s_fnSecondsNow = [this, now] {
            ++m_polls;
            return now;
        };
        CVaultwickDlg dlg;
        RunMain(dlg, [&](CDialogEx&) {
            check(dlg);
            dlg.OnTrayCommand(IDCANCEL);
        });
        EXPECT_FALSE(dlg.IsBackupThreadRunning());
    }

    std::atomic<int> m_polls{0};
};

TEST_F(BackupThreadTest, ExactlyOneWeekMakesNoBackup)
{
    RunWithClock(kLast + 604800, [&](CVaultwickDlg& dlg) {
        ASSERT_TRUE(dlg.StartBackupThread());
        EXPECT_FALSE(dlg.StartBackupThread());  // one thread at most
        ASSERT_TRUE(WaitFor([&] { return m_polls >= 1; }));
        // Stop wakes the sleeping thread at once; it is joined, never killed.
        dlg.StopBackupThread();
        EXPECT_FALSE(dlg.IsBackupThreadRunning());
        EXPECT_EQ(dlg.GetBackupCount(), 0);
        EXPECT_EQ(BackupFiles(path()), 0);
        EXPECT_EQ(GetLastBackupTime(0), kLast);
    });
}

TEST_F(BackupThreadTest, OneWeekAndOneSecondMakesOneBackupAndRecordsItsTime)
{
    RunWithClock(kLast + 604801, [&](CVaultwickDlg& dlg) {
        ASSERT_TRUE(dlg.StartBackupThread());
        ASSERT_TRUE(WaitFor([&] { return dlg.GetBackupCount() >= 1 && m_polls >= 2; }));
        dlg.StopBackupThread();
        EXPECT_EQ(dlg.GetBackupCount(), 1);  // the clock stands still: one copy only
        EXPECT_EQ(BackupFiles(path()), 1);
        EXPECT_EQ(GetLastBackupTime(0), kLast + 604801);
    });
}

TEST_F(MainWindowTest, VaultSettingAutoBackupStartsTheThreadAtLoginAndShutdownStopsIt)
{
    PrepareProgramFolder({.autoBackup = 1});
    CVaultwickDlg::s_fnSecondsNow = [] { return quint32(0); };
    CVaultwickDlg dlg;
    RunMain(dlg, [&](CDialogEx&) {
        EXPECT_TRUE(dlg.IsBackupThreadRunning());
        dlg.OnTrayCommand(IDCANCEL);
    });
    EXPECT_FALSE(dlg.IsBackupThreadRunning());
}
