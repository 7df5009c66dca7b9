// Setting, changing and removing the master password: the file's key and its
// stored hash always agree, also when the writer is killed half-way, and the
// open vault stays logged in and keyed whatever is typed.
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "StoreFixture.h"
#include "bench/PasswdCrashTrial.h"
#include "support/MessageBoxRecorder.h"
#include "vault/DlgConfirmPasswd.h"

namespace {

TEST(PasswdChangeCrash, KillAtRandomMomentsNeverLocksTheUserOut)
{
    QTemporaryDir dir;
    // Small vault, few trials: the bench runs a hundred on 2,000 entries.
    const passwdcrash::Result r = passwdcrash::Run(dir.path() + '/', 200, 6, 7u);
    g_strSavedDataPath.clear();
    EXPECT_GT(r.changeMs, 0);
    EXPECT_EQ(r.trials, 6);
    EXPECT_EQ(r.consistent, r.trials);
}

class PasswdChangeTest : public StoreTest {
protected:
    bool readable()
    {
        QString err;
        return g_pSqlite->ExecSQL_W("SELECT count(*) FROM TnPwEntry", nullptr, err) == 0;
    }
    QStringList folderFiles() const
    {
        return QDir(path()).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    }
};

TEST_F(PasswdChangeTest, SetChangeAndRemoveLeaveTheVaultLoggedInWithoutAPrompt)
{
    ScriptedLogin login(std::nullopt);
    for (const auto& [from, to] : {std::pair<QString, QString>{"", "one"}, {"one", "two"}, {"two", ""}}) {
        ASSERT_EQ(g_pSqlite->ConfirmAndChangePasswd(from, to, 0), 1) << to.toStdString();
        EXPECT_EQ(g_pSqlite->IsLoggedIn(), 1);
        EXPECT_TRUE(readable());
        // What the query window and the editor ask first: no prompt.
        EXPECT_EQ(store().ConfirmLogin(), 0);
        EXPECT_EQ(g_pSqlite->ConfirmPasswd(to, 2), 1);
    }
    EXPECT_EQ(login.calls(), 0);
    // Only the vault itself is left: no copy of the old key beside it.
    EXPECT_EQ(folderFiles(), QStringList({g_strDbFile}));
}

TEST_F(PasswdChangeTest, WrongPasswordAfterAChangeKeepsTheConnectionKeyed)
{
    setMasterPassword("old");
    ASSERT_EQ(g_pSqlite->ConfirmAndChangePasswd("old", "new", 0), 1);
    // A typing error, in every way a check can be asked for.
    EXPECT_EQ(g_pSqlite->ConfirmPasswd("nwe", 0), 0);
    EXPECT_EQ(g_pSqlite->ConfirmPasswd("nwe", 1), 0);
    EXPECT_EQ(g_pSqlite->ConfirmAndChangePasswd("nwe", "x", 0), 0);
    EXPECT_EQ(g_pSqlite->IsLoggedIn(), 1);
    EXPECT_TRUE(readable());
    EXPECT_EQ(store().UpdatePasswdSetting(g_strColShowPasswd, 1), 1);
    // The right one still opens it, the old one no longer does.
    EXPECT_EQ(g_pSqlite->ConfirmPasswd("new", 0), 1);
    CDbSqlite3 other(m_vaultPath);
    ASSERT_EQ(other.InitDB(), 0);
    EXPECT_EQ(other.ConfirmPasswd("old", 0), 0);
    EXPECT_EQ(other.ConfirmPasswd("new", 0), 1);
}

TEST_F(PasswdChangeTest, ChangeThatCannotBeWrittenKeepsTheOldKeyAndHashTogether)
{
    setMasterPassword("old");
    // The disk takes no more than a few pages: the keyed copy cannot be
    // written, and nothing changes.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 8192;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const int changed = g_pSqlite->ConfirmAndChangePasswd("old", "new", 0);
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, previousHandler);
    EXPECT_EQ(changed, 0);
    EXPECT_EQ(folderFiles(), QStringList({g_strDbFile}));
    EXPECT_TRUE(readable());
    EXPECT_EQ(g_pSqlite->IsLoggedIn(), 1);
    CDbSqlite3 other(m_vaultPath);
    ASSERT_EQ(other.InitDB(), 0);
    EXPECT_EQ(other.ConfirmPasswd("new", 0), 0);
    EXPECT_EQ(other.ConfirmPasswd("old", 0), 1);
}

TEST_F(PasswdChangeTest, VaultReachedThroughALinkIsChangedWhereTheLinkLeads)
{
    const QString real = path() + "real.db";
    ASSERT_TRUE(QFile::rename(m_vaultPath, real));
    ASSERT_TRUE(QFile::link(real, m_vaultPath));
    ASSERT_EQ(g_pSqlite->ConfirmAndChangePasswd("", "linked", 0), 1);
    EXPECT_TRUE(QFileInfo(m_vaultPath).isSymLink());
    CDbSqlite3 other(real);
    ASSERT_EQ(other.InitDB(), 0);
    EXPECT_EQ(other.ConfirmPasswd("linked", 0), 1);
}

} // namespace
