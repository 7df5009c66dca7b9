#include "foundation/storage/DbSqlite3.h"

#include <malloc.h>
#include <string.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <thread>

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryFile>

#include <sqlcipher/sqlite3.h>

#include "foundation/storage/FormatText.h"
#include "foundation/storage/GlobalSettings.h"
#include "foundation/storage/Secret.h"
#include "foundation/storage/SqlText.h"
#include "platform/Files.h"
#include "platform/MessageBox.h"

namespace {

// Put in front of every password before it keys a file or is hashed, so the
// empty password still gives a key.
const QString s_strKeyPrefix = QStringLiteral("QWRT_5820");
const QString s_strSqlErrorFormat = QStringLiteral("SQLite Error!\r\nERROR CODE: %d; ERROR MESSAGE: %s!");
const QString s_strProbeSql = QStringLiteral("SELECT count(*) as TableCount FROM sqlite_master");

// The key material lives only as long as the statement that uses it.
// The stored hash of a password; the texts made on the way are overwritten.
QString hashOf(const QString& passwd)
{
    QString text = s_strKeyPrefix + passwd;
    const QString hash = SHA256(text);
    WipeSecret(text);
    return hash;
}

WipedBytes keyOf(const QString& passwd)
{
    QString text = s_strKeyPrefix + passwd;
    WipedBytes key(text.toUtf8());
    WipeSecret(text);
    return key;
}

// The key is kept between uses (to key a connection to a replaced file)
// under a random pad of its own length, pad first: the key text is in memory
// only while a connection is keyed with it.
WipedBytes maskKey(const QByteArray& key)
{
    const qsizetype n = key.size();
    QByteArray kept(2 * n, Qt::Uninitialized);
    QRandomGenerator* random = QRandomGenerator::system();
    for (qsizetype i = 0; i < n; ++i) {
        kept[i] = char(random->generate());
        kept[n + i] = char(key[i] ^ kept[i]);
    }
    return WipedBytes(std::move(kept));
}

WipedBytes unmaskKey(const QByteArray& kept)
{
    const qsizetype n = kept.size() / 2;
    QByteArray key(n, Qt::Uninitialized);
    for (qsizetype i = 0; i < n; ++i)
        key[i] = char(kept[i] ^ kept[n + i]);
    return WipedBytes(std::move(key));
}

struct StmtDeleter {
    void operator()(sqlite3_stmt* stmt) const { sqlite3_finalize(stmt); }
};
using StmtPtr = std::unique_ptr<sqlite3_stmt, StmtDeleter>;

QString fromUtf16(const void* text)
{
    return text ? QString::fromUtf16(static_cast<const char16_t*>(text)) : QString();
}

// A file SQLite wrote without encryption starts with its plain header.
bool isPlainDatabaseFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(16) == QByteArray("SQLite format 3", 16);
}

bool isMissingOrEmpty(const QString& path)
{
    const QFileInfo info(path);
    return !info.exists() || (info.isFile() && info.size() == 0);
}

} // namespace

namespace {

// SQLite's memory, page cache included, holds decrypted pages: every block
// is overwritten before it goes back to the heap, so no freed page keeps a
// password. Installed once, before SQLite starts.
void* WipingMalloc(int size) { return std::malloc(std::size_t(size)); }
void WipingFree(void* p)
{
    if (p)
        explicit_bzero(p, malloc_usable_size(p));
    std::free(p);
}
void* WipingRealloc(void* p, int size)
{
    void* moved = std::malloc(std::size_t(size));
    if (moved && p)
        std::memcpy(moved, p, std::min(malloc_usable_size(p), std::size_t(size)));
    if (moved)
        WipingFree(p);
    return moved;
}
int WipingSize(void* p) { return p ? int(malloc_usable_size(p)) : 0; }
int WipingRoundup(int size) { return (size + 7) & ~7; }
int WipingInit(void*) { return SQLITE_OK; }
void WipingShutdown(void*) {}

void InstallWipingAllocator()
{
    static std::once_flag once;
    std::call_once(once, [] {
        static const sqlite3_mem_methods methods = {WipingMalloc, WipingFree,    WipingRealloc, WipingSize,
                                                    WipingRoundup, WipingInit, WipingShutdown, nullptr};
        sqlite3_config(SQLITE_CONFIG_MALLOC, &methods);
    });
}

} // namespace

CDbSqlite3::CDbSqlite3(const QString& pathFile) : m_strPathFile(pathFile)
{
    InstallWipingAllocator();
}

EnumDbFile CDbSqlite3::InspectFile(const QString& pathFile)
{
    const QFileInfo info(pathFile);
    if (!info.exists())
        return DBFILE_MISSING;
    if (!info.isFile())
        return DBFILE_DAMAGED;
    if (info.size() == 0)
        return DBFILE_EMPTY;
    if (isPlainDatabaseFile(pathFile))
        return DBFILE_PLAIN;
    // An encrypted file is whole pages (512 bytes at the least) of what looks
    // like noise; without the key nothing more can be told.
    return info.size() % 512 == 0 ? DBFILE_ENCRYPTED : DBFILE_DAMAGED;
}

void CDbSqlite3::SetReadOnly(int readOnly)
{
    std::lock_guard guard(m_lock);
    m_bReadOnly = readOnly ? 1 : 0;
}

CDbSqlite3::~CDbSqlite3()
{
    std::lock_guard guard(m_lock);
    m_arrAuthParam.clear();
    if (m_pDb)
        sqlite3_close_v2(m_pDb);
}

void CDbSqlite3::SetPathFile(const QString& pathFile)
{
    std::lock_guard guard(m_lock);
    if (pathFile != m_strPathFile)
        m_bOpenKnown = false;
    m_strPathFile = pathFile;
}

QString CDbSqlite3::GetPathFile() const
{
    std::lock_guard guard(m_lock);
    return m_strPathFile;
}

int CDbSqlite3::IsLoggedIn() const
{
    std::lock_guard guard(m_lock);
    return m_bLoggedIn;
}

std::recursive_mutex& CDbSqlite3::GetLock() { return m_lock; }

void CDbSqlite3::ForgetDecryptedPages()
{
    std::lock_guard guard(m_lock);
    if (!m_pDb)
        return;
    QString err;
    // A write builds each new row in a scratch page that the connection keeps
    // until it closes. A row of zeros built there, in a transaction that is
    // then rolled back, overwrites the last written entry; nothing reaches
    // the file. Skipped when nothing was written since the last time.
    if (sqlite3_total_changes(m_pDb) != m_iWipedChanges && sqlite3_get_autocommit(m_pDb)) {
        m_bAuthBypass = true;
        if (ExecSQL_W(QStringLiteral("BEGIN"), nullptr, err) == SQLITE_OK) {
            ExecSQL_W(QStringLiteral("CREATE TABLE vw_scratch(x)"), nullptr, err);
            // A record as long as the most a page of the cipher keeps in place.
            ExecSQL_W(QStringLiteral("INSERT INTO vw_scratch VALUES(zeroblob(3970))"), nullptr, err);
            ExecSQL_W(QStringLiteral("ROLLBACK"), nullptr, err);
        }
        m_bAuthBypass = false;
        m_iWipedChanges = sqlite3_total_changes(m_pDb);
    }
    // A cache of no pages gives back every page, also those a write left.
    SqlResultMap rows;
    ExecSQL_W(QStringLiteral("PRAGMA cache_size"), &rows, err);
    const QString size = rows.empty() ? QString() : rows[0].begin()->second;
    ExecSQL_W(QStringLiteral("PRAGMA cache_size = 0"), nullptr, err);
    ExecSQL_W(QStringLiteral("PRAGMA shrink_memory"), nullptr, err);
    if (!size.isEmpty())
        ExecSQL_W(QStringLiteral("PRAGMA cache_size = %1").arg(size.toLongLong()), nullptr, err);
    ExecSQL_W(QStringLiteral("SELECT count(*) FROM sqlite_master"), nullptr, err);
}

void CDbSqlite3::SetKdfIter(int kdfIter)
{
    std::lock_guard guard(m_lock);
    m_iKdfIter = kdfIter;
}

int CDbSqlite3::InitDB()
{
    std::lock_guard guard(m_lock);
    if (m_pDb)
        CloseDB();
    if (m_pDb) {
        // SQLite refused to close; let it close once nothing uses it any more.
        sqlite3_close_v2(m_pDb);
        m_pDb = nullptr;
    }
    if (m_bReadOnly) {
        sqlite3* db = nullptr;
        const int rc = sqlite3_open_v2(QFile::encodeName(m_strPathFile).constData(), &db, SQLITE_OPEN_READONLY,
                                       nullptr);
        if (rc != SQLITE_OK) {
            sqlite3_close(db);
            return rc;
        }
        m_pDb = db;
        sqlite3_set_authorizer(m_pDb, &CDbSqlite3::AuthDispatch, this);
        RememberOpenFile();
        return SQLITE_OK;
    }
    // A new file is private from its first byte, and is keyed and written
    // before anyone else gets to run a statement on it: a keyed file left at
    // 0 bytes would accept any key later, and a plain one would stay plain.
    // A file that was open before and is gone now is on its way back from a
    // sync program: a new empty vault in its place would be synced over the
    // real one.
    if (m_bFollow && m_bOpenKnown && !platform::FileExists(m_strPathFile)) {
        platform::FileIdentity id;
        if (!WaitForFile(id))
            return SQLITE_CANTOPEN;
    }
    const bool isNew = isMissingOrEmpty(m_strPathFile);
    const bool createdHere = isNew && !platform::FileExists(m_strPathFile) &&
                             platform::CreateOwnerOnlyFile(m_strPathFile);

    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(m_strPathFile).constData(), &db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_close(db);
        return rc;
    }
    m_pDb = db;
    sqlite3_set_authorizer(m_pDb, &CDbSqlite3::AuthDispatch, this);
    RememberOpenFile();
    if (isNew) {
        QString errText;
        const WipedBytes key = keyOf(QString());
        int code = KeyConnection(key);
        if (code == SQLITE_OK)
            code = ExecSQL_W(QStringLiteral("PRAGMA user_version = 0"), nullptr, errText);
        if (code != SQLITE_OK) {
            sqlite3_close_v2(m_pDb);
            m_pDb = nullptr;
            if (createdHere)
                platform::RemoveFile(m_strPathFile);
            return code;
        }
        RememberKey(key);
    }
    return SQLITE_OK;
}

void CDbSqlite3::RememberOpenFile()
{
    m_bOpenKnown = platform::GetFileIdentity(m_strPathFile, m_openId);
    m_bFileMissing = false;
    ++m_iGeneration;
}

void CDbSqlite3::RememberKey(const QByteArray& key)
{
    m_key = std::make_unique<WipedBytes>(maskKey(key));
}

void CDbSqlite3::SetFollowFile(int follow)
{
    std::lock_guard guard(m_lock);
    m_bFollow = follow ? 1 : 0;
}

void CDbSqlite3::SetKeyRefusedHandler(std::function<void()> handler)
{
    std::lock_guard guard(m_lock);
    m_fnKeyRefused = std::move(handler);
}

void CDbSqlite3::SetMissingWaitMs(int ms)
{
    std::lock_guard guard(m_lock);
    m_iMissingWaitMs = ms;
}

qint64 CDbSqlite3::GetOpenGeneration() const
{
    std::lock_guard guard(m_lock);
    return m_iGeneration;
}

bool CDbSqlite3::WaitForFile(platform::FileIdentity& id) const
{
    // Measured with a sync program: the name is missing for well under a
    // second between its delete and its rename.
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(m_iMissingWaitMs);
    for (;;) {
        if (platform::GetFileIdentity(m_strPathFile, id))
            return true;
        if (std::chrono::steady_clock::now() >= until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

int CDbSqlite3::CheckFile(QString& errText)
{
    std::lock_guard guard(m_lock);
    if (!m_bFollow || !m_pDb || m_bFollowing || !sqlite3_get_autocommit(m_pDb))
        return 1;
    const qint64 before = m_iGeneration;
    const int code = FollowFile(errText);
    return code == SQLITE_OK && before == m_iGeneration && !m_bFileMissing ? 1 : 0;
}

int CDbSqlite3::FollowFile(QString& errText)
{
    if (!m_bOpenKnown)
        return SQLITE_OK;
    platform::FileIdentity now;
    bool exists = platform::GetFileIdentity(m_strPathFile, now);
    if (exists && now == m_openId) {
        m_bFileMissing = false;
        return SQLITE_OK;
    }
    if (!exists) {
        // Waited once already: a file deleted for good costs no more waits.
        if (m_bFileMissing || !WaitForFile(now)) {
            m_bFileMissing = true;
            return SQLITE_OK;
        }
    }
    m_bFileMissing = false;
    if (now == m_openId)
        return SQLITE_OK;
    m_bFollowing = true;
    const int code = OpenReplacement(errText);
    m_bFollowing = false;
    return code;
}

int CDbSqlite3::OpenReplacement(QString& errText)
{
    const int flags = m_bReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
    sqlite3* fresh = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(m_strPathFile).constData(), &fresh, flags, nullptr) != SQLITE_OK) {
        sqlite3_close(fresh);
        errText = FormatText("The vault file \"%s\" was replaced, and the new file cannot be opened.", m_strPathFile);
        return SQLITE_CANTOPEN;
    }
    sqlite3* const old = m_pDb;
    m_pDb = fresh;
    const bool opened = (!m_key || KeyConnection(unmaskKey(*m_key)) == SQLITE_OK) && Probe();
    if (opened) {
        sqlite3_set_authorizer(m_pDb, &CDbSqlite3::AuthDispatch, this);
        sqlite3_close_v2(old);
        RememberOpenFile();
        // The page on record names the file now under the name.
        RememberKeyPage();
        return SQLITE_OK;
    }
    // Another master password keys the new file (changed on the other
    // computer): log out, so that nothing reads or writes the old file, and
    // let the handler ask for it.
    sqlite3_close(fresh);
    m_pDb = old;
    if (!CloseDB()) {
        sqlite3_close_v2(m_pDb);
        m_pDb = nullptr;
    }
    m_bLoggedIn = 0;
    m_key.reset();
    InitDB();
    if (m_fnKeyRefused)
        m_fnKeyRefused();
    if (m_pDb && m_bLoggedIn)
        return SQLITE_OK;
    errText = FormatText("The vault file \"%s\" was replaced by one that another master password opens.",
                         m_strPathFile);
    return SQLITE_NOTADB;
}

int CDbSqlite3::CloseDB()
{
    std::lock_guard guard(m_lock);
    if (sqlite3_close(m_pDb) != SQLITE_OK) {
        platform::ShowMessageBox(FormatText("Close sqlite3 DataBase \"%s\" Failed", m_strPathFile));
        return 0;
    }
    m_pDb = nullptr;
    m_bLoggedIn = 0;
    return 1;
}

int CDbSqlite3::KeyConnection(const QByteArray& key)
{
    if (sqlite3_key(m_pDb, key.constData(), static_cast<int>(key.size())) != SQLITE_OK)
        return SQLITE_ERROR;
    // SQLCipher forgets the cipher settings with every open.
    QString errText;
    const int code = ExecSQL_W(FormatText("PRAGMA cipher_page_size = %d", s_iCipherPageSize), nullptr, errText);
    if (code != SQLITE_OK)
        return code;
    if (const int kdf = ExecSQL_W(FormatText("PRAGMA kdf_iter = %d", m_iKdfIter), nullptr, errText))
        return kdf;
    // Without an answer here the process got an SQLite without encryption,
    // and every "encrypted" file would be written in plain text.
    SqlResultMap rows;
    if (ExecSQL_W(QStringLiteral("PRAGMA cipher_version"), &rows, errText) != SQLITE_OK || rows.empty()) {
        platform::ShowMessageBox(QStringLiteral("The SQLite library in use cannot encrypt. "
                                                "No database is opened, to keep your data from being written unencrypted."));
        return SQLITE_ERROR;
    }
    return SQLITE_OK;
}

int CDbSqlite3::Probe()
{
    QString errText;
    return ExecSQL_W(s_strProbeSql, nullptr, errText) == SQLITE_OK ? 1 : 0;
}

int CDbSqlite3::ExecSQL_W(const QString& sql, SqlResultMap* result, QString& errText)
{
    std::lock_guard guard(m_lock);
    m_pResult = result;
    if (m_pResult)
        m_pResult->clear();
    // Column names are read once and shared by every row; each row is then
    // built in key order, so a search of thousands of rows costs little more
    // than the statement itself. A name given twice keeps its later column.
    std::map<QString, int> columnOfName;
    int row = 0;
    // The rows' own target: opening a replaced file on the way runs
    // statements of its own, which reset m_pResult.
    SqlResultMap* const out = result;
    const int code = Run(
        sql,
        [&](sqlite3_stmt* stmt) {
            const int columns = sqlite3_column_count(stmt);
            for (int c = 0; c < columns; ++c)
                columnOfName[fromUtf16(sqlite3_column_name16(stmt, c))] = c;
        },
        [&](const SqlRowView& view) {
            if (!out)
                return;
            SqlRowMap values;
            for (const auto& [name, c] : columnOfName) {
                const char* text = view.texts[c];
                values.emplace_hint(values.end(), name, textFromSql(text, view.sizes[c]));
            }
            out->emplace_hint(out->end(), row++, std::move(values));
        },
        errText);
    m_pResult = nullptr;
    return code;
}

int CDbSqlite3::ExecSQL_Visit(const QString& sql, const std::function<void(const SqlRowView&)>& visit,
                              QString& errText)
{
    std::lock_guard guard(m_lock);
    return Run(sql, nullptr, visit, errText);
}

int CDbSqlite3::Run(const QString& sql, const std::function<void(sqlite3_stmt*)>& prepared,
                    const std::function<void(const SqlRowView&)>& visit, QString& errText)
{
    if (!m_pDb) {
        errText = QStringLiteral("no database is open");
        return SQLITE_MISUSE;
    }
    const bool follow = m_bFollow && !m_bFollowing && !m_bAuthBypass;
    const bool inTransaction = !sqlite3_get_autocommit(m_pDb);
    if (follow && !inTransaction) {
        if (const int code = FollowFile(errText))
            return code;
        if (!m_pDb) {
            errText = QStringLiteral("no database is open");
            return SQLITE_MISUSE;
        }
    }
    sqlite3_stmt* raw = nullptr;
    int code = sqlite3_prepare16_v2(m_pDb, sql.utf16(), static_cast<int>(sql.size() * 2), &raw, nullptr);
    StmtPtr stmt(raw);
    const bool writes = stmt && !sqlite3_stmt_readonly(stmt.get());
    if (code == SQLITE_OK && writes && m_bFileMissing) {
        // The open file is no longer under its name: what is written into it
        // would be lost.
        errText = FormatText("The vault file \"%s\" is missing; nothing was written.", m_strPathFile);
        return SQLITE_CANTOPEN;
    }
    if (code == SQLITE_OK && stmt) {
        if (prepared)
            prepared(stmt.get());
        const int columns = sqlite3_column_count(stmt.get());
        std::vector<const char*> texts(std::size_t(columns), nullptr);
        std::vector<int> sizes(std::size_t(columns), 0);
        while ((code = sqlite3_step(stmt.get())) == SQLITE_ROW) {
            if (!visit)
                continue;
            for (int c = 0; c < columns; ++c) {
                texts[std::size_t(c)] = reinterpret_cast<const char*>(sqlite3_column_text(stmt.get(), c));
                sizes[std::size_t(c)] = sqlite3_column_bytes(stmt.get(), c);
            }
            visit(SqlRowView{columns, texts.data(), sizes.data()});
        }
        if (code == SQLITE_DONE)
            code = SQLITE_OK;
    }
    stmt.reset();
    // SQLite refuses to write into a file that was moved away under it.
    const bool moved = code != SQLITE_OK && sqlite3_extended_errcode(m_pDb) == SQLITE_READONLY_DBMOVED;
    if (code != SQLITE_OK)
        errText = fromUtf16(sqlite3_errmsg16(m_pDb));
    // A write that met the replacement of the file (refused, or gone into
    // the file no longer under the name) is made again on the new file when
    // it was a statement of its own. Inside a transaction the connection
    // stays, and the failure tells its owner to run it again.
    const bool ended = sqlite3_get_autocommit(m_pDb);
    if (follow && ended && m_bOpenKnown && (moved || (code == SQLITE_OK && (writes || inTransaction)))) {
        platform::FileIdentity now;
        if (moved || !platform::GetFileIdentity(m_strPathFile, now) || !(now == m_openId)) {
            if (const int followed = FollowFile(errText))
                return followed;
            if (m_bFileMissing) {
                errText = FormatText("The vault file \"%s\" is missing; nothing was written.", m_strPathFile);
                return SQLITE_CANTOPEN;
            }
            if (!inTransaction && !m_bRetrying) {
                m_bRetrying = true;
                const int again = Run(sql, prepared, visit, errText);
                m_bRetrying = false;
                return again;
            }
            errText = FormatText("The vault file \"%s\" was replaced while this was being saved; please save again.",
                                 m_strPathFile);
            return SQLITE_IOERR;
        }
    }
    return code;
}

int CDbSqlite3::ExecSQL_Bound(const QString& sql, const QStringList& values, QString& errText)
{
    std::lock_guard guard(m_lock);
    // What quoteSqlText does to a literal: an unpaired surrogate or a NUL is
    // stored as U+FFFD. Only such a value is copied, and the copy overwritten.
    std::vector<QString> cleaned(std::size_t(values.size()));
    const auto valueAt = [&](qsizetype i) -> const QString& {
        const QString& v = values[i];
        const auto valid = [&](qsizetype k) {
            return v[k].isHighSurrogate() && k + 1 < v.size() && v[k + 1].isLowSurrogate();
        };
        bool clean = true;
        for (qsizetype k = 0; clean && k < v.size(); ++k) {
            if (valid(k))
                ++k;
            else if (v[k].isSurrogate() || v[k].isNull())
                clean = false;
        }
        if (clean)
            return v;
        QString& copy = cleaned[std::size_t(i)];
        copy.reserve(v.size());
        for (qsizetype k = 0; k < v.size(); ++k) {
            if (valid(k)) {
                copy += v[k];
                copy += v[++k];
            } else {
                copy += v[k].isSurrogate() || v[k].isNull() ? QChar(QChar::ReplacementCharacter) : v[k];
            }
        }
        return copy;
    };
    // Bound as UTF-8: SQLite takes a leading U+FEFF of UTF-16 for a byte-order
    // mark and drops it. The converted bytes are overwritten afterwards.
    std::vector<WipedBytes> utf8;
    utf8.reserve(std::size_t(values.size()));
    for (qsizetype i = 0; i < values.size(); ++i)
        utf8.emplace_back(valueAt(i).toUtf8());
    for (QString& copy : cleaned)
        WipeSecret(copy);
    return Run(
        sql,
        [&](sqlite3_stmt* stmt) {
            for (std::size_t i = 0; i < utf8.size(); ++i)
                sqlite3_bind_text(stmt, int(i + 1), utf8[i].constData(), int(utf8[i].size()), SQLITE_STATIC);
        },
        nullptr, errText);
}

int CDbSqlite3::ExecCallback(void* self, int argc, char** values, char** names)
{
    auto* db = static_cast<CDbSqlite3*>(self);
    SqlRowMap row;
    for (int i = 0; i < argc; ++i)
        row[c2w(names[i])] = c2w(values[i]);
    if (db->m_pResult)
        (*db->m_pResult)[db->m_nRowIndex] = std::move(row);
    ++db->m_nRowIndex;
    return 0;
}

int CDbSqlite3::ExecSQL(const QByteArray& sql, SqlResultMap* result, QString& errText)
{
    std::lock_guard guard(m_lock);
    m_pResult = result;
    if (m_pResult)
        m_pResult->clear();
    errText.clear();
    m_nRowIndex = 0;
    if (!m_pDb) {
        m_pResult = nullptr;
        errText = QStringLiteral("no database is open");
        return SQLITE_MISUSE;
    }
    char* error = nullptr;
    const int code = sqlite3_exec(m_pDb, sql.constData(), &CDbSqlite3::ExecCallback, this, &error);
    if (error) {
        errText = c2w(error);
        sqlite3_free(error);
    }
    m_pResult = nullptr;
    return code;
}

int CDbSqlite3::Transaction(const QStringList& sqls, QString* failure)
{
    std::lock_guard guard(m_lock);
    // A file replaced while the transaction was written took its work with
    // it (the commit says so): once more, on the file now under the name.
    const qint64 generation = m_iGeneration;
    const int code = TransactionOnce(sqls, failure);
    if ((code & 0xff) != SQLITE_IOERR && (code & 0xff) != SQLITE_READONLY)
        return code;
    QString errText;
    CheckFile(errText);
    return generation != m_iGeneration && m_pDb && m_bLoggedIn ? TransactionOnce(sqls, failure) : code;
}

int CDbSqlite3::TransactionOnce(const QStringList& sqls, QString* failure)
{
    QString errText;
    int code = ExecSQL_W(QStringLiteral("BEGIN"), nullptr, errText);
    // Without a transaction the statements would each commit on their own.
    if (code != SQLITE_OK) {
        if (failure)
            *failure = errText;
        return code;
    }
    SqlResultMap discarded;
    for (const QString& sql : sqls) {
        code = ExecSQL_W(sql, &discarded, errText);
        if (code != SQLITE_OK)
            break;
    }
    if (code == SQLITE_OK) {
        // A failed COMMIT (disk full, busy) is a failed transaction.
        code = ExecSQL_W(QStringLiteral("COMMIT"), nullptr, errText);
        if (code == SQLITE_OK)
            return SQLITE_OK;
    }
    if (failure)
        *failure = errText;
    QString rollbackErr;
    ExecSQL_W(QStringLiteral("ROLLBACK"), nullptr, rollbackErr);
    return code;
}

int CDbSqlite3::TableExists(const QString& table)
{
    SqlResultMap rows;
    QString errText;
    if (ExecSQL_W(FormatText("SELECT count(*) as TableCount FROM sqlite_master WHERE type='table' AND name=%s",
                             quoteSqlText(table)),
                  &rows, errText) != SQLITE_OK ||
        rows.empty())
        return 0;
    return rows[0][QStringLiteral("TableCount")] == QLatin1String("1") ? 1 : 0;
}

int CDbSqlite3::AuthDispatch(void* self, int action, const char* a1, const char* a2, const char* db,
                             const char* trigger)
{
    // Runs inside a statement of this object, so its lock is already held.
    if (static_cast<CDbSqlite3*>(self)->m_bAuthBypass)
        return SQLITE_OK;
    for (const auto& param : static_cast<CDbSqlite3*>(self)->m_arrAuthParam)
        if (const int answer = param->AuthFunc(param->UserData, action, a1, a2, db, trigger))
            return answer;
    return SQLITE_OK;
}

int CDbSqlite3::InsertAuthFunc(AuthFuncPtr func, void* userData)
{
    std::lock_guard guard(m_lock);
    for (const auto& param : m_arrAuthParam)
        if (param->AuthFunc == func)
            return 0;
    m_arrAuthParam.push_back(std::make_unique<StAuthParam>(StAuthParam{func, userData}));
    return 1;
}

int CDbSqlite3::RemoveAuthFunc(AuthFuncPtr func, void*)
{
    std::lock_guard guard(m_lock);
    for (auto it = m_arrAuthParam.begin(); it != m_arrAuthParam.end(); ++it)
        if ((*it)->AuthFunc == func) {
            m_arrAuthParam.erase(it);
            return 1;
        }
    return 0;
}

int CDbSqlite3::ConfirmPasswd(const QString& passwd, int mode)
{
    std::lock_guard guard(m_lock);
    if (mode < 0 || mode > 2)
        return 0;
    if (mode == 0 || mode == 1) {
        // A logged-in object keeps its connection through a refused check.
        const int wasLoggedIn = m_bLoggedIn && m_pDb;
        const int opened = ConfirmPasswdByReopenDb(passwd);
        m_bLoggedIn = opened || wasLoggedIn;
        if (!opened)
            return 0;
        RememberKeyPage();
        if (mode == 1)
            return 1;
    }
    return ConfirmPasswdByEncryptStr(passwd);
}

sqlite3* CDbSqlite3::OpenTrial(const QString& passwd)
{
    sqlite3* trial = nullptr;
    const int flags = m_bReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
    if (sqlite3_open_v2(QFile::encodeName(m_strPathFile).constData(), &trial, flags, nullptr) != SQLITE_OK) {
        sqlite3_close(trial);
        return nullptr;
    }
    // The helpers work on m_pDb: lend them the trial connection.
    sqlite3* const kept = m_pDb;
    m_pDb = trial;
    const bool opened = KeyConnection(keyOf(passwd)) == SQLITE_OK && Probe();
    m_pDb = kept;
    if (!opened) {
        sqlite3_close(trial);
        return nullptr;
    }
    sqlite3_set_authorizer(trial, &CDbSqlite3::AuthDispatch, this);
    return trial;
}

int CDbSqlite3::ConfirmPasswdByReopenDb(const QString& passwd)
{
    std::lock_guard guard(m_lock);
    if (m_pDb && m_bLoggedIn) {
        // Tried on a connection of its own, which takes the place of the open
        // one only when it reads the file: a typing error never costs the
        // running vault its key.
        sqlite3* trial = OpenTrial(passwd);
        if (!trial)
            return 0;
        sqlite3_close_v2(m_pDb);
        m_pDb = trial;
        RememberOpenFile();
        RememberKey(keyOf(passwd));
        return 1;
    }
    CloseDB();
    if (InitDB() != SQLITE_OK)
        return 0;
    if (!passwd.isEmpty() && KeyConnection(keyOf(passwd)) != SQLITE_OK)
        return 0;
    if (Probe()) {
        if (passwd.isEmpty())
            m_key.reset();  // a plain file
        else
            RememberKey(keyOf(passwd));
        return 1;
    }
    // Leave the object open but unkeyed: later statements fail until the
    // right password is given.
    CloseDB();
    InitDB();
    if (!passwd.isEmpty())
        return 0;
    // The empty password opens a plain file as well as one keyed with the
    // prefix alone.
    if (KeyConnection(keyOf(QString())) != SQLITE_OK)
        return 0;
    if (Probe()) {
        RememberKey(keyOf(QString()));
        return 1;
    }
    CloseDB();
    InitDB();
    return 0;
}

int CDbSqlite3::ConfirmPasswdByEncryptStr(const QString& passwd)
{
    std::lock_guard guard(m_lock);
    SqlResultMap rows;
    QString errText;
    if (ExecSQL_W(FormatText("SELECT * FROM %s", g_strTnStDbPasswd), &rows, errText) != SQLITE_OK)
        return 0;
    const QString stored = rows.empty() ? QString() : rows[0][g_strColDbPasswd];
    if (stored == hashOf(passwd))
        return 1;
    return passwd.isEmpty() && stored.isEmpty() ? 1 : 0;
}

int CDbSqlite3::ConfirmAndChangePasswd(const QString& oldPasswd, const QString& newPasswd, int mode)
{
    std::lock_guard guard(m_lock);
    if (m_bReadOnly || !ConfirmPasswd(oldPasswd, mode))
        return 0;
    const bool updateHash = mode != 1;
    if (!WriteKeyedCopy(keyOf(newPasswd), hashOf(newPasswd), updateHash))
        return 0;
    m_bLoggedIn = 1;
    RememberKeyPage();
    return 1;
}

namespace {

// The recorded form of a file's identity; empty when there is no such file.
QString fileIdOf(const QString& path)
{
    platform::FileIdentity id;
    return platform::GetFileIdentity(path, id) ? QStringLiteral("%1:%2").arg(id.dev).arg(id.ino) : QString();
}

} // namespace

void CDbSqlite3::RememberKeyPage()
{
    if (this != g_pSqlite || !g_pSqliteInit)
        return;
    QFile file(m_strPathFile);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray page = file.read(s_iCipherPageSize);
    if (page.size() != s_iCipherPageSize || page.startsWith("SQLite format 3"))
        return;
    // The salt (the first 16 bytes) and the password make the key: a page
    // of the same salt in the same file proves the same key, whatever
    // changed in it since.
    const QString id = fileIdOf(m_strPathFile);
    QString recordedId;
    if (GetVaultKeyPage(m_strPathFile, nullptr, &recordedId).left(16) == page.left(16) && recordedId == id)
        return;
    RememberVaultKeyPage(m_strPathFile, page, file.size(), id);
}

CDbSqlite3::EnumRefusal CDbSqlite3::IsDamagedFor(const QString& passwd)
{
    QString path;
    int kdfIter = 0;
    {
        std::lock_guard guard(m_lock);
        path = m_strPathFile;
        kdfIter = m_iKdfIter;
    }
    qint64 size = 0;
    QString recordedId;
    const QByteArray page = GetVaultKeyPage(path, &size, &recordedId);
    if (page.size() != s_iCipherPageSize)
        return REFUSED_WRONG_PASSWD;
    // The recorded page in a file of its own, as long as the vault was then
    // (SQLite refuses a file shorter than its header says): its schema page
    // is all a password check reads.
    QTemporaryFile copy;
    if (!copy.open() || copy.write(page) != page.size() || !copy.resize(std::max<qint64>(size, page.size())) ||
        !copy.flush())
        return REFUSED_WRONG_PASSWD;
    CDbSqlite3 probe(copy.fileName());
    probe.SetKdfIter(kdfIter);
    probe.SetReadOnly(1);
    if (probe.InitDB() != SQLITE_OK || !probe.ConfirmPasswdByReopenDb(passwd))
        return REFUSED_WRONG_PASSWD;
    // A record without a file id is older than this distinction: as before.
    return recordedId.isEmpty() || recordedId == fileIdOf(path) ? REFUSED_DAMAGED : REFUSED_REPLACED;
}

int CDbSqlite3::WriteKeyedCopy(const QByteArray& key, const QString& newHash, bool updateHash)
{
    // sqlite3_rekey rewrites the file page by page in place, and the hash is
    // a statement of its own: a stop between the two, or half-way through,
    // leaves a file whose key and hash disagree. A complete keyed copy beside
    // the file, with the new hash written into it, takes the file's name in
    // one rename instead; until then the file is untouched.
    // A vault reached through a symbolic link stays where the link leads.
    const QString canonical = QFileInfo(m_strPathFile).canonicalFilePath();
    const QString target = canonical.isEmpty() ? m_strPathFile : canonical;
    const QString tmp = platform::CreateTempFileBeside(target);
    if (tmp.isEmpty())
        return 0;
    QString errText;
    int code = SQLITE_ERROR;
    bool attached = false;
    {
        sqlite3_stmt* raw = nullptr;
        sqlite3_prepare_v2(m_pDb, "ATTACH DATABASE ? AS enc KEY ?", -1, &raw, nullptr);
        StmtPtr attach(raw);
        const QByteArray tmpName = QFile::encodeName(tmp);
        attached = attach &&
                   sqlite3_bind_text(attach.get(), 1, tmpName.constData(), -1, SQLITE_TRANSIENT) == SQLITE_OK &&
                   sqlite3_bind_blob(attach.get(), 2, key.constData(), static_cast<int>(key.size()),
                                     SQLITE_TRANSIENT) == SQLITE_OK &&
                   sqlite3_step(attach.get()) == SQLITE_DONE;
    }
    if (attached) {
        SqlResultMap rows;
        m_bAuthBypass = true;
        const bool copied =
            ExecSQL_W(FormatText("PRAGMA enc.cipher_page_size = %d", s_iCipherPageSize), nullptr, errText) == 0 &&
            ExecSQL_W(FormatText("PRAGMA enc.kdf_iter = %d", m_iKdfIter), nullptr, errText) == 0 &&
            // The copy is thrown away whole when anything fails, so it needs
            // no journal: none is left beside the vault by a kill.
            ExecSQL_W(QStringLiteral("PRAGMA enc.journal_mode = OFF"), nullptr, errText) == 0 &&
            ExecSQL_W(QStringLiteral("SELECT sqlcipher_export('enc')"), nullptr, errText) == 0 &&
            ExecSQL_W(QStringLiteral("PRAGMA main.user_version"), &rows, errText) == 0 && !rows.empty() &&
            ExecSQL_W(FormatText("PRAGMA enc.user_version = %d", rows[0].begin()->second.toInt()), nullptr,
                      errText) == 0;
        m_bAuthBypass = false;
        code = copied ? SQLITE_OK : SQLITE_ERROR;
        if (copied && updateHash) {
            code = ExecSQL_W(FormatText("UPDATE enc.%s SET %s=%s WHERE %s=0", g_strTnStDbPasswd, g_strColDbPasswd,
                                        quoteSqlText(newHash), g_strColDbPasswdId),
                             nullptr, errText);
            if (code != SQLITE_OK)
                ShowSqlError(code, errText);
            else if (sqlite3_changes(m_pDb) == 0)
                code = ExecSQL_W(FormatText("INSERT INTO enc.%s(%s,%s) VALUES(0,%s)", g_strTnStDbPasswd,
                                            g_strColDbPasswdId, g_strColDbPasswd, quoteSqlText(newHash)),
                                 nullptr, errText);
        }
        QString detachErr;
        if (ExecSQL_W(QStringLiteral("DETACH DATABASE enc"), nullptr, detachErr) != SQLITE_OK && code == SQLITE_OK)
            code = SQLITE_ERROR;
    }
    // The open connection stays on the old file until the rename is done, so
    // a failure anywhere before leaves it working with the old key.
    if (code != SQLITE_OK || !platform::SyncFile(tmp) || !platform::ReplaceFile(tmp, target)) {
        platform::RemoveFile(tmp);
        return 0;
    }
    // The file now holds the new key and hash whatever the reopening says.
    if (InitDB() == SQLITE_OK && KeyConnection(key) == SQLITE_OK)
        RememberKey(key);
    return 1;
}

int CDbSqlite3::ConfirmPasswdLike(CDbSqlite3& keyed)
{
    std::unique_ptr<WipedBytes> key;
    {
        std::lock_guard other(keyed.m_lock);
        if (!keyed.m_bLoggedIn || !keyed.m_pDb)
            return 0;
        if (keyed.m_key)
            key = std::make_unique<WipedBytes>(unmaskKey(*keyed.m_key));
    }
    std::lock_guard guard(m_lock);
    CloseDB();
    if (InitDB() != SQLITE_OK)
        return 0;
    if ((key && KeyConnection(*key) != SQLITE_OK) || !Probe()) {
        CloseDB();
        InitDB();
        return 0;
    }
    if (key)
        RememberKey(*key);
    else
        m_key.reset();
    m_bLoggedIn = 1;
    return 1;
}

int CDbSqlite3::CopyDbFileTo(const QString& destPath)
{
    std::lock_guard guard(m_lock);
    // Inside an open transaction the file may hold pages of unfinished work.
    if (m_pDb && !sqlite3_get_autocommit(m_pDb))
        return 0;
    return platform::CopyFileNoReplace(m_strPathFile, destPath) ? 1 : 0;
}

QString SHA256(const QString& text, int count)
{
    if (count <= 0)
        count = 32;
    QByteArray bytes;
    bytes.reserve(text.size() * 2);
    for (const QChar c : text) {
        bytes.append(static_cast<char>(c.unicode() & 0xff));
        bytes.append(static_cast<char>(c.unicode() >> 8));
    }
    const QByteArray digest = SecretDigest(bytes, count);
    WipeSecret(bytes);
    return QString::fromLatin1(digest.toHex());
}

QString c2w(const char* text) { return textFromSql(text); }

void ShowSqlError(int code, const QString& errText)
{
    platform::ShowMessageBox(FormatText(s_strSqlErrorFormat, code, errText), QString(), MB_ICONERROR);
}
