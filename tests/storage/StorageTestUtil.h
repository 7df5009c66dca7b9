#pragma once

#include <memory>
#include <sys/stat.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

#include <sqlcipher/sqlite3.h>

#include "foundation/storage/DbSqlite3.h"
#include "foundation/storage/GlobalSettings.h"
#include "foundation/storage/SysHelpers.h"
#include "support/TempDir.h"

// A low iteration count keeps the many keyed opens of the tests quick; the
// files are still fully encrypted.
constexpr int kTestKdf = 4000;

// A connection of the test's own, outside the wrapper: it checks what is
// really on the disk.
struct RawDb {
    sqlite3* db = nullptr;
    explicit RawDb(const QString& path, int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE)
    {
        sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr);
    }
    ~RawDb() { sqlite3_close_v2(db); }
    RawDb(const RawDb&) = delete;
    RawDb& operator=(const RawDb&) = delete;

    void key(const QByteArray& key, int kdf = kTestKdf)
    {
        sqlite3_key(db, key.constData(), int(key.size()));
        exec(QStringLiteral("PRAGMA cipher_page_size = 4096; PRAGMA kdf_iter = %1").arg(kdf));
    }
    int exec(const QString& sql) { return sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr); }
};

inline QByteArray keyFor(const QString& passwd) { return ("QWRT_5820" + passwd).toUtf8(); }

// Without any key the file must not read as a database.
inline int probeWithoutKey(const QString& path)
{
    RawDb raw(path, SQLITE_OPEN_READONLY);
    return raw.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"));
}

inline int probeWithKey(const QString& path, const QString& passwd, int kdf = kTestKdf)
{
    RawDb raw(path, SQLITE_OPEN_READONLY);
    raw.key(keyFor(passwd), kdf);
    return raw.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"));
}

// The bytes of a database file and of its journal, if one is left.
inline QByteArray bytesOnDisk(const QString& path)
{
    QByteArray bytes;
    for (const QString& name : {path, path + "-journal"}) {
        QFile file(name);
        if (file.open(QIODevice::ReadOnly))
            bytes += file.readAll();
    }
    return bytes;
}

inline bool isPlainSqlite(const QString& path) { return bytesOnDisk(path).startsWith("SQLite format 3"); }

inline unsigned modeOf(const QString& path)
{
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 0777;
}

inline std::unique_ptr<CDbSqlite3> makeDb(const QString& path)
{
    auto db = std::make_unique<CDbSqlite3>(path);
    db->SetKdfIter(kTestKdf);
    return db;
}

// Runs a statement that must succeed.
inline void mustExec(CDbSqlite3& db, const QString& sql, SqlResultMap* rows = nullptr)
{
    QString err;
    ASSERT_EQ(db.ExecSQL_W(sql, rows, err), 0) << sql.toStdString() << ": " << err.toStdString();
}

// The init database as the program makes it on its first run, in g_pSqliteInit
// (with g_strSavedDataPath = dataPath) for the guard's lifetime.
class ScopedInitDb {
public:
    ScopedInitDb(const QString& path, const QString& dataPath)
    {
        g_strSavedDataPath = dataPath;
        CreateFileEveryone(path);
        m_db = makeDb(path);
        g_pSqliteInit = m_db.get();
        m_created = CreateDbInit();
    }
    ~ScopedInitDb()
    {
        g_pSqliteInit = nullptr;
        g_strSavedDataPath.clear();
    }
    ScopedInitDb(const ScopedInitDb&) = delete;
    ScopedInitDb& operator=(const ScopedInitDb&) = delete;

    CDbSqlite3& db() { return *m_db; }
    int created() const { return m_created; }

private:
    std::unique_ptr<CDbSqlite3> m_db;
    int m_created = 0;
};
