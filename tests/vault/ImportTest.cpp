#include <unistd.h>

#include "StoreFixture.h"
#include "support/MessageBoxRecorder.h"

namespace {

constexpr int kSqliteInsert = 18;

// Ends the process while the n-th entry is about to be inserted, as a crash
// or a power cut in the middle of an import would.
int s_insertsBeforeCrash = 0;
int CrashOnInsert(void*, int action, const char* table, const char*, const char*, const char*)
{
    if (action == kSqliteInsert && table && QByteArray(table) == "TnPwEntry" && --s_insertsBeforeCrash <= 0)
        ::_exit(42);
    return 0;
}

class ImportTest : public StoreTest {
protected:
    QString passwordOf(const QString& title, const QString& user)
    {
        QString passwd;
        EXPECT_TRUE(store().SelectPasswd(passwd, title, user));
        return passwd;
    }
};

} // namespace

TEST_F(ImportTest, ForeignVaultIsReadAfterItsLoginAndMergedUnderNewTitles)
{
    auto other = makeOtherVault("other.db",
                                {entry("111", "111", "foreign 1"), entry("121", "121", "foreign 2"),
                                 entry("new", "u", "foreign 3")},
                                "other pw");
    ASSERT_FALSE(other->ConfirmPasswd(QString(), 0));
    QString typed;
    {
        ScriptedLogin login(QString("other pw"));
        ASSERT_EQ(ShowLoginPrompt(other.get(), 1, typed), IDOK);
        EXPECT_EQ(login.lastBackupFlag(), 1);
    }
    EXPECT_EQ(typed, "other pw");

    PwEntryArray entries{entry("stale", "stale")};
    ASSERT_TRUE(store().SelectAllEntry(&entries, other.get()));
    ASSERT_EQ(entries.size(), 3);
    for (const ST_PW_ENTRY& e : entries)
        EXPECT_EQ(e.strEntryType, QString()) << "the entry type is not carried";

    int stored = -1, failed = -1, third = -1;
    EXPECT_EQ(store().InsertEntryArray(stored, failed, third, entries, 2), 0);
    EXPECT_EQ(stored, 3);
    EXPECT_EQ(failed, 0);
    EXPECT_EQ(third, 3);
    EXPECT_EQ(passwordOf("111-Import", "111"), "foreign 1");
    EXPECT_EQ(passwordOf("121-Import", "121"), "foreign 2");
    EXPECT_EQ(passwordOf("new", "u"), "foreign 3");
    EXPECT_EQ(passwordOf("111", "111"), "123") << "the vault's own entry is untouched";
    EXPECT_EQ(entryCount(), 6);
}

TEST_F(ImportTest, ImportingTheSameListAgainRenamesWithoutOverwriting)
{
    PwEntryArray list{entry("A", "u", "1"), entry("A", "u", "2"), entry("A", "u", "3")};
    int stored = 0, failed = 0, third = 0;
    EXPECT_EQ(store().InsertEntryArray(stored, failed, third, list, 2), 0);
    EXPECT_EQ(stored, 3);
    EXPECT_EQ(list[2].strTitle, "A-Import-Import") << "the caller's records carry the stored titles";
    EXPECT_EQ(passwordOf("A", "u"), "1");
    EXPECT_EQ(passwordOf("A-Import", "u"), "2");
    EXPECT_EQ(passwordOf("A-Import-Import", "u"), "3");
}

TEST_F(ImportTest, CountersForEachPolicy)
{
    const PwEntryArray list{entry("111", "111", "dup"), entry("fresh", "u", "f"), entry("132", "123", "dup")};
    struct Case {
        int policy;
        int result, stored, failed;
        QString passwd111;
        int entries;
    };
    for (const Case& c : {Case{0, -1, 1, 2, "123", 4}, Case{1, 0, 3, 0, "dup", 4}, Case{3, 0, 3, 0, "123", 4},
                          Case{2, 0, 3, 0, "123", 6}}) {
        SCOPED_TRACE(c.policy);
        ASSERT_EQ(exec("DELETE FROM TnPwEntry WHERE Title NOT IN ('111','121','132')"), 0);
        ST_PW_ENTRY original = entry("111", "111", "123");
        ASSERT_GE(store().InsertEntry(&original, 1), 0);
        PwEntryArray entries = list;
        int stored = -1, failed = -1, third = -1;
        EXPECT_EQ(store().InsertEntryArray(stored, failed, third, entries, c.policy), c.result);
        EXPECT_EQ(stored, c.stored);
        EXPECT_EQ(failed, c.failed);
        EXPECT_EQ(third, stored);
        EXPECT_EQ(passwordOf("111", "111"), c.passwd111);
        EXPECT_EQ(passwordOf("fresh", "u"), "f") << "a failing entry does not stop the others";
        EXPECT_EQ(entryCount(), c.entries);
    }
}

TEST_F(ImportTest, EmptyListAndEmptyForeignVault)
{
    auto empty = makeOtherVault("empty.db", {});
    PwEntryArray entries{entry("stale", "stale")};
    EXPECT_TRUE(store().SelectAllEntry(&entries, empty.get()));
    EXPECT_TRUE(entries.isEmpty());
    int stored = -1, failed = -1, third = -1;
    EXPECT_EQ(store().InsertEntryArray(stored, failed, third, entries, 2), 0);
    EXPECT_EQ(stored + failed + third, 0);
}

TEST_F(ImportTest, UnreadableForeignVaultIsReportedAndTheListKept)
{
    auto locked = makeOtherVault("locked.db", {entry("x", "y")}, "other pw");
    // Opened afresh: a wrong password leaves it without a key.
    locked->CloseDB();
    ASSERT_EQ(locked->InitDB(), 0);
    ASSERT_FALSE(locked->ConfirmPasswd("wrong", 0));
    PwEntryArray entries{entry("keep", "me")};
    MessageBoxRecorder boxes;
    EXPECT_FALSE(store().SelectAllEntry(&entries, locked.get()));
    ASSERT_EQ(boxes.texts().size(), 1);
    EXPECT_TRUE(boxes.last().contains("ERROR CODE: 26;")) << boxes.last().toStdString();
    EXPECT_EQ(entries.size(), 1);
}

TEST_F(ImportTest, CrashInTheMiddleOfAnImportLeavesTheVaultAsItWas)
{
    GTEST_FLAG_SET(death_test_style, "fast");
    PwEntryArray list;
    const QString notes(1000, QChar('n'));
    for (int i = 0; i < 2000; ++i)
        list.append({{}, QString("imported %1").arg(i), "u", "p", "url", "mail", notes});

    const auto importUntilTheCrash = [&] {
        s_insertsBeforeCrash = 1500;
        g_pSqlite->InsertAuthFunc(&CrashOnInsert, nullptr);
        int stored = 0, failed = 0, third = 0;
        store().InsertEntryArray(stored, failed, third, list, 2);
        ::_exit(0);
    };
    EXPECT_EXIT(importUntilTheCrash(),
        ::testing::ExitedWithCode(42), "");

    ASSERT_TRUE(g_pSqlite->CloseDB());
    ASSERT_EQ(g_pSqlite->InitDB(), 0);
    ASSERT_TRUE(g_pSqlite->ConfirmPasswd(QString(), 0));
    EXPECT_EQ(entryCount(), 3);
    SqlResultMap rows;
    ASSERT_EQ(exec("PRAGMA integrity_check", &rows), 0);
    EXPECT_EQ(rows[0].begin()->second, "ok");
}
