#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "foundation/TesselcoreApi.h"
#include "foundation/storage/Secret.h"
#include "platform/FileWatch.h"

struct sqlite3;
struct sqlite3_stmt;

// One row: column name -> value, all text; SQL NULL arrives as "".
using SqlRowMap = std::map<QString, QString>;
// Rows numbered 0, 1, 2 ... in the order SQLite returns them.
using SqlResultMap = std::map<int, SqlRowMap>;

// One row as SQLite hands it over, valid only during the call: per column its
// UTF-8 bytes (null for SQL NULL) and their count.
struct SqlRowView {
    int columns = 0;
    const char* const* texts = nullptr;
    const int* sizes = nullptr;
};

// SQLite's authorizer signature.
using AuthFuncPtr = int (*)(void* userData, int action, const char* arg1, const char* arg2,
                            const char* dbName, const char* trigger);

// What a file on disk is, by its size and first bytes, before it is opened.
enum EnumDbFile {
    DBFILE_MISSING,
    DBFILE_EMPTY,      // 0 bytes
    DBFILE_PLAIN,      // an unencrypted SQLite file
    DBFILE_ENCRYPTED,  // whole pages of no recognisable header: a keyed file
    DBFILE_DAMAGED,    // anything else: truncated, not a database, a folder
};

struct StAuthParam {
    AuthFuncPtr AuthFunc = nullptr;
    void* UserData = nullptr;
};

// The one door to SQLite (SQLCipher). One instance wraps one database file.
// Every statement, transaction, password check and change holds the instance's
// lock, so one instance may be shared by several threads.
class TESSELCORE_API CDbSqlite3 {
public:
    // Iteration count of the key derivation for every file the system writes.
#ifdef VAULTWICK_SANITIZED_TESTS
    // Sanitized test builds only: the crypto library's allocations in each
    // round cost ten times more under the sanitizer's allocator, and no memory
    // fault depends on how many rounds there are. Never a shipped build.
    static constexpr int s_iDefaultKdfIter = 4000;
#else
    static constexpr int s_iDefaultKdfIter = 256000;
#endif
    static constexpr int s_iCipherPageSize = 4096;

    explicit CDbSqlite3(const QString& pathFile = QString());
    ~CDbSqlite3();
    CDbSqlite3(const CDbSqlite3&) = delete;
    CDbSqlite3& operator=(const CDbSqlite3&) = delete;

    static EnumDbFile InspectFile(const QString& pathFile);

    // A read-only object never creates, keys or writes its file (a file
    // another vault is imported from).
    void SetReadOnly(int readOnly);

    void SetPathFile(const QString& pathFile);
    QString GetPathFile() const;
    int IsLoggedIn() const;

    // 0 = opened, otherwise the SQLite code. A missing or empty file is created
    // owner-only and keyed with the key of the empty password at once.
    int InitDB();
    // 1 = closed (or nothing was open), 0 = SQLite refused.
    int CloseDB();

    // Runs the first statement of `sql`; rows go into `result` (emptied first)
    // when given. Returns the SQLite code, 0 = success; errText gets the
    // SQLite error text on failure.
    int ExecSQL_W(const QString& sql, SqlResultMap* result, QString& errText);
    // The same runner without the maps: `visit` sees each row's raw texts,
    // for readers of many rows that keep only part of them.
    int ExecSQL_Visit(const QString& sql, const std::function<void(const SqlRowView&)>& visit, QString& errText);
    // One statement whose `?` parameters take `values` as text, in order.
    // The values never become part of a statement's text: the way for
    // secrets, which then exist only where their owner can overwrite them.
    int ExecSQL_Bound(const QString& sql, const QStringList& values, QString& errText);
    // Narrow (UTF-8) text through sqlite3_exec: every statement of the text runs.
    int ExecSQL(const QByteArray& sql, SqlResultMap* result, QString& errText);
    // 0 = every statement ran and was committed, else the code of the first
    // failing statement (everything rolled back).
    // errText, when given, gets SQLite's text for the failure.
    int Transaction(const QStringList& sqls, QString* errText = nullptr);

    // 1 = a table of that name exists, 0 = it does not or the query failed.
    int TableExists(const QString& table);

    int InsertAuthFunc(AuthFuncPtr func, void* userData);
    int RemoveAuthFunc(AuthFuncPtr func, void* userData);

    // mode 0: key and stored hash, 1: key only, 2: stored hash only.
    int ConfirmPasswd(const QString& passwd, int mode);
    int ConfirmPasswdByReopenDb(const QString& passwd);
    int ConfirmPasswdByEncryptStr(const QString& passwd);
    // 1 only when the file is really encrypted with the new key afterwards.
    // The new key and the new stored hash reach the disk together: a keyed
    // copy that holds the new hash is synced and renamed over the file, so
    // at every instant the file opens with the password its hash names.
    // Afterwards the object is open and logged in with the new password; a
    // refused old password leaves a logged-in object as it was.
    int ConfirmAndChangePasswd(const QString& oldPasswd, const QString& newPasswd, int mode);
    // After `passwd` was refused: whether it opens the vault's first page as
    // recorded when a password last opened the file. If so, and the file
    // under the name is still that one, the file is damaged; if another file
    // took its name since (how a sync program delivers a vault, maybe with a
    // master password changed on another computer), only the password is
    // out of date.
    enum EnumRefusal { REFUSED_WRONG_PASSWD = 0, REFUSED_DAMAGED = 1, REFUSED_REPLACED = 2 };
    EnumRefusal IsDamagedFor(const QString& passwd);

    std::recursive_mutex& GetLock();

    // A file that a sync program keeps in step is replaced under its name
    // (a new file renamed over it) while it is open. With following on,
    // before every statement outside a transaction the path is checked to
    // still name the open file; another file there is opened with the same
    // key, and the statement runs on it. A file the key does not open logs
    // out and calls the key-refused handler, which may log in again (ask
    // for the other master password). A path that names nothing is waited
    // for a moment (a sync program between delete and rename), never made
    // anew; while it stays missing, reads go on and writes are refused.
    void SetFollowFile(int follow);
    void SetKeyRefusedHandler(std::function<void()> handler);
    void SetMissingWaitMs(int ms);
    // Checks the path now (a watch on the folder calls this). 1 = it still
    // names the open file, 0 = another file was opened or it is missing.
    int CheckFile(QString& errText);
    // Grows each time another file is opened under the path: what was read
    // before belongs to the old file.
    qint64 GetOpenGeneration() const;
    // Opens this object's file with the key of `keyed` (logged in). 1 = it reads.
    int ConfirmPasswdLike(CDbSqlite3& keyed);
    // The decrypted pages SQLite keeps go, and the cipher's last decrypted
    // page becomes the schema page, which holds no entry: for a window that
    // read or wrote secrets, once it closes.
    void ForgetDecryptedPages();

    // The one way to copy a database file: under the lock, into a temporary
    // file beside destPath, synced, then linked into place without ever
    // replacing an existing file. 1 = copied, 0 = failed (nothing left behind).
    int CopyDbFileTo(const QString& destPath);

    // Files written with another count open only with that count; used to
    // compare counts (bench) and in tests.
    void SetKdfIter(int kdfIter);

private:
    // The vault (g_pSqlite) keeps its first page on record in the settings
    // whenever its salt or its file is new to them.
    void RememberKeyPage();
    static int AuthDispatch(void* self, int action, const char* a1, const char* a2,
                            const char* db, const char* trigger);
    static int ExecCallback(void* self, int argc, char** values, char** names);
    // The one statement runner: compiles the first statement of `sql` and
    // steps it to the end; `prepared` sees the statement before its rows.
    int Run(const QString& sql, const std::function<void(sqlite3_stmt*)>& prepared,
            const std::function<void(const SqlRowView&)>& visit, QString& errText);

    int TransactionOnce(const QStringList& sqls, QString* failure);
    int KeyConnection(const QByteArray& key);
    // Before a statement: the path still names the open file, or the file
    // now under it is open. SQLite code.
    int FollowFile(QString& errText);
    int OpenReplacement(QString& errText);
    bool WaitForFile(platform::FileIdentity& id) const;
    void RememberOpenFile();
    void RememberKey(const QByteArray& key);
    int Probe();
    int WriteKeyedCopy(const QByteArray& key, const QString& newHash, bool updateHash);
    sqlite3* OpenTrial(const QString& passwd);

    std::vector<std::unique_ptr<StAuthParam>> m_arrAuthParam;
    int m_bLoggedIn = 0;
    sqlite3* m_pDb = nullptr;
    SqlResultMap* m_pResult = nullptr;
    int m_nRowIndex = 0;
    QString m_strPathFile;
    int m_iKdfIter = s_iDefaultKdfIter;
    int m_bReadOnly = 0;
    // Set while the file is copied whole: the copy reads what guards hide.
    bool m_bAuthBypass = false;
    int m_iWipedChanges = 0;  // sqlite3_total_changes when the scratch page was last overwritten
    int m_bFollow = 0;
    int m_iMissingWaitMs = 3000;
    bool m_bFollowing = false;      // inside FollowFile (a handler runs statements)
    bool m_bRetrying = false;       // a write runs again on the new file
    bool m_bFileMissing = false;    // the path named nothing at the last check
    bool m_bOpenKnown = false;      // m_openId names the file of m_pDb
    platform::FileIdentity m_openId;
    qint64 m_iGeneration = 0;
    // The key of the open file, to open its replacement with.
    std::unique_ptr<WipedBytes> m_key;
    std::function<void()> m_fnKeyRefused;
    mutable std::recursive_mutex m_lock;
};

// SHA-256 over `count` back-to-back copies of the UTF-16LE bytes of `text`
// (count <= 0 means 32); 64 lowercase hex digits.
TESSELCORE_API QString SHA256(const QString& text, int count = 0);

// Narrow (UTF-8) text to wide text.
TESSELCORE_API QString c2w(const char* text);

// "SQLite Error!\r\nERROR CODE: %d; ERROR MESSAGE: %s!" in a plain OK box.
TESSELCORE_API void ShowSqlError(int code, const QString& errText);
