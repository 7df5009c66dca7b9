#include <cstdio>
#include <thread>

#include "StorageTestUtil.h"
#include "foundation/storage/SqlText.h"

// A vault kept in step by a sync program is replaced under its name while it
// is open; the connection follows the name, never the orphaned file.
namespace {

class FollowFileTest : public TempDirTest {
protected:
    // A keyed file with a table T holding `value`.
    void makeFile(const QString& name, const QString& passwd, const QString& value)
    {
        auto db = makeDb(file(name));
        ASSERT_EQ(db->InitDB(), 0);
        mustExec(*db, "CREATE TABLE TnDbPasswd(DbPasswdId INTEGER, DbPasswd TEXT, PRIMARY KEY (DbPasswdId))");
        mustExec(*db, "INSERT INTO TnDbPasswd VALUES(0,'')");
        mustExec(*db, "CREATE TABLE T(v TEXT)");
        mustExec(*db, "INSERT INTO T VALUES(" + quoteSqlText(value) + ")");
        ASSERT_EQ(db->ConfirmAndChangePasswd("", passwd, 0), 1);
    }

    std::unique_ptr<CDbSqlite3> openFollowing(const QString& name, const QString& passwd)
    {
        auto db = makeDb(file(name));
        db->SetFollowFile(1);
        EXPECT_EQ(db->ConfirmPasswd(passwd, 0), 1);
        return db;
    }

    // How a sync program delivers: a complete file renamed over the name.
    void deliver(const QString& from, const QString& to)
    {
        ASSERT_EQ(std::rename(QFile::encodeName(file(from)).constData(), QFile::encodeName(file(to)).constData()),
                  0);
    }

    static QStringList values(CDbSqlite3& db, int* code = nullptr)
    {
        SqlResultMap rows;
        QString err;
        const int rc = db.ExecSQL_W("SELECT v FROM T ORDER BY v", &rows, err);
        if (rc && !code)
            ADD_FAILURE() << rc << " " << err.toStdString();
        if (code)
            *code = rc;
        QStringList out;
        for (auto& [n, row] : rows)
            out << row["v"];
        return out;
    }

    // What is really in the file under the name, through a fresh connection.
    QStringList valuesOnDisk(const QString& name, const QString& passwd)
    {
        auto db = makeDb(file(name));
        EXPECT_EQ(db->ConfirmPasswd(passwd, 1), 1);
        return values(*db);
    }
};

TEST_F(FollowFileTest, ReplacedFileIsReadAndWrittenWithTheSameKey)
{
    makeFile("Sqlite.db", "pw", "mine");
    makeFile("incoming.db", "pw", "theirs");
    auto db = openFollowing("Sqlite.db", "pw");
    EXPECT_EQ(values(*db), QStringList{"mine"});
    QString err;
    EXPECT_EQ(db->CheckFile(err), 1);
    const qint64 generation = db->GetOpenGeneration();

    deliver("incoming.db", "Sqlite.db");
    EXPECT_EQ(values(*db), QStringList{"theirs"});
    EXPECT_GT(db->GetOpenGeneration(), generation);
    EXPECT_EQ(db->IsLoggedIn(), 1);

    // A save after the delivery lands in the new file, not the orphan.
    mustExec(*db, "INSERT INTO T VALUES('added')");
    db.reset();
    EXPECT_EQ(valuesOnDisk("Sqlite.db", "pw"), (QStringList{"added", "theirs"}));
}

TEST_F(FollowFileTest, CheckFileOpensTheReplacementBeforeAnyStatement)
{
    makeFile("Sqlite.db", "pw", "mine");
    makeFile("incoming.db", "pw", "theirs");
    auto db = openFollowing("Sqlite.db", "pw");
    deliver("incoming.db", "Sqlite.db");
    QString err;
    EXPECT_EQ(db->CheckFile(err), 0);
    EXPECT_EQ(db->CheckFile(err), 1);
    EXPECT_EQ(values(*db), QStringList{"theirs"});
}

TEST_F(FollowFileTest, ReplacementWithAnotherPasswordLogsOutAndAsksForIt)
{
    makeFile("Sqlite.db", "pw", "mine");
    makeFile("incoming.db", "changed", "theirs");
    auto db = openFollowing("Sqlite.db", "pw");

    // The user cancels the prompt: nothing reads the old file any more.
    int asked = 0;
    db->SetKeyRefusedHandler([&] { ++asked; });
    deliver("incoming.db", "Sqlite.db");
    int code = 0;
    EXPECT_TRUE(values(*db, &code).isEmpty());
    EXPECT_EQ(code, SQLITE_NOTADB);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(db->IsLoggedIn(), 0);

    // The user gives the other computer's password.
    makeFile("again.db", "changed2", "newest");
    db->SetKeyRefusedHandler([&] {
        ++asked;
        EXPECT_EQ(db->ConfirmPasswd("changed2", 0), 1);
    });
    deliver("again.db", "Sqlite.db");
    EXPECT_EQ(values(*db), QStringList{"newest"});
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(db->IsLoggedIn(), 1);
}

TEST_F(FollowFileTest, MissingFileIsWaitedForUntilTheRenameArrives)
{
    makeFile("Sqlite.db", "pw", "mine");
    makeFile("incoming.db", "pw", "theirs");
    auto db = openFollowing("Sqlite.db", "pw");
    db->SetMissingWaitMs(600000);
    ASSERT_TRUE(QFile::remove(file("Sqlite.db")));
    std::thread engine([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        deliver("incoming.db", "Sqlite.db");
    });
    mustExec(*db, "INSERT INTO T VALUES('added')");
    engine.join();
    db.reset();
    EXPECT_EQ(valuesOnDisk("Sqlite.db", "pw"), (QStringList{"added", "theirs"}));
}

TEST_F(FollowFileTest, FileMissingForGoodRefusesWritesAndIsNeverMadeAnew)
{
    makeFile("Sqlite.db", "pw", "mine");
    auto db = openFollowing("Sqlite.db", "pw");
    db->SetMissingWaitMs(0);
    ASSERT_TRUE(QFile::remove(file("Sqlite.db")));

    EXPECT_EQ(values(*db), QStringList{"mine"});
    QString err;
    EXPECT_EQ(db->ExecSQL_W("INSERT INTO T VALUES('lost')", nullptr, err), SQLITE_CANTOPEN);
    EXPECT_TRUE(err.contains("missing")) << err.toStdString();
    EXPECT_EQ(db->Transaction({"INSERT INTO T VALUES('lost')"}, &err), SQLITE_CANTOPEN);
    EXPECT_EQ(db->CheckFile(err), 0);
    EXPECT_NE(db->ConfirmPasswd("pw", 0), 1);
    EXPECT_FALSE(QFile::exists(file("Sqlite.db")));
}

// Replaces the file at the moment a write is compiled: after the check
// before the statement, before the write reaches the disk.
struct ReplaceOnInsert {
    FollowFileTest* test = nullptr;
    std::function<void()> replace;
    static int Auth(void* self, int action, const char*, const char*, const char*, const char*)
    {
        auto* me = static_cast<ReplaceOnInsert*>(self);
        if (action == SQLITE_INSERT && me->replace) {
            auto once = std::move(me->replace);
            me->replace = nullptr;
            once();
        }
        return SQLITE_OK;
    }
};

TEST_F(FollowFileTest, WriteThatMetTheReplacementIsMadeAgainOnTheNewFile)
{
    makeFile("Sqlite.db", "pw", "mine");
    makeFile("in1.db", "pw", "theirs");
    makeFile("in2.db", "pw", "latest");
    auto db = openFollowing("Sqlite.db", "pw");
    ReplaceOnInsert hook;
    db->InsertAuthFunc(&ReplaceOnInsert::Auth, &hook);

    hook.replace = [&] { deliver("in1.db", "Sqlite.db"); };
    mustExec(*db, "INSERT INTO T VALUES('single')");
    EXPECT_EQ(valuesOnDisk("Sqlite.db", "pw"), (QStringList{"single", "theirs"}));

    // A transaction is repeated whole on the new file.
    hook.replace = [&] { deliver("in2.db", "Sqlite.db"); };
    QString err;
    EXPECT_EQ(db->Transaction({"INSERT INTO T VALUES('a')", "INSERT INTO T VALUES('b')"}, &err), 0)
        << err.toStdString();
    EXPECT_EQ(valuesOnDisk("Sqlite.db", "pw"), (QStringList{"a", "b", "latest"}));
}

TEST_F(FollowFileTest, CopyOpensWithTheKeyOfTheOpenVaultOnly)
{
    makeFile("Sqlite.db", "pw", "mine");
    makeFile("copy.db", "pw", "copy");
    makeFile("other.db", "else", "other");
    auto vault = openFollowing("Sqlite.db", "pw");

    auto copy = makeDb(file("copy.db"));
    copy->SetReadOnly(1);
    EXPECT_EQ(copy->ConfirmPasswdLike(*vault), 1);
    EXPECT_EQ(values(*copy), QStringList{"copy"});

    auto other = makeDb(file("other.db"));
    other->SetReadOnly(1);
    EXPECT_EQ(other->ConfirmPasswdLike(*vault), 0);
    int code = 0;
    values(*other, &code);
    EXPECT_NE(code, 0);
}

} // namespace
