#include <QFile>

#include "StoreFixture.h"
#include "support/MessageBoxRecorder.h"

namespace {

// Authorizer actions a test denies to make a statement fail.
constexpr int kSqliteInsert = 18;
constexpr int kSqliteRead = 20;
constexpr int kSqliteAuth = 23;
constexpr int kSqliteNotADb = 26;

int DenyEntryReads(void*, int action, const char* table, const char*, const char*, const char*)
{
    return action == kSqliteRead && table && QByteArray(table) == "TnPwEntry" ? 1 : 0;
}

int DenyEntryInserts(void*, int action, const char* table, const char*, const char*, const char*)
{
    return action == kSqliteInsert && table && QByteArray(table) == "TnPwEntry" ? 1 : 0;
}

bool fileHolds(const QByteArray& bytes, const QString& text)
{
    return bytes.contains(text.toUtf8())
           || bytes.contains(QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2));
}

} // namespace

// ---- layout of a new vault ------------------------------------------------

TEST_F(StoreTest, NewVaultIsEncryptedFromItsFirstByte)
{
    ASSERT_TRUE(g_pSqlite->CloseDB());
    QFile file(m_vaultPath);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ASSERT_GT(bytes.size(), 0);
    EXPECT_FALSE(bytes.startsWith("SQLite format 3"));
    for (const char* text : {"example data", "www.wikipedia.org", "1111@1111.com", "TnPwEntry", "InputFreq"})
        EXPECT_FALSE(fileHolds(bytes, text)) << text;

    CDbSqlite3 unkeyed(m_vaultPath);
    ASSERT_EQ(unkeyed.InitDB(), 0);
    QString err;
    EXPECT_EQ(unkeyed.ExecSQL_W("SELECT count(*) FROM sqlite_master", nullptr, err), kSqliteNotADb);
}

TEST_F(StoreTest, NewVaultHoldsDefaultSettingsThreeExamplesAndTheEmptyPassword)
{
    SqlResultMap rows;
    store().SetAuthorition(1);
    ASSERT_EQ(exec("SELECT * FROM TnPwSettings", &rows), 0);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], (SqlRowMap{{"PasswdSettigsId", "0"}, {"NeedLoginPasswd", "0"}, {"InputFreq", "0"},
                                  {"ShowPasswd", "0"}, {"AutoBackup", "0"}, {"DirectCopy", "0"},
                                  {"ClipboardSecond", "10"}}));

    ASSERT_EQ(exec("SELECT Title, UserName, EntryType, Notes FROM TnPwEntry ORDER BY Title", &rows), 0);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0]["Title"] + "/" + rows[0]["UserName"], "111/111");
    EXPECT_EQ(rows[1]["Title"] + "/" + rows[1]["UserName"], "121/121");
    EXPECT_EQ(rows[2]["Title"] + "/" + rows[2]["UserName"], "132/123");
    for (auto& [i, row] : rows) {
        EXPECT_EQ(row["EntryType"], "Common");
        EXPECT_EQ(row["Notes"], "example data");
    }
    EXPECT_TRUE(g_pSqlite->ConfirmPasswd(QString(), 2));

    StPwSetting st;
    st.iClipboardSecond = -1;
    ASSERT_TRUE(store().GetPasswdSettings(&st, 0));
    EXPECT_EQ(st.bNeedLoginPasswd, 0);
    EXPECT_EQ(st.iClipboardSecond, 10);
    EXPECT_FALSE(store().GetPasswdSettings(&st, 7)) << "no such row";
}

TEST_F(StoreTest, VaultInAMissingFolderIsRefusedWithAMessage)
{
    delete g_pPwSettings;
    delete g_pSqlite;
    g_pSqlite = new CDbSqlite3(path() + "missing/" + g_strDbFile);
    g_pPwSettings = new CPasswdSetting;
    MessageBoxRecorder boxes;
    EXPECT_FALSE(store().CreateDbPasswd());
    ASSERT_EQ(boxes.texts().size(), 1);
    EXPECT_TRUE(boxes.last().contains("missing")) << boxes.last().toStdString();
}

// ---- read guard -------------------------------------------------------------

TEST_F(StoreTest, ReadGuardBlocksOnlyTheInputFrequencyAndOnlyWhileTheFlagIsZero)
{
    ASSERT_EQ(store().GetQueryAuthorization(), 0);
    EXPECT_EQ(exec("SELECT InputFreq FROM TnPwSettings"), kSqliteAuth);
    EXPECT_EQ(exec("SELECT * FROM TnPwSettings"), kSqliteAuth);
    EXPECT_EQ(exec("SELECT PasswdSettigsId, NeedLoginPasswd, ShowPasswd, AutoBackup, DirectCopy, "
                   "ClipboardSecond FROM TnPwSettings"),
              0);
    EXPECT_EQ(exec("SELECT * FROM TnPwEntry"), 0);
    ASSERT_EQ(exec("CREATE TABLE Other(InputFreq INTEGER)"), 0);
    EXPECT_EQ(exec("SELECT InputFreq FROM Other"), 0) << "same column name, other table";
    EXPECT_EQ(exec("UPDATE TnPwSettings SET InputFreq=3"), 0) << "writing is not reading";

    int value = -1;
    EXPECT_TRUE(store().GetPasswdSetting(value, g_strColClipboardSecond));
    EXPECT_EQ(value, 10);
    EXPECT_FALSE(store().GetPasswdSetting(value, g_strColInputFreq));

    StPwSetting st;
    {
        MessageBoxRecorder boxes;
        EXPECT_FALSE(store().GetPasswdSettings(&st, 0));
        ASSERT_EQ(boxes.texts().size(), 1);
        EXPECT_TRUE(boxes.last().contains("ERROR CODE: 23;")) << boxes.last().toStdString();
    }

    store().SetAuthorition(1);
    EXPECT_TRUE(store().GetPasswdSettings(&st, 0));
    EXPECT_EQ(st.iInputFreq, 3);
    EXPECT_TRUE(store().GetPasswdSetting(value, g_strColInputFreq));
    EXPECT_EQ(value, 3);

    store().SetAuthorition(0);
    EXPECT_EQ(exec("SELECT InputFreq FROM TnPwSettings"), kSqliteAuth);
}

TEST_F(StoreTest, LanguageErrorFormatIsFilledWithoutReadingTheErrorTextAsAFormat)
{
    store().SetErrorFormat("Fehler %d: %s");
    MessageBoxRecorder boxes;
    EXPECT_FALSE(store().UpdatePasswdSetting("\"No%sSuch\"", 1));
    ASSERT_EQ(boxes.texts().size(), 1);
    EXPECT_TRUE(boxes.last().startsWith("Fehler 1: ")) << boxes.last().toStdString();
    EXPECT_TRUE(boxes.last().contains("No%sSuch")) << boxes.last().toStdString();
}

// ---- settings ---------------------------------------------------------------

TEST_F(StoreTest, SettingsAreWrittenAndReadBack)
{
    EXPECT_TRUE(store().UpdatePasswdSetting(g_strColClipboardSecond, 45));
    EXPECT_TRUE(store().UpdatePasswdSetting(g_strColAutoBackup, 1));
    EXPECT_TRUE(store().UpdatePasswdSetting(g_strColShowPasswd, 1));
    StPwSetting st;
    st.iInputFreq = FREQ_5_MINUTES;
    EXPECT_EQ(store().UpdateSettingToDB(&st, ST_ITEM_INPUT_FREQ), 0);

    StPwSetting read;
    store().SetAuthorition(1);
    ASSERT_TRUE(store().GetPasswdSettings(&read, 0));
    EXPECT_EQ(read.iClipboardSecond, 45);
    EXPECT_EQ(read.bAutoBackup, 1);
    EXPECT_EQ(read.bShowPasswd, 1);
    EXPECT_EQ(read.bDirectCopy, 0);
    EXPECT_EQ(read.iInputFreq, FREQ_5_MINUTES);

    MessageBoxRecorder boxes;
    EXPECT_NE(store().UpdateSettingToDB(&st, EnumPwStItem(3)), 0) << "an item without a statement is no success";
    EXPECT_EQ(boxes.texts().size(), 1);
}

TEST_F(StoreTest, MasterPasswordMeansLoginIsNeededWhateverTheColumnSays)
{
    store().SetAuthorition(1);
    setMasterPassword("s3cret");
    StPwSetting st;
    ASSERT_TRUE(store().GetPasswdSettings(&st, 0));
    EXPECT_EQ(st.bNeedLoginPasswd, 1);
    EXPECT_TRUE(store().UpdatePasswdSetting(g_strColNeedLoginPasswd, 1));
    ASSERT_TRUE(g_pSqlite->ConfirmAndChangePasswd("s3cret", QString(), 0));
    ASSERT_TRUE(store().GetPasswdSettings(&st, 0));
    EXPECT_EQ(st.bNeedLoginPasswd, 1) << "the column asks for it";
}

TEST_F(StoreTest, SettingReadOnAnUnkeyedConnectionAsksForTheLogin)
{
    setMasterPassword("s3cret");
    // Opened afresh, a wrong password leaves the connection without its key.
    ASSERT_TRUE(g_pSqlite->CloseDB());
    ASSERT_EQ(g_pSqlite->InitDB(), 0);
    ASSERT_FALSE(g_pSqlite->ConfirmPasswd("wrong", 1));
    int value = -1;
    EXPECT_FALSE(store().GetPasswdSetting(value, g_strColClipboardSecond)) << "no prompt installed";
    {
        ScriptedLogin cancel(std::nullopt);
        EXPECT_FALSE(store().GetPasswdSetting(value, g_strColClipboardSecond));
        EXPECT_EQ(cancel.calls(), 1);
    }
    ScriptedLogin ok(QString("s3cret"));
    EXPECT_TRUE(store().GetPasswdSetting(value, g_strColClipboardSecond));
    EXPECT_EQ(value, 10);
    EXPECT_EQ(ok.calls(), 1);
    EXPECT_EQ(ok.lastBackupFlag(), 0);
}

TEST_F(StoreTest, SettingReadWithoutAMasterPasswordReopensWithoutAsking)
{
    ASSERT_FALSE(g_pSqlite->ConfirmPasswd("wrong", 1));
    ScriptedLogin login(std::nullopt);
    int value = -1;
    EXPECT_TRUE(store().GetPasswdSetting(value, g_strColClipboardSecond));
    EXPECT_EQ(value, 10);
    EXPECT_EQ(login.calls(), 0);
}

TEST_F(StoreTest, ConfirmLoginAsksOnlyWhenNotLoggedIn)
{
    {
        ScriptedLogin login{QString()};
        EXPECT_EQ(store().ConfirmLogin(), 0);
        EXPECT_EQ(login.calls(), 0);
    }
    setMasterPassword("s3cret");
    // A wrong password never logs a logged-in vault out; one opened afresh is.
    EXPECT_FALSE(g_pSqlite->ConfirmPasswd("wrong", 1));
    EXPECT_EQ(store().ConfirmLogin(), 0);
    ASSERT_TRUE(g_pSqlite->CloseDB());
    ASSERT_EQ(g_pSqlite->InitDB(), 0);
    ASSERT_FALSE(g_pSqlite->ConfirmPasswd("wrong", 1));
    EXPECT_EQ(store().ConfirmLogin(), -1) << "no prompt installed refuses";
    {
        ScriptedLogin cancel(std::nullopt);
        EXPECT_EQ(store().ConfirmLogin(), -1);
    }
    ScriptedLogin ok(QString("s3cret"));
    EXPECT_EQ(store().ConfirmLogin(), 1);
    EXPECT_EQ(store().ConfirmLogin(), 0);
    EXPECT_EQ(ok.calls(), 1);
}

TEST(PwTypes, GetEnumFreqAcceptsOnlyTheTenFrequencies)
{
    EXPECT_EQ(GetEnumFreq(0), FREQ_LOGIN_ONCE);
    EXPECT_EQ(GetEnumFreq(9), FREQ_1_HOUR);
    EXPECT_EQ(GetEnumFreq(10), -1);
    EXPECT_EQ(GetEnumFreq(-1), -1);
}

// ---- entries and duplicates -------------------------------------------------

TEST_F(StoreTest, AwkwardTextIsStoredAndReadBackExactly)
{
    const ST_PW_ENTRY tricky{"Common",
                             "O'Brien's 100% _bank_ %s %d",
                             "user\\name'; DROP TABLE TnPwEntry; --",
                             "p'a\"s%s_w\\o%%rd",
                             "https://例え.jp/?q=a%20b&x='1'",
                             "ñandú@пример.рф",
                             "Zeile 1\nЗаметка 密码 🔑 \\' ''"};
    ST_PW_ENTRY in = tricky;
    ASSERT_EQ(store().InsertEntry(&in, 0), 0);

    ST_PW_ENTRY out{{}, tricky.strTitle, tricky.strUserName, {}, {}, {}, {}};
    ASSERT_EQ(store().SelectEntry(&out), 1);
    EXPECT_EQ(out, tricky);

    QString passwd = "untouched";
    ASSERT_TRUE(store().SelectPasswd(passwd, tricky.strTitle, tricky.strUserName));
    EXPECT_EQ(passwd, tricky.strPasswd);

    ST_PW_ENTRY wildcard{{}, "O_Brien%", tricky.strUserName, {}, {}, {}, {}};
    EXPECT_EQ(store().SelectEntry(&wildcard), 0) << "text is compared literally";

    PwEntryArray all;
    ASSERT_TRUE(store().SelectAllEntry(&all));
    EXPECT_EQ(all.size(), 4);
    EXPECT_EQ(entryCount(), 4);

    ASSERT_TRUE(store().DeleteEntry(tricky.strTitle, tricky.strUserName));
    EXPECT_EQ(store().SelectEntry(&out), 0);
    EXPECT_EQ(entryCount(), 3);
    EXPECT_TRUE(store().DeleteEntry("nobody", "nobody")) << "deleting nothing is no error";
}

TEST_F(StoreTest, MissingPasswordLeavesTheOutputAlone)
{
    QString passwd = "untouched";
    EXPECT_TRUE(store().SelectPasswd(passwd, "no", "such"));
    EXPECT_EQ(passwd, "untouched");
}

TEST_F(StoreTest, DuplicatePoliciesPlainReplaceRenameSkip)
{
    ST_PW_ENTRY a = entry("A", "u", "old");
    ASSERT_EQ(store().InsertEntry(&a, 0), 0);
    ST_PW_ENTRY aImport = entry("A-Import", "u", "older");
    ASSERT_EQ(store().InsertEntry(&aImport, 0), 0);

    ST_PW_ENTRY plain = entry("A", "u", "new");
    EXPECT_EQ(store().InsertEntry(&plain, 0), -1);
    QString passwd;
    store().SelectPasswd(passwd, "A", "u");
    EXPECT_EQ(passwd, "old");

    ST_PW_ENTRY skip = entry("A", "u", "skipped");
    EXPECT_EQ(store().InsertEntry(&skip, 3), 3);
    store().SelectPasswd(passwd, "A", "u");
    EXPECT_EQ(passwd, "old");

    ST_PW_ENTRY rename = entry("A", "u", "renamed");
    EXPECT_EQ(store().InsertEntry(&rename, 2), 2);
    EXPECT_EQ(rename.strTitle, "A-Import-Import");
    store().SelectPasswd(passwd, "A-Import-Import", "u");
    EXPECT_EQ(passwd, "renamed");
    store().SelectPasswd(passwd, "A-Import", "u");
    EXPECT_EQ(passwd, "older") << "rename never overwrites";

    ST_PW_ENTRY fresh = entry("B", "u", "b");
    EXPECT_EQ(store().InsertEntry(&fresh, 2), 0);
    EXPECT_EQ(fresh.strTitle, "B");

    ST_PW_ENTRY replace = entry("A", "u", "replaced");
    EXPECT_EQ(store().InsertEntry(&replace, 1), 1);
    store().SelectPasswd(passwd, "A", "u");
    EXPECT_EQ(passwd, "replaced");
    EXPECT_EQ(entryCount(), 3 + 4);

    ST_PW_ENTRY other = entry("A", "v");
    EXPECT_EQ(store().InsertEntry(&other, 0), 0) << "same title, other user";
    EXPECT_EQ(store().InsertEntry(nullptr, 0), -1);
    EXPECT_EQ(store().InsertEntry(&other, 5), -1) << "no such policy";
}

TEST_F(StoreTest, FailingDuplicateTestEndsTheInsert)
{
    ST_PW_ENTRY a = entry("A", "u");
    ASSERT_EQ(store().InsertEntry(&a, 0), 0);
    ASSERT_TRUE(g_pSqlite->InsertAuthFunc(&DenyEntryReads, nullptr));
    ST_PW_ENTRY again = entry("A", "u", "new");
    EXPECT_EQ(store().InsertEntry(&again, 1), -1);
    EXPECT_EQ(again.strTitle, "A");
    // Rename and skip learn of the duplicate from the insert itself, without a look-up.
    ST_PW_ENTRY skipped = entry("A", "u", "skipped");
    EXPECT_EQ(store().InsertEntry(&skipped, 3), 3);
    ST_PW_ENTRY renamed = entry("A", "u", "renamed");
    EXPECT_EQ(store().InsertEntry(&renamed, 2), 2);
    EXPECT_EQ(renamed.strTitle, "A-Import");
    g_pSqlite->RemoveAuthFunc(&DenyEntryReads, nullptr);
    QString passwd;
    store().SelectPasswd(passwd, "A", "u");
    EXPECT_EQ(passwd, "pw");
    store().SelectPasswd(passwd, "A-Import", "u");
    EXPECT_EQ(passwd, "renamed");
}

TEST_F(StoreTest, ReplaceWhoseInsertFailsKeepsTheOldEntry)
{
    ST_PW_ENTRY a = entry("A", "u", "keep me");
    ASSERT_EQ(store().InsertEntry(&a, 0), 0);
    ASSERT_TRUE(g_pSqlite->InsertAuthFunc(&DenyEntryInserts, nullptr));
    ST_PW_ENTRY replace = entry("A", "u", "new");
    EXPECT_EQ(store().InsertEntry(&replace, 1), -1);
    g_pSqlite->RemoveAuthFunc(&DenyEntryInserts, nullptr);
    QString passwd;
    ASSERT_TRUE(store().SelectPasswd(passwd, "A", "u"));
    EXPECT_EQ(passwd, "keep me");
}
