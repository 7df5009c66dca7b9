#include <atomic>
#include <thread>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include "StoreFixture.h"
#include "platform/Files.h"

namespace {

const QRegularExpression kDatedName(QStringLiteral("^PasswdBK_\\d{8}_\\d{6}\\.db$"));

class BackupTest : public StoreTest {
protected:
    QString backupFolder() const { return path() + "Backup/"; }

    QStringList backups() const
    {
        QStringList names = QDir(backupFolder()).entryList({"PasswdBK*.db"}, QDir::Files);
        names.sort();
        return names;
    }

    QStringList everything() const
    {
        return QDir(backupFolder()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }

    void touch(const QString& name) const
    {
        QFile f(backupFolder() + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("partial");
    }

    // Opens a backup with the vault's key; empty when it is whole, else why not.
    static QString checkBackup(const QString& file, const QString& password, int* entries = nullptr)
    {
        CDbSqlite3 copy(file);
        if (copy.InitDB() != 0)
            return "cannot open";
        if (!copy.ConfirmPasswd(password, 1))
            return "the vault's key does not open it";
        SqlResultMap rows;
        QString err;
        if (copy.ExecSQL_W("PRAGMA integrity_check", &rows, err) != 0)
            return err;
        if (rows[0].begin()->second != "ok")
            return rows[0].begin()->second;
        if (entries) {
            if (copy.ExecSQL_W("SELECT count(*) AS n FROM TnPwEntry", &rows, err) != 0)
                return err;
            *entries = rows[0]["n"].toInt();
        }
        return QString();
    }
};

} // namespace

TEST_F(BackupTest, BackupIsADatedCopyThatOpensWithTheVaultKey)
{
    setMasterPassword("s3cret");
    ST_PW_ENTRY e = entry("mine", "me");
    ASSERT_EQ(store().InsertEntry(&e, 0), 0);

    ASSERT_TRUE(store().BackupPasswdDb());
    const QStringList names = backups();
    ASSERT_EQ(names.size(), 1);
    EXPECT_TRUE(kDatedName.match(names[0]).hasMatch()) << names[0].toStdString();
    EXPECT_EQ(everything(), names) << "nothing but the backup is left behind";

    int entries = 0;
    EXPECT_EQ(checkBackup(backupFolder() + names[0], "s3cret", &entries).toStdString(), "");
    EXPECT_EQ(entries, 4);
    EXPECT_NE(checkBackup(backupFolder() + names[0], QString()).toStdString(), "") << "the copy stays encrypted";
}

TEST_F(BackupTest, RetentionKeepsTheNewestTwentyAndIgnoresPartialFiles)
{
    ASSERT_TRUE(QDir().mkpath(backupFolder()));
    // Written out of order: the listing order of the file system must not matter.
    for (int day : {17, 3, 22, 1, 9, 14, 5, 20, 11, 2, 8, 19, 6, 15, 4, 21, 10, 13, 7, 18, 12, 16})
        touch(QString("PasswdBK_200001%1_120000.db").arg(day, 2, 10, QChar('0')));
    touch("PasswdBK_20000131_000000.db.part");  // does not end in .db
    touch(".PasswdBK.part.tmp-a1b2c3");          // a copy stopped half-way
    touch(".PasswdBK.part");

    ASSERT_TRUE(store().BackupPasswdDb());

    const QStringList names = backups();
    ASSERT_EQ(names.size(), 20);
    EXPECT_EQ(names.first(), "PasswdBK_20000104_120000.db") << "the three oldest went";
    EXPECT_TRUE(names.contains("PasswdBK_20000122_120000.db"));
    EXPECT_TRUE(kDatedName.match(names.last()).hasMatch());
    EXPECT_EQ(checkBackup(backupFolder() + names.last(), QString()).toStdString(), "");

    const QStringList all = everything();
    EXPECT_TRUE(all.contains("PasswdBK_20000131_000000.db.part")) << "not a backup: neither counted nor deleted";
    EXPECT_FALSE(all.contains(".PasswdBK.part.tmp-a1b2c3")) << "leftovers of a stopped backup are cleared";
    EXPECT_FALSE(all.contains(".PasswdBK.part"));
}

TEST_F(BackupTest, BackupOfTheSameSecondReplacesTheEarlierOne)
{
    ASSERT_TRUE(QDir().mkpath(backupFolder()));
    // Stand-ins for earlier backups under the names of the next ten seconds.
    const QDateTime now = QDateTime::currentDateTime();
    for (int s = 0; s < 10; ++s)
        touch(now.addSecs(s).toString("'PasswdBK_'yyyyMMdd_HHmmss'.db'"));

    ASSERT_TRUE(store().BackupPasswdDb());

    const QStringList names = backups();
    EXPECT_EQ(names.size(), 10);
    int replaced = 0;
    for (const QString& name : names)
        replaced += checkBackup(backupFolder() + name, QString()).isEmpty();
    EXPECT_EQ(replaced, 1);
    EXPECT_EQ(everything(), names);
}

TEST_F(BackupTest, FailedCopyLeavesNoBackupBehind)
{
    ASSERT_TRUE(g_pSqlite->CloseDB());
    ASSERT_TRUE(QFile::remove(m_vaultPath));
    EXPECT_FALSE(store().BackupPasswdDb());
    EXPECT_EQ(everything(), QStringList());
}

TEST_F(BackupTest, BackupFolderThatCannotBeMadeFails)
{
    g_strSavedDataPath = path() + "no/such/folder/";
    EXPECT_FALSE(store().BackupPasswdDb());
    EXPECT_FALSE(QDir(path() + "no").exists());
}

// Another thread keeps importing and editing entries while backups are made:
// every backup is a whole, consistent vault that opens with the vault's key.
TEST_F(BackupTest, BackupsTakenWhileTheVaultIsWrittenAreWhole)
{
    setMasterPassword("s3cret");
    std::atomic<int> writes{0};
    std::atomic<int> writeFailures{0};
    std::jthread writer([&](std::stop_token stop) {
        // Imports larger than the page cache reach the file before they commit.
        const QString filler(3000, QChar('x'));
        for (int round = 0; !stop.stop_requested(); ++round) {
            PwEntryArray batch;
            for (int i = 0; i < 600; ++i)
                batch.append({{}, QString("t%1-%2").arg(round).arg(i), "u", "p", "url", "mail", filler});
            int stored = 0, failed = 0, third = 0;
            if (store().InsertEntryArray(stored, failed, third, batch, 0) != 0)
                ++writeFailures;
            for (const QString& title : {QString("111"), QString("t%1-7").arg(round)}) {
                ST_PW_ENTRY edit = entry(title, title == "111" ? "111" : "u", QString("edit %1").arg(round));
                if (store().InsertEntry(&edit, 1) != 1)
                    ++writeFailures;
            }
            ++writes;
        }
    });

    int lastWrites = 0;
    int previousEntries = 0;
    for (int i = 0; i < 8; ++i) {
        while (writes.load() <= lastWrites)
            std::this_thread::yield();
        lastWrites = writes.load();
        ASSERT_TRUE(store().BackupPasswdDb());
        const QStringList names = backups();
        ASSERT_FALSE(names.isEmpty());
        int entries = 0;
        EXPECT_EQ(checkBackup(backupFolder() + names.last(), "s3cret", &entries).toStdString(), "") << "backup " << i;
        EXPECT_EQ((entries - 3) % 600, 0) << "a backup holds only whole imports: " << entries;
        EXPECT_GE(entries, previousEntries);
        previousEntries = entries;
    }
    writer.request_stop();
    writer.join();
    EXPECT_EQ(writeFailures.load(), 0);
    EXPECT_LE(backups().size(), 20);
}

TEST_F(BackupTest, HiddenCopiesOfStoppedCopiesGoAtStartAndAtTheNextBackup)
{
    ASSERT_TRUE(QDir().mkpath(backupFolder()));
    // The names a stopped backup, staging copy or key change leaves.
    const QStringList stale = {".PasswdBK_20261208_101010.db.tmp-Ab12Cd", "..PasswdBK.part.tmp-Zz99zz"};
    for (const QString& name : stale)
        touch(name);
    QFile besideVault(path() + ".Sqlite.db.tmp-Qq11qq");
    ASSERT_TRUE(besideVault.open(QIODevice::WriteOnly));
    besideVault.close();
    // Names the program never gives, a folder and a link: none of them is ours.
    const QStringList foreign = {".PasswdBK_20261208_101010.db.tmp-Ab12C", ".other.db.tmp-Ab12Cd",
                                 "PasswdBK_20261208_101010.db.tmp-Ab12Cd", ".PasswdBK_x.db.tmp-Ab12Cd"};
    for (const QString& name : foreign)
        touch(name);
    ASSERT_TRUE(QDir().mkdir(backupFolder() + ".PasswdBK_20261208_101010.db.tmp-Dir123"));
    ASSERT_TRUE(QFile::link(path() + "Sqlite.db", backupFolder() + ".PasswdBK_20261208_101010.db.tmp-Lnk123"));
    // A copy in progress holds its file: it stays.
    const QString live = platform::CreateTempFileBeside(backupFolder() + "PasswdBK_20261208_111111.db");
    ASSERT_FALSE(live.isEmpty());

    CPasswdSetting::RemoveStaleCopies();
    EXPECT_FALSE(besideVault.exists());
    QStringList all = everything();
    for (const QString& name : stale)
        EXPECT_FALSE(all.contains(name)) << name.toStdString();
    for (const QString& name : foreign)
        EXPECT_TRUE(all.contains(name)) << name.toStdString();
    EXPECT_TRUE(all.contains(".PasswdBK_20261208_101010.db.tmp-Lnk123"));
    EXPECT_TRUE(QFileInfo(backupFolder() + ".PasswdBK_20261208_101010.db.tmp-Dir123").isDir());
    EXPECT_TRUE(QFileInfo::exists(live));

    touch(stale[0]);
    ASSERT_TRUE(store().BackupPasswdDb());
    all = everything();
    EXPECT_FALSE(all.contains(stale[0])) << "the next backup clears them too";
    EXPECT_TRUE(QFileInfo::exists(live));
    EXPECT_TRUE(platform::RemoveFile(live));
}
