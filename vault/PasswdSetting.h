#pragma once

#include <QString>

#include "foundation/storage/BaseTessel.h"
#include "foundation/storage/DbSqlite3.h"
#include "vault/PwTypes.h"
#include "vault/QueryAuth.h"
#include "vault/VaultcoreApi.h"

// Table and column names of the vault; every statement is built from them.
VAULTCORE_API extern const QString g_strTnPwEntry;
VAULTCORE_API extern const QString g_strColEntryId; // no table has this column
VAULTCORE_API extern const QString g_strColEntryType;
VAULTCORE_API extern const QString g_strColTitle;
VAULTCORE_API extern const QString g_strColUserName;
VAULTCORE_API extern const QString g_strColPasswd;
VAULTCORE_API extern const QString g_strColURL;
VAULTCORE_API extern const QString g_strColEmail;
VAULTCORE_API extern const QString g_strColNotes;
VAULTCORE_API extern const QString g_strTnPwSettings;
VAULTCORE_API extern const QString g_strColPwSettingsId;
VAULTCORE_API extern const QString g_strColNeedLoginPasswd;
VAULTCORE_API extern const QString g_strColInputFreq;
VAULTCORE_API extern const QString g_strColShowPasswd;
VAULTCORE_API extern const QString g_strColDirectCopy;
VAULTCORE_API extern const QString g_strColClipboardSecond;
VAULTCORE_API extern const QString g_strColAutoBackup;

// Prefix of the dated backup files in the "Backup/" folder of the data folder.
VAULTCORE_API extern const QString g_strBackupPrefix;
// How many dated backups are kept.
inline constexpr int g_iBackupKeep = 20;

// What an import or merge did with each entry: stored as it came, kept with
// "-Import" added to its title beside a different entry of the same title
// and user name, or skipped as already in the vault.
struct StImportCounts {
    int added = 0;
    int renamed = 0;
    int identical = 0;
};

// The vault store: the one data-access object of the vault, working on the
// vault connection g_pSqlite. Results follow the wrapper: non-zero success for
// the settings and entry operations, SQLite codes where stated.
class VAULTCORE_API CPasswdSetting : public CBaseTessel {
public:
    // Installs the read guard on g_pSqlite.
    CPasswdSetting();
    ~CPasswdSetting() override;
    CPasswdSetting(const CPasswdSetting&) = delete;
    CPasswdSetting& operator=(const CPasswdSetting&) = delete;

    // Format of the message for a failed statement: one %d (code) and one %s
    // (error text). Empty selects the built-in text.
    void SetErrorFormat(const QString& format);
    // While 0, no statement may read the input frequency.
    void SetAuthorition(int flag);
    int GetQueryAuthorization() const;
    // A failed statement, in the format of the current language.
    void ShowSqlFailure(int code, const QString& errText) const { ShowError(code, errText); }
    // When the master password is due again, for every window of the program.
    CQueryAuth& GetQueryAuth() { return m_queryAuth; }

    // Lays out a new, empty vault in the file of g_pSqlite.
    int CreateDbPasswd();
    int CheckAndUpdateDbPasswd();
    int InitTables();
    int LoadSettings(StPwSetting* setting);

    int GetPasswdSettings(StPwSetting* setting, int id);
    int GetPasswdSetting(int& value, const QString& column, int unused = 0);
    int UpdatePasswdSetting(const QString& column, int value, int unused = 0);
    // The wrapper's result code, 0 on success.
    int UpdateSettingToDB(StPwSetting* setting, EnumPwStItem item);

    // 1 = found (the record is completed), 0 = not found or failed.
    int SelectEntry(ST_PW_ENTRY* entry);
    int SelectPasswd(QString& passwd, const QString& title, const QString& userName);
    // Duplicate policy: 0 plain, 1 replace, 2 rename with "-Import", 3 skip,
    // 4 merge (skip an identical entry, rename a different one).
    // Returns -1 on failure, else 0 or the policy that handled a duplicate.
    int InsertEntry(ST_PW_ENTRY* entry, int policy);
    // The same, with the SQLite code and text of a failure.
    int InsertEntry(ST_PW_ENTRY* entry, int policy, int& code, QString& errText);
    int DeleteEntry(const QString& title, const QString& userName);
    // Deletes the entry of entry->strTitle and strUserName and fills the
    // record with every field it held, so that RestoreEntries can put it
    // back. 1 = deleted, 2 = there was no such entry, 0 = failed (shown).
    int TakeEntry(ST_PW_ENTRY* entry);
    // Puts taken entries back exactly, the entry type too, all or none (an
    // entry of the same title and user name stored since keeps them all
    // out). The SQLite code, 0 = restored; the caller words the failure.
    int RestoreEntries(const PwEntryArray& entries, QString& errText);
    // The entry stored under the old title and user name becomes `entry`, in
    // one transaction. The SQLite code, 0 = replaced; errText says why not.
    int ReplaceEntry(const QString& oldTitle, const QString& oldUserName, const ST_PW_ENTRY& entry,
                     QString& errText);
    // 0 = logged in already, 1 = the login was confirmed now, -1 = refused.
    int ConfirmLogin();

    // Dated copy in the backup folder, the newest g_iBackupKeep kept; safe on
    // another thread (the copy waits for statements and transactions of the
    // vault connection). 0 when the folder cannot be made or the copy failed.
    int BackupPasswdDb();
    // Removes the hidden copies that a backup, export or key change stopped
    // by a crash or a kill left beside the vault, in the backup folder and in
    // the folders recorded for copies.
    static void RemoveStaleCopies();
    // Called before a copy is written into `folder` outside the data folder
    // (an export, a move): records the folder, so that what a kill leaves
    // there is found again, and removes what earlier copies left. 0 when the
    // folder could not be recorded.
    static int PrepareCopyFolder(const QString& folder);
    // The two exports, never replacing a file. The vault as it is (still
    // encrypted), or every entry as plain-text CSV (`count` gets how many);
    // 0 on failure with `why` saying why when it is known.
    static int ExportVaultTo(const QString& path);
    int ExportCsvTo(const QString& path, int* count, QString* why);
    // Every entry of `db` (the vault when null), entry type left empty.
    int SelectAllEntry(PwEntryArray* entries, CDbSqlite3* db = nullptr);
    // Stores the list in one transaction: a failing entry is counted in
    // `failed`, the others in `stored` (and `third`, always equal to it); a
    // failure that abandons the transaction stores nothing and counts every
    // entry as failed. 0, or -1 when an entry failed.
    int InsertEntryArray(int& stored, int& failed, int& third, PwEntryArray& entries, int policy,
                         StImportCounts* counts = nullptr);

    // Copies of the vault that a sync program left beside it when both
    // computers changed it while apart (`vaultFileName` as g_strDbFile).
    static bool IsConflictCopyName(const QString& fileName, const QString& vaultFileName);
    // Full paths of such copies in the data folder, by name.
    static QStringList FindConflictCopies();
    // The copy's entries that the vault lacks (no entry with the same
    // fields). Their number, or -1 when the copy does not open with the
    // vault's master password.
    int ReadConflictCopy(const QString& copyPath, PwEntryArray& missing);
    // Brings those entries in (merge policy), then moves the copy into the
    // backup folder (`movedTo`; empty when the sync program removed the copy
    // meanwhile, merged on the other computer too). 1 = done; 0 = failed,
    // `errText` says why.
    int MergeConflictCopy(const QString& copyPath, StImportCounts& counts, QString& movedTo, QString& errText);

private:
    QString GetUpdateSql(StPwSetting* setting, EnumPwStItem item);
    void ShowError(int code, const QString& errText) const;
    // Runs a statement on `db` (the vault when null); a failure is shown.
    int ExecOrShow(const QString& sql, SqlResultMap* rows, CDbSqlite3* db = nullptr) const;
    static int ReadGuard(void* self, int action, const char* table, const char* column,
                         const char* dbName, const char* trigger);

    QString m_strErrFormat;
    int m_iQueryAuthorization = 0;
    CDbSqlite3* m_pGuardedDb = nullptr;
    CQueryAuth m_queryAuth;
};

// The one store of the program, created and deleted by the main program.
VAULTCORE_API extern CPasswdSetting* g_pPwSettings;
