#include "StorageTestUtil.h"
#include "foundation/storage/FormatText.h"
#include "foundation/storage/GlobalSettings.h"
#include "foundation/storage/SqlText.h"
#include "foundation/storage/SysHelpers.h"
#include "support/MessageBoxRecorder.h"

namespace {

// The init database as the program makes it on its first run.
class InitDbTest : public TempDirTest {
protected:
    void SetUp() override
    {
        m_init = std::make_unique<ScopedInitDb>(file("db.init"), path() + "it's 100%/");
        ASSERT_EQ(m_init->created(), 1);
        m_db = &m_init->db();
    }
    void TearDown() override { m_init.reset(); }
    void setRaw(const QString& column, const QString& literal)
    {
        mustExec(*m_db, FormatText("UPDATE TnGlobalSettings SET %s=%s", column, literal));
    }

    std::unique_ptr<ScopedInitDb> m_init;
    CDbSqlite3* m_db = nullptr;
};

TEST_F(InitDbTest, FreshFileHoldsTheDefaultsEncryptedWithThePrefix)
{
    StGlobalSettings st;
    ASSERT_EQ(GetGlobalSettings(&st), 1);
    EXPECT_EQ(st.AutoStart + st.StartMini + st.CloseToTray + st.MiniToTray, 4);
    EXPECT_EQ(st.Language, LANG_ENU);
    EXPECT_EQ(st.DataFolder, g_strSavedDataPath);
    EXPECT_EQ(st.CheckHotKeyAdd, 1);
    EXPECT_EQ(st.HotKeyAdd, 262209u);
    EXPECT_EQ(st.CheckHotKeyQuery, 1);
    EXPECT_EQ(st.HotKeyQuery, 262225u);
    EXPECT_EQ(GetGlobalSetting(g_strColLanguage), "English");
    const quint32 created = GetLastBackupTime(0);
    EXPECT_GE(GetSecondsFromZero(), created);
    EXPECT_LE(GetSecondsFromZero() - created, 60u);

    SqlResultMap rows;
    mustExec(*m_db, "SELECT (SELECT count(*) FROM TnGlobalSettings) + (SELECT count(*) FROM TnBackupTime) AS n", &rows);
    EXPECT_EQ(rows[0]["n"], "2");

    m_db->CloseDB();
    EXPECT_EQ(probeWithoutKey(file("db.init")), SQLITE_NOTADB);
    EXPECT_FALSE(bytesOnDisk(file("db.init")).contains("English"));
    EXPECT_EQ(modeOf(file("db.init")), 0600u);
    EXPECT_EQ(m_db->ConfirmPasswd("", 1), 1);
    EXPECT_EQ(m_db->IsLoggedIn(), 1);
}

TEST_F(InitDbTest, UpdateTakesAFinishedLiteral)
{
    EXPECT_EQ(UpdateGlobalSetting(g_strColLanguage, quoteSqlText("Deutsch"), 0), 1);
    EXPECT_EQ(GetGlobalSetting(g_strColLanguage), "Deutsch");
    const QString folder = "/home/o'neil/%d data/";
    EXPECT_EQ(UpdateGlobalSetting(g_strColDataFolder, quoteSqlText(folder), 0), 1);
    EXPECT_EQ(GetGlobalSetting(g_strColDataFolder), folder);

    MessageBoxRecorder boxes;
    EXPECT_EQ(UpdateGlobalSetting(g_strColLanguage, "Deutsch", 0), 0);
    EXPECT_EQ(boxes.texts(), QStringList({"SQLite Error!\r\nERROR CODE: 1; ERROR MESSAGE: no such column: Deutsch!"}));
    EXPECT_EQ(GetGlobalSetting(g_strColLanguage), "Deutsch");
}

TEST_F(InitDbTest, StoredTextIsReadByTheFieldRules)
{
    // Only the exact text "0" switches a hot key off; a flag is its number.
    setRaw(g_strColCheckHotKeyAdd, "'off'");
    setRaw(g_strColAutoStart, "'00'");
    setRaw(g_strColStartMini, "'7 days'");
    setRaw(g_strColCloseToTray, "'off'");
    setRaw(g_strColHotKeyAdd, "'4295229505'"); // 2^32 + 262209
    setRaw(g_strColCheckHotKeyQuery, "0");
    setRaw(g_strColLanguage, "'Fran\u00e7aise'");
    StGlobalSettings st;
    ASSERT_EQ(GetGlobalSettings(&st), 1);
    EXPECT_EQ(st.CheckHotKeyAdd, 1);
    EXPECT_EQ(st.AutoStart, 0);
    EXPECT_EQ(st.StartMini, 1);
    EXPECT_EQ(st.CloseToTray, 0);
    EXPECT_EQ(st.HotKeyAdd, 262209u);
    EXPECT_EQ(st.CheckHotKeyQuery, 0);
    EXPECT_EQ(st.Language, LANG_FRA);
}

TEST_F(InitDbTest, BackupTimeKeepsAllThirtyTwoBits)
{
    EXPECT_EQ(UpdateLastBackupTime(4000000000u, 0), 1);
    EXPECT_EQ(GetLastBackupTime(0), 4000000000u);
    // A value stored as a negative 32-bit number by older writers reads the same.
    mustExec(*m_db, "UPDATE TnBackupTime SET BackupTime=-294967296");
    EXPECT_EQ(GetLastBackupTime(0), 4000000000u);
}

TEST_F(InitDbTest, FailedReadsShowTheErrorAndLeaveTheRecord)
{
    mustExec(*m_db, "DROP TABLE TnBackupTime");
    mustExec(*m_db, "DELETE FROM TnGlobalSettings");
    MessageBoxRecorder boxes;
    EXPECT_EQ(GetLastBackupTime(0), 0u);
    EXPECT_EQ(boxes.texts(), QStringList({"SQLite Error!\r\nERROR CODE: 1; ERROR MESSAGE: no such table: TnBackupTime!"}));
    StGlobalSettings st;
    st.HotKeyAdd = 42;
    EXPECT_EQ(GetGlobalSettings(&st), 0);
    EXPECT_EQ(st.HotKeyAdd, 42u);
    EXPECT_EQ(GetGlobalSetting(g_strColLanguage), "");
    EXPECT_EQ(boxes.texts().size(), 1);
}

TEST(InitDb, PlainFileFromElsewhereIsEncryptedOnCreation)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("db.init");
    RawDb(path).exec("CREATE TABLE Old(x); INSERT INTO Old VALUES('left over');");
    auto db = makeDb(path);
    g_pSqliteInit = db.get();
    EXPECT_EQ(CreateDbInit(), 1);
    g_pSqliteInit = nullptr;
    db.reset();
    EXPECT_EQ(probeWithoutKey(path), SQLITE_NOTADB);
    EXPECT_FALSE(bytesOnDisk(path).contains("left over"));
}

} // namespace
