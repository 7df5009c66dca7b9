#include "vault/PasswdSetting.h"

#include <algorithm>
#include <mutex>

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include "foundation/storage/Globals.h"
#include "foundation/storage/Secret.h"
#include "foundation/ui/BaseResizeAndMultiLang.h"
#include "platform/FileWatch.h"
#include "platform/Files.h"
#include "platform/MessageBox.h"
#include "vault/CsvFormat.h"
#include "vault/LoginSeam.h"

const QString g_strTnPwEntry = QStringLiteral("TnPwEntry");
const QString g_strColEntryId = QStringLiteral("EntryId");
const QString g_strColEntryType = QStringLiteral("EntryType");
const QString g_strColTitle = QStringLiteral("Title");
const QString g_strColUserName = QStringLiteral("UserName");
const QString g_strColPasswd = QStringLiteral("Password");
const QString g_strColURL = QStringLiteral("URL");
const QString g_strColEmail = QStringLiteral("Email");
const QString g_strColNotes = QStringLiteral("Notes");
const QString g_strTnPwSettings = QStringLiteral("TnPwSettings");
const QString g_strColPwSettingsId = QStringLiteral("PasswdSettigsId");
const QString g_strColNeedLoginPasswd = QStringLiteral("NeedLoginPasswd");
const QString g_strColInputFreq = QStringLiteral("InputFreq");
const QString g_strColShowPasswd = QStringLiteral("ShowPasswd");
const QString g_strColDirectCopy = QStringLiteral("DirectCopy");
const QString g_strColClipboardSecond = QStringLiteral("ClipboardSecond");
const QString g_strColAutoBackup = QStringLiteral("AutoBackup");
const QString g_strBackupPrefix = QStringLiteral("PasswdBK");

CPasswdSetting* g_pPwSettings = nullptr;

namespace {

// SQLite codes and authorizer values the store speaks.
constexpr int kSqliteConstraint = 19;
constexpr int kSqliteMisuse = 21;
constexpr int kSqliteNotADb = 26;
constexpr int kSqliteRead = 20;
constexpr int kSqliteDeny = 1;

const QString kBackupSubFolder = QStringLiteral("Backup/");
// Added to the title of an imported or merged entry whose key is taken.
const QString kImportSuffix = QStringLiteral("-Import");
// The login dialog's section holds the texts about the vault file itself.
constexpr int kVaultFileTexts = 13400;

// Text of an integer column; anything that is not a number reads as 0.
int ToInt(const QString& text)
{
    return text.trimmed().toInt();
}

QString Cell(const SqlRowMap& row, const QString& column)
{
    const auto value = row.find(column);
    return value == row.end() ? QString() : value->second;
}

// A column of the first row.
QString Value(const SqlResultMap& rows, const QString& column)
{
    const auto row = rows.find(0);
    return row == rows.end() ? QString() : Cell(row->second, column);
}

int Exec(CDbSqlite3* db, const QString& sql, SqlResultMap* rows, QString& errText)
{
    if (!db) {
        errText = QStringLiteral("no vault is open");
        return kSqliteMisuse;
    }
    return db->ExecSQL_W(sql, rows, errText);
}

QString EntryWhere(const QString& title, const QString& userName)
{
    return FormatText("%s=%s AND %s=%s", g_strColTitle, quoteSqlText(title), g_strColUserName,
                      quoteSqlText(userName));
}

QString SelectEntrySql(const QString& title, const QString& userName)
{
    return FormatText("SELECT * FROM %s WHERE %s", g_strTnPwEntry, EntryWhere(title, userName));
}

QString DeleteEntrySql(const QString& title, const QString& userName)
{
    return FormatText("DELETE FROM %s WHERE %s", g_strTnPwEntry, EntryWhere(title, userName));
}

// Runs a statement whose failure does not matter to the caller.
void ExecQuietly(CDbSqlite3* db, const QString& sql)
{
    QString ignored;
    Exec(db, sql, nullptr, ignored);
}

// The stored row holds what the entry holds (the entry type is always "Common").
bool SameFields(const SqlRowMap& row, const ST_PW_ENTRY& entry)
{
    return Cell(row, g_strColPasswd) == entry.strPasswd && Cell(row, g_strColURL) == entry.strURL &&
           Cell(row, g_strColEmail) == entry.strEmail && Cell(row, g_strColNotes) == entry.strNotes;
}

// The statement behind one InsertEntry, with what made it fail.
struct InsertOutcome {
    int result = 0;
    int code = 0;
    QString errText;
};

// The values are bound, never written into the statement: the password then
// exists only in the entry, where its owner overwrites it.
int InsertEntryRow(CDbSqlite3* db, const ST_PW_ENTRY& entry, QString& errText)
{
    if (!db) {
        errText = QStringLiteral("no vault is open");
        return kSqliteMisuse;
    }
    return db->ExecSQL_Bound(FormatText("INSERT INTO %s VALUES(?,?,?,?,?,?,?)", g_strTnPwEntry),
                             {QStringLiteral("Common"), entry.strTitle, entry.strUserName, entry.strPasswd,
                              entry.strURL, entry.strEmail, entry.strNotes},
                             errText);
}

InsertOutcome InsertEntryInto(CDbSqlite3* db, ST_PW_ENTRY* entry, int policy)
{
    InsertOutcome out;
    if (!entry || policy < 0 || policy > 4 || !db) {
        out.result = -1;
        out.code = kSqliteMisuse;
        out.errText = QStringLiteral("invalid entry or duplicate policy");
        return out;
    }
    std::lock_guard lock(db->GetLock());

    // Rename and skip try the insert first: a key that is taken fails that
    // one statement only (the primary key is the table's one constraint),
    // which costs half of looking every entry up beforehand.
    if (policy == 2 || policy == 3 || policy == 4) {
        for (;;) {
            out.code = InsertEntryRow(db, *entry, out.errText);
            if (out.code != kSqliteConstraint) {
                if (out.code != 0)
                    out.result = -1;
                return out;
            }
            out.code = 0;
            out.errText.clear();
            if (policy == 3) {
                out.result = 3;
                return out;
            }
            if (policy == 4) {
                // The same entry on both sides is one entry; a different one
                // under the same key is kept beside it, renamed.
                SqlResultMap rows;
                out.code = Exec(db, SelectEntrySql(entry->strTitle, entry->strUserName), &rows, out.errText);
                if (out.code != 0) {
                    out.result = -1;
                    return out;
                }
                if (!rows.empty() && SameFields(rows.begin()->second, *entry)) {
                    out.result = 4;
                    return out;
                }
            }
            entry->strTitle += kImportSuffix;
            out.result = 2;
        }
    }

    bool replace = false;
    if (policy == 1) {
        SqlResultMap rows;
        out.code = Exec(db, SelectEntrySql(entry->strTitle, entry->strUserName), &rows, out.errText);
        if (out.code != 0) {
            out.result = -1;
            return out;
        }
        replace = !rows.empty();
        out.result = replace ? 1 : 0;
    }

    // The old row of a replaced entry must survive an insert that fails.
    if (replace) {
        out.code = Exec(db, QStringLiteral("SAVEPOINT PwReplace"), nullptr, out.errText);
        if (out.code != 0) {
            out.result = -1;
            return out;
        }
        ExecQuietly(db, DeleteEntrySql(entry->strTitle, entry->strUserName));
    }
    out.code = InsertEntryRow(db, *entry, out.errText);
    if (out.code != 0)
        out.result = -1;
    if (replace) {
        if (out.code != 0)
            ExecQuietly(db, QStringLiteral("ROLLBACK TO PwReplace"));
        ExecQuietly(db, QStringLiteral("RELEASE PwReplace"));
    }
    return out;
}

} // namespace

int GetEnumFreq(int value)
{
    return value >= FREQ_LOGIN_ONCE && value <= FREQ_1_HOUR ? value : -1;
}

CPasswdSetting::CPasswdSetting()
{
    m_pGuardedDb = g_pSqlite;
    if (m_pGuardedDb) {
        // A guard left by an earlier store would answer with that store's flag.
        m_pGuardedDb->RemoveAuthFunc(&CPasswdSetting::ReadGuard, nullptr);
        m_pGuardedDb->InsertAuthFunc(&CPasswdSetting::ReadGuard, this);
        // The vault may lie in a folder a sync program keeps in step.
        m_pGuardedDb->SetFollowFile(1);
        m_pGuardedDb->SetKeyRefusedHandler([this] { ConfirmLogin(); });
    }
}

CPasswdSetting::~CPasswdSetting()
{
    if (m_pGuardedDb && m_pGuardedDb == g_pSqlite) {
        m_pGuardedDb->RemoveAuthFunc(&CPasswdSetting::ReadGuard, this);
        m_pGuardedDb->SetKeyRefusedHandler(nullptr);
    }
}

int CPasswdSetting::ReadGuard(void* self, int action, const char* table, const char* column,
                              const char*, const char*)
{
    if (action != kSqliteRead || !table || !column || !*table || !*column)
        return 0;
    static const QByteArray s_table = g_strTnPwSettings.toUtf8();
    static const QByteArray s_column = g_strColInputFreq.toUtf8();
    const auto* store = static_cast<const CPasswdSetting*>(self);
    if (store->m_iQueryAuthorization == 0 && s_column == column && s_table == table)
        return kSqliteDeny;
    return 0;
}

void CPasswdSetting::SetErrorFormat(const QString& format)
{
    m_strErrFormat = format;
}

void CPasswdSetting::SetAuthorition(int flag)
{
    m_iQueryAuthorization = flag;
}

int CPasswdSetting::GetQueryAuthorization() const
{
    return m_iQueryAuthorization;
}

void CPasswdSetting::ShowError(int code, const QString& errText) const
{
    // Looked up when shown, so the text follows the language chosen now,
    // at start-up as after a change on the settings page.
    const QString format =
        m_strErrFormat.isEmpty() ? CBaseResizeAndMultiLang::GetOtherStrOr(0, 1003, QString()) : m_strErrFormat;
    if (format.isEmpty())
        ShowSqlError(code, errText);
    else
        platform::ShowMessageBox(FormatText(format, code, errText), QString(), MB_ICONERROR);
}

int CPasswdSetting::ExecOrShow(const QString& sql, SqlResultMap* rows, CDbSqlite3* db) const
{
    QString err;
    const int code = Exec(db ? db : g_pSqlite, sql, rows, err);
    if (code != 0)
        ShowError(code, err);
    return code;
}

int CPasswdSetting::CreateDbPasswd()
{
    CDbSqlite3* db = g_pSqlite;
    if (!db)
        return 0;
    // The wrapper keys a new file before anything is written, so the vault is
    // never plain text on disk, not even before it has a master password.
    int code = db->InitDB();
    if (code != 0) {
        ShowError(code, FormatText("unable to open %s", db->GetPathFile()));
        return 0;
    }
    QString err;
    code = Exec(db, FormatText("CREATE TABLE %s(%s INTEGER, %s TEXT, PRIMARY KEY (%s))",
                               g_strTnStDbPasswd, g_strColDbPasswdId, g_strColDbPasswd,
                               g_strColDbPasswdId),
                nullptr, err);
    if (code == 0)
        code = Exec(db, FormatText("INSERT INTO %s VALUES(0,'')", g_strTnStDbPasswd), nullptr, err);
    if (code != 0) {
        ShowError(code, err);
        return 0;
    }
    if (!db->ConfirmAndChangePasswd(QString(), QString(), 0))
        return 0;

    int result = 1;
    code = Exec(db,
                FormatText("CREATE TABLE %s(%s INTEGER, %s INTEGER, %s INTEGER, %s INTEGER, "
                           "%s INTEGER, %s INTEGER, %s INTEGER, PRIMARY KEY (%s))",
                           g_strTnPwSettings, g_strColPwSettingsId, g_strColNeedLoginPasswd,
                           g_strColInputFreq, g_strColShowPasswd, g_strColAutoBackup,
                           g_strColDirectCopy, g_strColClipboardSecond, g_strColPwSettingsId),
                nullptr, err);
    if (code == 0)
        code = Exec(db, FormatText("INSERT INTO %s VALUES(0,0,0,0,0,0,10)", g_strTnPwSettings),
                    nullptr, err);
    if (code != 0) {
        ShowError(code, err);
        result = 0;
    }

    code = Exec(db,
                FormatText("CREATE TABLE %s(%s TEXT, %s TEXT, %s TEXT, %s TEXT, %s TEXT, %s TEXT, "
                           "%s TEXT, PRIMARY KEY (%s, %s))",
                           g_strTnPwEntry, g_strColEntryType, g_strColTitle, g_strColUserName,
                           g_strColPasswd, g_strColURL, g_strColEmail, g_strColNotes, g_strColTitle,
                           g_strColUserName),
                nullptr, err);
    if (code != 0) {
        ShowError(code, err);
        result = 0;
    } else {
        const QString notes = QStringLiteral("example data");
        ST_PW_ENTRY examples[] = {
            {{}, "111", "111", "123", "www.wikipedia.org", "1111@1111.com", notes},
            {{}, "121", "121", "456", "www.debian.org", "2222@2222.com", notes},
            {{}, "132", "123", "789", "www.gnu.org", "3333@3333.com", notes},
        };
        for (ST_PW_ENTRY& example : examples)
            InsertEntryInto(db, &example, 0);
    }

    if (!db->CloseDB())
        result = 0;
    return result;
}

int CPasswdSetting::CheckAndUpdateDbPasswd()
{
    CDbSqlite3* db = g_pSqlite;
    if (!db)
        return 0;
    const QString path = db->GetPathFile();
    const auto text = [&path](int strId, const char* english) {
        return FormatText(CBaseResizeAndMultiLang::GetOtherStrOr(kVaultFileTexts, strId, QString::fromUtf8(english)),
                          path);
    };
    // Nothing is written to a file that is not known to be this program's
    // encrypted vault unless the user says so.
    switch (CDbSqlite3::InspectFile(path)) {
    case DBFILE_ENCRYPTED:
        return 1;
    case DBFILE_MISSING:
        return CreateDbPasswd();
    case DBFILE_EMPTY:
        if (platform::ShowMessageBox(text(1340005, "The vault file '%s' is empty (0 bytes).\r\n"
                                                   "Create a new, empty vault in its place?"),
                                     QString(), MB_YESNO) != IDYES)
            return 0;
        return CreateDbPasswd();
    case DBFILE_PLAIN:
        if (platform::ShowMessageBox(text(1340006, "The vault file '%s' is not encrypted: anyone who can read the "
                                                   "file can read its entries.\r\nEncrypt it now? (No leaves the "
                                                   "file as it is and ends the program.)"),
                                     QString(), MB_YESNO) != IDYES)
            return 0;
        if (db->InitDB() != 0 || !db->ConfirmAndChangePasswd(QString(), QString(), 0)) {
            platform::ShowMessageBox(text(1340007, "The vault file '%s' could not be encrypted; it was left as it "
                                                   "is."));
            db->CloseDB();
            return 0;
        }
        return 1;
    case DBFILE_DAMAGED:
        break;
    }
    platform::ShowMessageBox(text(1340004, "The file '%s' is damaged or is not a vault. It was left as it is."));
    return 0;
}

int CPasswdSetting::InitTables()
{
    return 1;
}

int CPasswdSetting::LoadSettings(StPwSetting*)
{
    return 0;
}

int CPasswdSetting::GetPasswdSettings(StPwSetting* setting, int id)
{
    if (!setting)
        return 0;
    SqlResultMap rows;
    if (ExecOrShow(FormatText("SELECT * FROM %s WHERE %s=%d", g_strTnPwSettings, g_strColPwSettingsId, id),
                   &rows)
        != 0)
        return 0;
    if (rows.empty())
        return 0;
    // A vault with a master password always needs the login, whatever the column says.
    setting->bNeedLoginPasswd = Value(rows, g_strColNeedLoginPasswd) != QStringLiteral("0")
                                || !g_pSqlite->ConfirmPasswd(QString(), 2);
    setting->iInputFreq = ToInt(Value(rows, g_strColInputFreq));
    setting->bShowPasswd = ToInt(Value(rows, g_strColShowPasswd));
    setting->bDirectCopy = ToInt(Value(rows, g_strColDirectCopy));
    setting->iClipboardSecond = ToInt(Value(rows, g_strColClipboardSecond));
    setting->bAutoBackup = ToInt(Value(rows, g_strColAutoBackup));
    return 1;
}

int CPasswdSetting::GetPasswdSetting(int& value, const QString& column, int)
{
    const QString sql =
        FormatText("SELECT %s FROM %s WHERE %s=0", column, g_strTnPwSettings, g_strColPwSettingsId);
    SqlResultMap rows;
    QString err;
    int code = Exec(g_pSqlite, sql, &rows, err);
    if (code == kSqliteNotADb) {
        // The connection lost its key (a wrong password was tried): the empty
        // password, or else the user, has to open it again.
        if (!g_pSqlite->ConfirmPasswd(QString(), 0)) {
            if (ShowLoginPrompt(g_pSqlite, 0) != IDOK)
                return 0;
        }
        code = Exec(g_pSqlite, sql, &rows, err);
    }
    if (code != 0)
        return 0;
    if (!rows.empty())
        value = ToInt(Value(rows, column));
    return 1;
}

int CPasswdSetting::UpdatePasswdSetting(const QString& column, int value, int)
{
    const QString sql =
        FormatText("UPDATE %s SET %s=%d WHERE %s=0", g_strTnPwSettings, column, value, g_strColPwSettingsId);
    return ExecOrShow(sql, nullptr) == 0 ? 1 : 0;
}

QString CPasswdSetting::GetUpdateSql(StPwSetting* setting, EnumPwStItem item)
{
    if (!setting || item != ST_ITEM_INPUT_FREQ)
        return QString();
    return FormatText("UPDATE %s SET %s=%s WHERE %s=%s", g_strTnPwSettings, g_strColInputFreq,
                      FormatText("%d", setting->iInputFreq), g_strColPwSettingsId, "0");
}

int CPasswdSetting::UpdateSettingToDB(StPwSetting* setting, EnumPwStItem item)
{
    const QString sql = GetUpdateSql(setting, item);
    if (sql.isEmpty()) {
        ShowError(kSqliteMisuse, QStringLiteral("no statement writes this setting"));
        return kSqliteMisuse;
    }
    return ExecOrShow(sql, nullptr);
}

int CPasswdSetting::SelectEntry(ST_PW_ENTRY* entry)
{
    if (!entry)
        return 0;
    SqlResultMap rows;
    if (ExecOrShow(SelectEntrySql(entry->strTitle, entry->strUserName), &rows) != 0)
        return 0;
    if (rows.empty())
        return 0;
    entry->strEntryType = Value(rows, g_strColEntryType);
    entry->strPasswd = Value(rows, g_strColPasswd);
    entry->strURL = Value(rows, g_strColURL);
    entry->strEmail = Value(rows, g_strColEmail);
    entry->strNotes = Value(rows, g_strColNotes);
    return 1;
}

int CPasswdSetting::SelectPasswd(QString& passwd, const QString& title, const QString& userName)
{
    SqlResultMap rows;
    const QString where = EntryWhere(title, userName);
    if (ExecOrShow(FormatText("SELECT %s FROM %s WHERE %s", g_strColPasswd, g_strTnPwEntry, where), &rows) != 0)
        return 0;
    if (!rows.empty())
        passwd = Value(rows, g_strColPasswd);
    return 1;
}

int CPasswdSetting::InsertEntry(ST_PW_ENTRY* entry, int policy)
{
    return InsertEntryInto(g_pSqlite, entry, policy).result;
}

int CPasswdSetting::InsertEntry(ST_PW_ENTRY* entry, int policy, int& code, QString& errText)
{
    const InsertOutcome outcome = InsertEntryInto(g_pSqlite, entry, policy);
    code = outcome.code;
    errText = outcome.errText;
    return outcome.result;
}

int CPasswdSetting::ReplaceEntry(const QString& oldTitle, const QString& oldUserName, const ST_PW_ENTRY& entry,
                                 QString& errText)
{
    CDbSqlite3* db = g_pSqlite;
    if (!db) {
        errText = QStringLiteral("no vault is open");
        return kSqliteMisuse;
    }
    std::lock_guard lock(db->GetLock());
    int code = Exec(db, QStringLiteral("BEGIN"), nullptr, errText);
    if (code != 0)
        return code;
    code = Exec(db, DeleteEntrySql(oldTitle, oldUserName), nullptr, errText);
    if (code == 0)
        code = InsertEntryRow(db, entry, errText);
    // A failed COMMIT (disk full, busy) is a failed replacement.
    if (code == 0)
        code = Exec(db, QStringLiteral("COMMIT"), nullptr, errText);
    if (code != 0)
        ExecQuietly(db, QStringLiteral("ROLLBACK"));
    return code;
}

int CPasswdSetting::DeleteEntry(const QString& title, const QString& userName)
{
    return ExecOrShow(DeleteEntrySql(title, userName), nullptr) == 0 ? 1 : 0;
}

int CPasswdSetting::TakeEntry(ST_PW_ENTRY* entry)
{
    if (!entry || !g_pSqlite)
        return 0;
    // Read straight into the record: a result map would leave one more copy
    // of the password behind.
    bool found = false;
    QString err;
    int code = g_pSqlite->ExecSQL_Visit(
        FormatText("SELECT %s, %s, %s, %s, %s FROM %s WHERE %s", g_strColEntryType, g_strColPasswd, g_strColURL,
                   g_strColEmail, g_strColNotes, g_strTnPwEntry, EntryWhere(entry->strTitle, entry->strUserName)),
        [&](const SqlRowView& row) {
            QString* fields[] = {&entry->strEntryType, &entry->strPasswd, &entry->strURL, &entry->strEmail,
                                 &entry->strNotes};
            for (int col = 0; col < 5 && col < row.columns; ++col)
                *fields[col] = textFromSql(row.texts[col] ? row.texts[col] : "", row.sizes[col]);
            found = true;
        },
        err);
    if (code == 0 && !found)
        return 2;
    if (code == 0)
        code = Exec(g_pSqlite, DeleteEntrySql(entry->strTitle, entry->strUserName), nullptr, err);
    if (code != 0) {
        WipeSecret(entry->strPasswd);
        ShowError(code, err);
        return 0;
    }
    return 1;
}

int CPasswdSetting::RestoreEntries(const PwEntryArray& entries, QString& errText)
{
    if (!g_pSqlite) {
        errText = QStringLiteral("no vault is open");
        return kSqliteMisuse;
    }
    QStringList inserts;
    for (const ST_PW_ENTRY& e : entries)
        inserts << FormatText("INSERT INTO %s VALUES(%s,%s,%s,%s,%s,%s,%s)", g_strTnPwEntry,
                              quoteSqlText(e.strEntryType), quoteSqlText(e.strTitle), quoteSqlText(e.strUserName),
                              quoteSqlText(e.strPasswd), quoteSqlText(e.strURL), quoteSqlText(e.strEmail),
                              quoteSqlText(e.strNotes));
    const int code = g_pSqlite->Transaction(inserts, &errText);
    for (QString& sql : inserts)
        WipeSecret(sql);
    return code;
}

int CPasswdSetting::ConfirmLogin()
{
    if (!g_pSqlite)
        return -1;
    if (g_pSqlite->IsLoggedIn())
        return 0;
    return ShowLoginPrompt(g_pSqlite, 0) == IDOK ? 1 : -1;
}

namespace {

// The targets of the backup folder's temporary files: dated backups and the
// staging name.
QString BackupTargetPattern()
{
    const QString prefix = QRegularExpression::escape(g_strBackupPrefix);
    return prefix + QStringLiteral("_[0-9]{8}_[0-9]{6}\\.db|\\.") + prefix + QStringLiteral("\\.part");
}

} // namespace

void CPasswdSetting::RemoveStaleCopies()
{
    // Exports are vaults and CSV files of any name.
    static const QString exportPattern = QStringLiteral("[^/]+\\.(?:[dD][bB]|[cC][sS][vV])");
    for (const QString& folder : GetCopyFolders())
        platform::RemoveStaleTempFiles(folder, exportPattern);
    if (g_strSavedDataPath.isEmpty())
        return;
    platform::RemoveStaleTempFiles(g_strSavedDataPath, QRegularExpression::escape(g_strDbFile));
    platform::RemoveStaleTempFiles(g_strSavedDataPath + kBackupSubFolder, BackupTargetPattern());
}

int CPasswdSetting::PrepareCopyFolder(const QString& folder)
{
    const int recorded = RememberCopyFolder(folder);
    RemoveStaleCopies();
    return recorded;
}

int CPasswdSetting::ExportVaultTo(const QString& path)
{
    PrepareCopyFolder(QFileInfo(path).absolutePath());
    return g_pSqlite && g_pSqlite->CopyDbFileTo(path) ? 1 : 0;
}

int CPasswdSetting::ExportCsvTo(const QString& path, int* count, QString* why)
{
    PwEntryArray entries;
    if (!SelectAllEntry(&entries))
        return 0;  // the store has shown why
    if (count)
        *count = int(entries.size());
    // Recorded before a byte of plain text is written: whatever a kill leaves
    // in that folder is removed at the next start.
    PrepareCopyFolder(QFileInfo(path).absolutePath());
    return platform::WriteFileNoReplace(path, WriteCsvEntries(entries), why) ? 1 : 0;
}

int CPasswdSetting::BackupPasswdDb()
{
    if (!g_pSqlite)
        return 0;
    const QString folder = g_strSavedDataPath + kBackupSubFolder;
    if (ConfirmPath(folder) == -1)
        return 0;

    // Backups of this process one at a time: they share the staging name.
    static std::mutex s_backupLock;
    std::lock_guard lock(s_backupLock);

    const QDateTime now = QDateTime::currentDateTime();
    const QDate day = now.date();
    const QTime time = now.time();
    const QString name = FormatText("%s%s_%.4d%.2d%.2d_%.2d%.2d%.2d.db", folder, g_strBackupPrefix,
                                    day.year(), day.month(), day.day(), time.hour(),
                                    time.minute(), time.second());
    // The wrapper copies under the connection's lock into a hidden temporary
    // file that takes the dated name only when complete and synced. A backup
    // of the same second is replaced in one step by a rename from a staging
    // name that never matches the backup pattern. Leftovers of a stopped
    // backup go first.
    const QString staging = folder + '.' + g_strBackupPrefix + QStringLiteral(".part");
    for (const QString& leftover : QDir(folder).entryList({'.' + g_strBackupPrefix + QStringLiteral(".part*")},
                                                          QDir::Files | QDir::Hidden | QDir::CaseSensitive))
        platform::RemoveFile(folder + leftover);
    RemoveStaleCopies();
    if (platform::FileExists(name)) {
        if (!g_pSqlite->CopyDbFileTo(staging))
            return 0;
        if (!platform::ReplaceFile(staging, name)) {
            platform::RemoveFile(staging);
            return 0;
        }
    } else if (!g_pSqlite->CopyDbFileTo(name)) {
        return 0;
    }

    QStringList backups = QDir(folder).entryList({g_strBackupPrefix + QStringLiteral("*.db")},
                                                 QDir::Files | QDir::CaseSensitive, QDir::NoSort);
    // Dated names sort by age; no file system order is relied on.
    std::sort(backups.begin(), backups.end());
    for (qsizetype i = 0; i + g_iBackupKeep < backups.size(); ++i)
        platform::RemoveFile(folder + backups[i]);
    return 1;
}

int CPasswdSetting::SelectAllEntry(PwEntryArray* entries, CDbSqlite3* db)
{
    if (!entries)
        return 0;
    if (!db)
        db = g_pSqlite;
    SqlResultMap rows;
    if (ExecOrShow(FormatText("SELECT * FROM %s", g_strTnPwEntry), &rows, db) != 0)
        return 0;
    entries->clear();
    entries->reserve(qsizetype(rows.size()));
    for (const auto& [index, row] : rows) {
        Q_UNUSED(index);
        entries->append({QString(), Cell(row, g_strColTitle), Cell(row, g_strColUserName),
                         Cell(row, g_strColPasswd), Cell(row, g_strColURL), Cell(row, g_strColEmail),
                         Cell(row, g_strColNotes)});
    }
    return 1;
}

int CPasswdSetting::InsertEntryArray(int& stored, int& failed, int& third, PwEntryArray& entries,
                                     int policy, StImportCounts* counts)
{
    stored = failed = third = 0;
    StImportCounts ignored;
    StImportCounts& tally = counts ? *counts : ignored;
    tally = StImportCounts();
    if (entries.isEmpty())
        return 0;
    CDbSqlite3* db = g_pSqlite;
    const auto giveUp = [&](int code, const QString& errText) {
        ShowError(code, errText);
        stored = third = 0;
        tally = StImportCounts();
        failed = int(entries.size());
        return -1;
    };
    if (!db)
        return giveUp(kSqliteMisuse, QStringLiteral("no vault is open"));

    // One transaction, held under the connection's lock so that no backup
    // copies the file half-way through it: a stop in the middle leaves the
    // vault as it was.
    std::lock_guard lock(db->GetLock());
    QString err;
    int code = Exec(db, QStringLiteral("BEGIN"), nullptr, err);
    if (code != 0)
        return giveUp(code, err);
    for (ST_PW_ENTRY& entry : entries) {
        const InsertOutcome outcome = InsertEntryInto(db, &entry, policy);
        if (outcome.result >= 0) {
            ++stored;
            ++third;
            if (outcome.result == 2)
                ++tally.renamed;
            else if (outcome.result >= 3)
                ++tally.identical;
            else
                ++tally.added;
            continue;
        }
        ++failed;
        // Most failures end only their own statement. A few (disk full, I/O)
        // roll the whole transaction back; a BEGIN that succeeds tells so.
        QString probeErr;
        if (Exec(db, QStringLiteral("BEGIN"), nullptr, probeErr) == 0) {
            ExecQuietly(db, QStringLiteral("ROLLBACK"));
            return giveUp(outcome.code, outcome.errText);
        }
    }
    code = Exec(db, QStringLiteral("COMMIT"), nullptr, err);
    if (code != 0) {
        ExecQuietly(db, QStringLiteral("ROLLBACK"));
        return giveUp(code, err);
    }
    return failed ? -1 : 0;
}

bool CPasswdSetting::IsConflictCopyName(const QString& fileName, const QString& vaultFileName)
{
    const int dot = int(vaultFileName.lastIndexOf(QLatin1Char('.')));
    const QString stem = QRegularExpression::escape(dot > 0 ? vaultFileName.left(dot) : vaultFileName);
    const QString ext = QRegularExpression::escape(dot > 0 ? vaultFileName.mid(dot) : QString());
    // Syncthing: name.sync-conflict-YYYYMMDD-HHMMSS-DEVICE.ext; Nextcloud:
    // "name (conflicted copy YYYY-MM-DD HHMMSS).ext"; Dropbox: "name (Who's
    // conflicted copy YYYY-MM-DD).ext".
    static thread_local QString lastVault;
    static thread_local QRegularExpression pattern;
    if (lastVault != vaultFileName || !pattern.isValid() || pattern.pattern().isEmpty()) {
        pattern.setPattern(QStringLiteral("^(?:%1\\.sync-conflict-[0-9]{8}-[0-9]{6}-[A-Z0-9]{7}"
                                          "|%1 \\([^()/]*conflicted copy[^()/]*\\))%2$")
                               .arg(stem, ext));
        lastVault = vaultFileName;
    }
    return pattern.match(fileName).hasMatch();
}

QStringList CPasswdSetting::FindConflictCopies()
{
    QStringList copies;
    if (g_strSavedDataPath.isEmpty())
        return copies;
    const QDir folder(g_strSavedDataPath);
    for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden, QDir::Name))
        if (IsConflictCopyName(name, g_strDbFile))
            copies << folder.filePath(name);
    return copies;
}

int CPasswdSetting::ReadConflictCopy(const QString& copyPath, PwEntryArray& missing)
{
    missing.clear();
    if (!g_pSqlite)
        return -1;
    CDbSqlite3 copy(copyPath);
    copy.SetReadOnly(1);
    if (!copy.ConfirmPasswdLike(*g_pSqlite))
        return -1;
    PwEntryArray entries;
    if (!SelectAllEntry(&entries, &copy))
        return -1;
    // The way a merge would go: a taken title is followed to its renamed
    // forms, so a copy merged once already (on this computer, or on the
    // other one before its vault arrived here) lacks nothing any more.
    for (const ST_PW_ENTRY& entry : entries) {
        for (QString title = entry.strTitle;; title += kImportSuffix) {
            SqlResultMap rows;
            QString err;
            if (Exec(g_pSqlite, SelectEntrySql(title, entry.strUserName), &rows, err) != 0)
                return -1;
            if (rows.empty()) {
                missing.append(entry);
                break;
            }
            if (SameFields(rows.begin()->second, entry))
                break;
        }
    }
    return int(missing.size());
}

int CPasswdSetting::MergeConflictCopy(const QString& copyPath, StImportCounts& counts, QString& movedTo,
                                      QString& errText)
{
    counts = StImportCounts();
    PwEntryArray missing;
    if (ReadConflictCopy(copyPath, missing) < 0) {
        errText = QStringLiteral("the copy does not open with the vault's master password");
        return 0;
    }
    int stored = 0, failed = 0, third = 0;
    if (!missing.isEmpty() && InsertEntryArray(stored, failed, third, missing, 4, &counts) != 0) {
        errText = QStringLiteral("not every entry of the copy could be stored");
        return 0;
    }
    // Kept, never deleted: the Backup folder holds it under its own name.
    const QString folder = g_strSavedDataPath + kBackupSubFolder;
    if (ConfirmPath(folder) == -1) {
        errText = folder;
        return 0;
    }
    const QString name = QFileInfo(copyPath).fileName();
    movedTo = folder + name;
    for (int n = 2; platform::FileExists(movedTo); ++n)
        movedTo = folder + QFileInfo(name).completeBaseName() + QStringLiteral("-%1.").arg(n) +
                  QFileInfo(name).suffix();
    if (!platform::MoveFileNoReplace(copyPath, movedTo, &errText)) {
        // Merged on the other computer as well, which put its copy away: the
        // sync program removed this one meanwhile. Its entries are in.
        if (!platform::FileExists(copyPath)) {
            movedTo.clear();
            errText.clear();
            return 1;
        }
        return 0;
    }
    return 1;
}
