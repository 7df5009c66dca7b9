#include <atomic>
#include <sys/stat.h>
#include <thread>

#include <QDir>

#include "StorageTestUtil.h"
#include "foundation/storage/FormatText.h"
#include "foundation/storage/GlobalSettings.h"
#include "foundation/storage/SqlText.h"
#include "support/MessageBoxRecorder.h"

namespace {

const QString kSecret = QStringLiteral("Zebra-Secret-4711");

class DbSqlite3Test : public TempDirTest {
protected:
    // A vault-like file: the password-hash table and one row holding a secret.
    std::unique_ptr<CDbSqlite3> makeVault(const QString& name, const QString& passwd)
    {
        auto db = makeDb(file(name));
        EXPECT_EQ(db->InitDB(), 0);
        mustExec(*db, "CREATE TABLE TnDbPasswd(DbPasswdId INTEGER, DbPasswd TEXT, PRIMARY KEY (DbPasswdId))");
        mustExec(*db, "INSERT INTO TnDbPasswd VALUES(0,'')");
        mustExec(*db, "CREATE TABLE T(v TEXT)");
        mustExec(*db, "INSERT INTO T VALUES(" + quoteSqlText(kSecret) + ")");
        EXPECT_EQ(db->ConfirmAndChangePasswd("", passwd, 0), 1);
        return db;
    }

    // A file written by plain SQLite, as made elsewhere: never keyed.
    QString makePlainVault(const QString& name)
    {
        const QString path = file(name);
        RawDb raw(path);
        EXPECT_EQ(raw.exec("CREATE TABLE TnDbPasswd(DbPasswdId INTEGER, DbPasswd TEXT, PRIMARY KEY (DbPasswdId));"
                           "INSERT INTO TnDbPasswd VALUES(0,'');"
                           "CREATE TABLE T(v TEXT); INSERT INTO T VALUES('" + kSecret + "');"
                           "PRAGMA user_version = 7;"),
                  0);
        return path;
    }

    void expectEncrypted(const QString& path)
    {
        const QByteArray bytes = bytesOnDisk(path);
        EXPECT_FALSE(bytes.isEmpty());
        EXPECT_FALSE(isPlainSqlite(path));
        EXPECT_FALSE(bytes.contains(kSecret.toUtf8()));
        EXPECT_FALSE(bytes.contains("TnDbPasswd"));
        EXPECT_EQ(probeWithoutKey(path), SQLITE_NOTADB);
        EXPECT_EQ(modeOf(path), 0600u);
    }
};

TEST_F(DbSqlite3Test, StatementResultsArriveAsTextRowsAndAreClearedEachCall)
{
    auto db = makeDb(file("a.db"));
    ASSERT_EQ(db->InitDB(), 0);
    mustExec(*db, "CREATE TABLE t(id INTEGER, name TEXT, note TEXT)");
    SqlResultMap rows;
    rows[5]["stale"] = "x";
    mustExec(*db, "INSERT INTO t VALUES(262209, 'a', NULL)", &rows);
    EXPECT_TRUE(rows.empty());

    // Only the first statement of a text runs.
    mustExec(*db, "INSERT INTO t VALUES(2, 'b', 'n'); INSERT INTO t VALUES(3, 'c', 'n')");
    mustExec(*db, "SELECT id, name, note, name AS id FROM t ORDER BY rowid", &rows);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0]["id"], "a"); // the later column of the same name wins
    EXPECT_EQ(rows[0]["note"], "");
    EXPECT_EQ(rows[1]["name"], "b");

    mustExec(*db, "SELECT * FROM t WHERE id = 99", &rows);
    EXPECT_TRUE(rows.empty());

    QString err;
    EXPECT_EQ(db->ExecSQL_W("SELEC nonsense", &rows, err), SQLITE_ERROR);
    EXPECT_TRUE(err.contains("syntax error"));
    EXPECT_EQ(db->ExecSQL("SELECT count(*) AS n FROM t; SELECT 5 AS n", &rows, err), 0);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0]["n"], "2");
    EXPECT_EQ(rows[1]["n"], "5");
}

TEST_F(DbSqlite3Test, NewFileIsPrivateKeyedAndWrittenAtOnce)
{
    const mode_t old = ::umask(0);
    auto db = makeDb(file("new.db"));
    ASSERT_EQ(db->InitDB(), 0);
    ::umask(old);
    mustExec(*db, "CREATE TABLE T(v TEXT)");
    mustExec(*db, "INSERT INTO T VALUES(" + quoteSqlText(kSecret) + ")");
    expectEncrypted(file("new.db"));
    EXPECT_EQ(probeWithKey(file("new.db"), ""), 0);
    // A file that was only opened is not left at 0 bytes (it would take any key).
    auto other = makeDb(file("opened-only.db"));
    ASSERT_EQ(other->InitDB(), 0);
    other.reset();
    EXPECT_GT(QFileInfo(file("opened-only.db")).size(), 0);
    EXPECT_EQ(probeWithKey(file("opened-only.db"), "any key"), SQLITE_NOTADB);
}

TEST_F(DbSqlite3Test, EmptyFileMadeBeforehandIsKeyedOnFirstOpen)
{
    QFile(file("empty.db")).open(QIODevice::WriteOnly);
    auto db = makeDb(file("empty.db"));
    ASSERT_EQ(db->InitDB(), 0);
    EXPECT_EQ(db->ConfirmPasswd("", 1), 1);
    mustExec(*db, "CREATE TABLE T(v TEXT)");
    EXPECT_EQ(probeWithoutKey(file("empty.db")), SQLITE_NOTADB);
}

TEST_F(DbSqlite3Test, KeyedFileOpensOnlyWithItsPassword)
{
    auto db = makeVault("v.db", "pa'ss %s wörd");
    db.reset();
    expectEncrypted(file("v.db"));

    auto again = makeDb(file("v.db"));
    ASSERT_EQ(again->InitDB(), 0);
    EXPECT_EQ(again->ConfirmPasswd("wrong", 1), 0);
    EXPECT_EQ(again->IsLoggedIn(), 0);
    // Open but unkeyed: statements fail as "not a database", not as "closed".
    QString err;
    EXPECT_EQ(again->ExecSQL_W("SELECT * FROM T", nullptr, err), SQLITE_NOTADB);
    EXPECT_EQ(again->ConfirmPasswd("", 1), 0);
    EXPECT_EQ(again->ConfirmPasswd("pa'ss %s wörd", 0), 1);
    EXPECT_EQ(again->IsLoggedIn(), 1);
    SqlResultMap rows;
    mustExec(*again, "SELECT v FROM T", &rows);
    EXPECT_EQ(rows[0]["v"], kSecret);
}

TEST_F(DbSqlite3Test, JournalOfAnOpenTransactionIsEncryptedToo)
{
    auto db = makeVault("v.db", "pw");
    mustExec(*db, "BEGIN");
    mustExec(*db, "UPDATE T SET v='changed'");
    mustExec(*db, "CREATE TABLE Filler(x)");
    ASSERT_TRUE(QFileInfo::exists(file("v.db-journal")));
    EXPECT_EQ(modeOf(file("v.db-journal")), 0600u);
    EXPECT_FALSE(bytesOnDisk(file("v.db")).contains(kSecret.toUtf8()));
    mustExec(*db, "ROLLBACK");
}

TEST_F(DbSqlite3Test, CipherSettingsAreGivenAgainAtEveryOpen)
{
    // A file made with the system's own count opens through the wrapper and
    // with the documented settings, and not with SQLCipher's defaults.
    CDbSqlite3 db(file("d.db"));
    ASSERT_EQ(db.InitDB(), 0);
    mustExec(db, "CREATE TABLE T(v TEXT)");
    ASSERT_EQ(db.CloseDB(), 1);
    EXPECT_EQ(db.ConfirmPasswd("", 1), 1);
    EXPECT_EQ(probeWithKey(file("d.db"), "", CDbSqlite3::s_iDefaultKdfIter), 0);
    RawDb defaults(file("d.db"), SQLITE_OPEN_READONLY);
    const QByteArray key = keyFor("");
    sqlite3_key(defaults.db, key.constData(), int(key.size()));
    EXPECT_EQ(defaults.exec("SELECT count(*) FROM sqlite_master"), SQLITE_NOTADB);
}

TEST_F(DbSqlite3Test, EmptyPasswordOpensPlainAndPrefixKeyedFiles)
{
    const QString plain = makePlainVault("plain.db");
    auto a = makeDb(plain);
    ASSERT_EQ(a->InitDB(), 0);
    EXPECT_EQ(a->ConfirmPasswd("", 1), 1);
    EXPECT_TRUE(isPlainSqlite(plain)); // reading alone changes nothing

    auto b = makeVault("prefix.db", "");
    EXPECT_EQ(b->ConfirmPasswd("", 0), 1);
}

TEST_F(DbSqlite3Test, HashMismatchRefusesWhileTheKeyStillOpened)
{
    auto db = makeVault("v.db", "right");
    mustExec(*db, "UPDATE TnDbPasswd SET DbPasswd=" + quoteSqlText(SHA256("QWRT_5820other")) + " WHERE DbPasswdId=0");
    EXPECT_EQ(db->ConfirmPasswd("right", 0), 0);
    EXPECT_EQ(db->IsLoggedIn(), 1);
    EXPECT_EQ(db->ConfirmPasswd("other", 2), 1);
}

TEST_F(DbSqlite3Test, PasswordChangeOnNeverKeyedFileEncryptsIt)
{
    const QString path = makePlainVault("plain.db");
    ASSERT_TRUE(bytesOnDisk(path).contains(kSecret.toUtf8()));
    auto db = makeDb(path);
    ASSERT_EQ(db->InitDB(), 0);
    ASSERT_EQ(db->ConfirmAndChangePasswd("", "new pw", 0), 1);

    // The object goes on working, keyed.
    SqlResultMap rows;
    mustExec(*db, "PRAGMA user_version", &rows);
    EXPECT_EQ(rows[0]["user_version"], "7");
    mustExec(*db, "INSERT INTO T VALUES('more')");
    db.reset();

    expectEncrypted(path);
    EXPECT_EQ(probeWithKey(path, "new pw"), 0);
    EXPECT_EQ(QDir(this->path()).entryList(QDir::Files | QDir::Hidden), QStringList({"plain.db"}));
    auto again = makeDb(path);
    again->InitDB();
    EXPECT_EQ(again->ConfirmPasswd("new pw", 0), 1);
    EXPECT_EQ(again->ConfirmPasswd("", 0), 0);
}

TEST_F(DbSqlite3Test, KeyOnlyChangeOnNeverKeyedFileEncryptsWithThePrefix)
{
    const QString path = makePlainVault("init.db");
    auto db = makeDb(path);
    db->InitDB();
    ASSERT_EQ(db->ConfirmAndChangePasswd("", "", 1), 1);
    db.reset();
    expectEncrypted(path);
    EXPECT_EQ(probeWithKey(path, ""), 0);
}

TEST_F(DbSqlite3Test, RekeyReplacesTheKeyOfAKeyedFile)
{
    auto db = makeVault("v.db", "first");
    ASSERT_EQ(db->ConfirmAndChangePasswd("first", "second", 0), 1);
    mustExec(*db, "INSERT INTO T VALUES('after')");
    db.reset();
    expectEncrypted(file("v.db"));
    EXPECT_EQ(probeWithKey(file("v.db"), "second"), 0);
    EXPECT_EQ(probeWithKey(file("v.db"), "first"), SQLITE_NOTADB);
    auto again = makeDb(file("v.db"));
    again->InitDB();
    EXPECT_EQ(again->ConfirmPasswd("second", 0), 1);
    EXPECT_EQ(again->ConfirmAndChangePasswd("wrong", "third", 0), 0);
    EXPECT_EQ(probeWithKey(file("v.db"), "second"), 0);
}

TEST_F(DbSqlite3Test, ChangeWhileAnotherConnectionReadsLeavesThatReaderItsSnapshot)
{
    auto db = makeVault("v.db", "old");
    // The new key arrives as a new file: a reader in the middle of a
    // transaction finishes on the old one undisturbed.
    RawDb reader(file("v.db"));
    reader.key(keyFor("old"));
    ASSERT_EQ(reader.exec("BEGIN; SELECT count(*) FROM T;"), 0);
    EXPECT_EQ(db->ConfirmAndChangePasswd("old", "new", 1), 1);
    EXPECT_EQ(reader.exec("SELECT count(*) FROM T; COMMIT;"), 0);
    EXPECT_EQ(probeWithKey(file("v.db"), "new"), 0);
    EXPECT_EQ(probeWithKey(file("v.db"), "old"), SQLITE_NOTADB);
    mustExec(*db, "SELECT * FROM T");
}

TEST_F(DbSqlite3Test, FailedHashUpdateKeepsTheOldPassword)
{
    auto db = makeVault("v.db", "old");
    // The hash has nowhere to go in the new copy: the change is refused whole.
    mustExec(*db, "ALTER TABLE TnDbPasswd RENAME TO Kept");
    mustExec(*db, "CREATE VIEW TnDbPasswd AS SELECT * FROM Kept");
    MessageBoxRecorder boxes;
    EXPECT_EQ(db->ConfirmAndChangePasswd("old", "new", 0), 0);
    ASSERT_EQ(boxes.texts().size(), 1);
    EXPECT_TRUE(boxes.last().startsWith("SQLite Error!\r\nERROR CODE: 1; ERROR MESSAGE: ")) << boxes.last().toStdString();
    EXPECT_EQ(db->ConfirmPasswd("old", 0), 1);
    EXPECT_EQ(probeWithKey(file("v.db"), "old"), 0);
    EXPECT_EQ(QDir(path()).entryList(QDir::Files | QDir::Hidden), QStringList({"v.db"}));
}

TEST_F(DbSqlite3Test, TransactionFailureRollsBackEveryStatement)
{
    auto db = makeDb(file("t.db"));
    db->InitDB();
    mustExec(*db, "CREATE TABLE t(id INTEGER PRIMARY KEY)");
    EXPECT_EQ(db->Transaction({"INSERT INTO t VALUES(1)", "INSERT INTO t VALUES(1)", "INSERT INTO t VALUES(2)"}),
              SQLITE_CONSTRAINT);
    SqlResultMap rows;
    mustExec(*db, "SELECT count(*) AS n FROM t", &rows);
    EXPECT_EQ(rows[0]["n"], "0");
    EXPECT_EQ(db->Transaction({"INSERT INTO t VALUES(1)", "INSERT INTO t VALUES(2)"}), 0);
    mustExec(*db, "SELECT count(*) AS n FROM t", &rows);
    EXPECT_EQ(rows[0]["n"], "2");
    EXPECT_EQ(db->Transaction({}), 0);
    EXPECT_EQ(db->TableExists("t"), 1);
    EXPECT_EQ(db->TableExists("t' OR '1'='1"), 0);
}

// Forgetting what a write left in memory overwrites the connection's scratch
// page with a row that is rolled back: the file, its schema and its folder
// stay as they were, and the connection keeps working.
TEST_F(DbSqlite3Test, ForgettingDecryptedPagesLeavesTheFileAsItWas)
{
    auto db = makeVault("v.db", "pw");
    ASSERT_EQ(db->ConfirmPasswd("pw", 0), 1);
    mustExec(*db, "INSERT INTO T VALUES('written just now')");
    const QByteArray before = bytesOnDisk(file("v.db"));
    db->ForgetDecryptedPages();
    db->ForgetDecryptedPages();  // nothing written since: nothing to do
    EXPECT_EQ(bytesOnDisk(file("v.db")), before);
    EXPECT_EQ(QDir(path()).entryList(QDir::Files | QDir::Hidden), QStringList{"v.db"});
    EXPECT_EQ(db->TableExists("vw_scratch"), 0);
    SqlResultMap rows;
    mustExec(*db, "SELECT count(*) AS n FROM T", &rows);
    EXPECT_EQ(rows[0]["n"], "2");
}

// Answers `answer` for reads of table t, allows everything else.
struct AuthLog {
    int calls = 0;
    int answer = SQLITE_OK;
};

int authA(void* user, int action, const char* table, const char*, const char*, const char*)
{
    auto* log = static_cast<AuthLog*>(user);
    if (action != SQLITE_READ || !table || QByteArray(table) != "t")
        return SQLITE_OK;
    ++log->calls;
    return log->answer;
}
int authB(void* user, int a, const char* b, const char* c, const char* d, const char* e)
{
    return authA(user, a, b, c, d, e);
}
int authC(void* user, int a, const char* b, const char* c, const char* d, const char* e)
{
    return authA(user, a, b, c, d, e);
}

TEST_F(DbSqlite3Test, AuthorizerChainStopsAtTheFirstDenial)
{
    auto db = makeDb(file("a.db"));
    db->InitDB();
    mustExec(*db, "CREATE TABLE t(x)");
    AuthLog first, second, third;
    second.answer = SQLITE_DENY;
    EXPECT_EQ(db->InsertAuthFunc(authA, &first), 1);
    EXPECT_EQ(db->InsertAuthFunc(authA, &third), 0);
    EXPECT_EQ(db->InsertAuthFunc(authB, &second), 1);
    EXPECT_EQ(db->InsertAuthFunc(authC, &third), 1);
    // Registrations live in the object and survive reopening.
    EXPECT_EQ(db->ConfirmPasswd("", 1), 1);
    QString err;
    EXPECT_EQ(db->ExecSQL_W("SELECT x FROM t", nullptr, err), SQLITE_AUTH);
    EXPECT_GT(first.calls, 0);
    EXPECT_GT(second.calls, 0);
    EXPECT_EQ(third.calls, 0);

    EXPECT_EQ(db->RemoveAuthFunc(authB, nullptr), 1);
    EXPECT_EQ(db->RemoveAuthFunc(authB, nullptr), 0);
    mustExec(*db, "SELECT x FROM t");
    EXPECT_GT(third.calls, 0);
}

TEST_F(DbSqlite3Test, QuotedTextIsStoredExactlyAndCannotChangeTheStatement)
{
    auto db = makeDb(file("q.db"));
    db->InitDB();
    mustExec(*db, "CREATE TABLE t(v TEXT)");
    const QStringList values = {"O'Brien", "x'); DROP TABLE t; --", "''", "100% _sure\\", "%s %d"};
    for (const QString& v : values)
        mustExec(*db, FormatText("INSERT INTO t VALUES(%s)", quoteSqlText(v)));
    SqlResultMap rows;
    mustExec(*db, "SELECT v FROM t ORDER BY rowid", &rows);
    ASSERT_EQ(rows.size(), size_t(values.size()));
    for (int i = 0; i < values.size(); ++i)
        EXPECT_EQ(rows[i]["v"], values[i]);

    mustExec(*db, "SELECT v FROM t WHERE v LIKE " + likeContainsLiteral("0% _") + " ESCAPE '\\'", &rows);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0]["v"], "100% _sure\\");
    mustExec(*db, "SELECT v FROM t WHERE v LIKE " + likeContainsLiteral("%") + " ESCAPE '\\'", &rows);
    EXPECT_EQ(rows.size(), 2u);
    mustExec(*db, "SELECT v FROM t WHERE v LIKE " + likeContainsLiteral("'") + " ESCAPE '\\'", &rows);
    EXPECT_EQ(rows.size(), 3u);
}

TEST_F(DbSqlite3Test, TwoThreadsShareOneInstance)
{
    auto db = makeDb(file("mt.db"));
    db->InitDB();
    mustExec(*db, "CREATE TABLE t(thread INTEGER, n INTEGER)");
    mustExec(*db, "PRAGMA synchronous = OFF"); // the test is about sharing, not the disk
    std::atomic<int> mixedUp{0};
    auto work = [&](int id) {
        for (int n = 0; n < 150; ++n) {
            QString err;
            SqlResultMap rows;
            if (db->ExecSQL_W(FormatText("INSERT INTO t VALUES(%d,%d)", id, n), nullptr, err) != 0)
                ++mixedUp;
            if (db->ExecSQL_W(FormatText("SELECT thread, n FROM t WHERE thread=%d", id), &rows, err) != 0 ||
                rows.size() != size_t(n + 1) || rows.rbegin()->second["thread"] != QString::number(id))
                ++mixedUp;
            if (n % 50 == 0 && db->Transaction({FormatText("UPDATE t SET n=n WHERE thread=%d", id)}) != 0)
                ++mixedUp;
        }
    };
    std::thread a(work, 1), b(work, 2);
    a.join();
    b.join();
    EXPECT_EQ(mixedUp.load(), 0);
    SqlResultMap rows;
    mustExec(*db, "SELECT count(*) AS n FROM t", &rows);
    EXPECT_EQ(rows[0]["n"], "300");
}

TEST_F(DbSqlite3Test, CopyNeverOverwritesAndLeavesNothingOnFailure)
{
    auto db = makeVault("v.db", "pw");
    {
        QFile existing(file("backup.db"));
        ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
        existing.write("keep me");
    }
    EXPECT_EQ(db->CopyDbFileTo(file("backup.db")), 0);
    QFile kept(file("backup.db"));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), "keep me");

    EXPECT_EQ(db->CopyDbFileTo(file("missing/backup.db")), 0);
    EXPECT_FALSE(QFileInfo::exists(file("missing")));

    // Not in the middle of a transaction of this connection.
    mustExec(*db, "BEGIN");
    EXPECT_EQ(db->CopyDbFileTo(file("mid.db")), 0);
    mustExec(*db, "ROLLBACK");

    EXPECT_EQ(db->CopyDbFileTo(file("copy.db")), 1);
    EXPECT_EQ(probeWithKey(file("copy.db"), "pw"), 0);
    EXPECT_EQ(modeOf(file("copy.db")), 0600u);
    EXPECT_EQ(QDir(path()).entryList(QDir::Files | QDir::Hidden),
              QStringList({"backup.db", "copy.db", "v.db"}));
}

TEST_F(DbSqlite3Test, CopyWhileAnotherThreadWritesIsConsistent)
{
    auto db = makeVault("v.db", "pw");
    mustExec(*db, "CREATE TABLE w(batch INTEGER, filler TEXT)");
    std::atomic<bool> stop{false};
    std::atomic<int> batches{0};
    std::thread writer([&] {
        for (int b = 0; !stop; ++b) {
            // Batches of many pages make a commit long enough for a torn copy.
            QStringList batch;
            for (int i = 0; i < 10; ++i)
                batch << FormatText("INSERT INTO w VALUES(%d, hex(randomblob(3000)))", b);
            if (db->Transaction(batch) == 0)
                ++batches;
        }
    });
    QStringList copies;
    for (int i = 0; i < 24; ++i) {
        // Each copy waits for a new batch, so the writer is busy meanwhile.
        for (const int seen = batches; batches == seen;)
            std::this_thread::yield();
        const QString copy = file(QStringLiteral("copy%1.db").arg(i));
        if (db->CopyDbFileTo(copy) == 1)
            copies << copy;
    }
    stop = true;
    writer.join();
    EXPECT_GT(batches.load(), 0);
    ASSERT_EQ(copies.size(), 24);
    for (const QString& copy : copies) {
        auto check = makeDb(copy);
        ASSERT_EQ(check->InitDB(), 0);
        ASSERT_EQ(check->ConfirmPasswd("pw", 0), 1);
        SqlResultMap rows;
        mustExec(*check, "PRAGMA integrity_check", &rows);
        EXPECT_EQ(rows[0]["integrity_check"], "ok");
        mustExec(*check, "SELECT count(*) AS n FROM w", &rows);
        EXPECT_EQ(rows[0]["n"].toInt() % 10, 0); // whole transactions only
    }
}

TEST(Sha256, ThirtyTwoCopiesOfUtf16LeInLowercaseHex)
{
    // sha256(("QWRT_5820" + "pw").encode("utf-16-le") * 32)
    EXPECT_EQ(SHA256("QWRT_5820pw"), "1627402bf95dbd705c67a6cbcbf149196041feb7a519fc3c5b1883ab08d6dd06");
    EXPECT_EQ(SHA256("QWRT_5820pw", 32), SHA256("QWRT_5820pw", 0));
    EXPECT_NE(SHA256("QWRT_5820pw", 1), SHA256("QWRT_5820pw", 32));
    EXPECT_EQ(SHA256("QWRT_5820w\u00f6rd"), "6510af8be154c552e784ff9cc354dac26f857cdb803716cdae377dde831dbd34");
    EXPECT_EQ(SHA256("abc", 1), "13e228567e8249fce53337f25d7970de3bd68ab2653424c7b8f9fd05e33caedf");
}

} // namespace
