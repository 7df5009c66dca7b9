#include "foundation/storage/GlobalSettings.h"

#include "foundation/storage/DbSqlite3.h"
#include "foundation/storage/FormatText.h"
#include "foundation/storage/SqlText.h"
#include "foundation/storage/SysHelpers.h"

const QString g_strDbFileInit = QStringLiteral("db.init");
const QString g_strDbFile = QStringLiteral("Sqlite.db");
const QString g_strTnInitGlobleSettings = QStringLiteral("TnGlobalSettings");
const QString g_strColGlobalSettingsId = QStringLiteral("GlobalSettigsId");
const QString g_strColAutoStart = QStringLiteral("AutoStart");
const QString g_strColStartMini = QStringLiteral("StartMini");
const QString g_strColCloseToTray = QStringLiteral("CloseToTray");
const QString g_strColMiniToTray = QStringLiteral("MiniToTray");
const QString g_strColLanguage = QStringLiteral("Language");
const QString g_strColDataFolder = QStringLiteral("DataFolder");
const QString g_strColCheckHotKeyAdd = QStringLiteral("CheckHotKeyAdd");
const QString g_strColHotKeyAdd = QStringLiteral("HotKeyAdd");
const QString g_strColCheckHotKeyQuery = QStringLiteral("CheckHotKeyQuery");
const QString g_strColHotKeyQuery = QStringLiteral("HotKeyQuery");
const QString g_strTnInitBackupTime = QStringLiteral("TnBackupTime");
const QString g_strColBackupTimeId = QStringLiteral("BackupTimeId");
const QString g_strColBackupTime = QStringLiteral("BackupTime");
const QString g_strTnInitCopyFolder = QStringLiteral("TnCopyFolder");
const QString g_strColCopyFolder = QStringLiteral("Folder");
const QString g_strColCopyFolderUsed = QStringLiteral("UsedAt");
const QString g_strTnInitVaultKeyPage = QStringLiteral("TnVaultKeyPage");
const QString g_strColVaultPath = QStringLiteral("VaultPath");
const QString g_strColVaultPage = QStringLiteral("Page");
const QString g_strColVaultSize = QStringLiteral("FileSize");
const QString g_strColVaultFileId = QStringLiteral("FileId");
const QString g_strTnStDbPasswd = QStringLiteral("TnDbPasswd");
const QString g_strColDbPasswd = QStringLiteral("DbPasswd");
const QString g_strColDbPasswdId = QStringLiteral("DbPasswdId");

QString g_strExePath;
QString g_strExeName;
QString g_strSavedDataPath;
QString g_strDataSubPath;
QString g_strDataFolderKey;
QString g_strDataFolderSection;

const QString g_strRegPath = QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Tessel.exe\\");
const QString g_strProgram = QStringLiteral("Tessel");
const QString g_strSheet = QStringLiteral("Tessel");
const QString g_strVerMajor = QStringLiteral("2.0");
const QString g_strVerMinor = QStringLiteral("2.0.0.112");
const QString g_strSubFolderMisData = QStringLiteral("Data_TesselSuite/");

CDbSqlite3* g_pSqlite = nullptr;
CDbSqlite3* g_pSqliteInit = nullptr;
int g_bNeedPasswd = 0;

namespace {

// Runs one statement on the init database; a failure is shown and gives false.
bool runInit(const QString& sql, SqlResultMap* result = nullptr)
{
    if (!g_pSqliteInit)
        return false;
    QString errText;
    const int code = g_pSqliteInit->ExecSQL_W(sql, result, errText);
    if (code != 0) {
        ShowSqlError(code, errText);
        return false;
    }
    return true;
}

int flagOf(const QString& text) { return TextToInt64(text) != 0 ? 1 : 0; }

} // namespace

int CreateDbInit()
{
    if (!g_pSqliteInit)
        return 0;
    g_pSqliteInit->InitDB();
    if (!g_pSqliteInit->ConfirmAndChangePasswd(QString(), QString(), 1))
        return 0;

    int result = 1;
    const QString createSettings = FormatText(
        "CREATE TABLE %s(%s INTEGER, %s INTEGER, %s INTEGER, %s INTEGER, %s INTEGER, %s TEXT, %s TEXT,"
        "%s INTEGER, %s INTEGER, %s INTEGER, %s INTEGER, PRIMARY KEY (%s))",
        g_strTnInitGlobleSettings, g_strColGlobalSettingsId, g_strColAutoStart, g_strColStartMini,
        g_strColCloseToTray, g_strColMiniToTray, g_strColLanguage, g_strColDataFolder,
        g_strColCheckHotKeyAdd, g_strColHotKeyAdd, g_strColCheckHotKeyQuery, g_strColHotKeyQuery,
        g_strColGlobalSettingsId);
    if (!runInit(createSettings) ||
        !runInit(FormatText("INSERT INTO %s VALUES(0,1,1,1,1,'English',%s,1,262209,1,262225)",
                            g_strTnInitGlobleSettings, quoteSqlText(g_strSavedDataPath))))
        result = 0;

    const QString createBackup = FormatText("CREATE TABLE %s(%s INTEGER, %s INTEGER, PRIMARY KEY (%s))",
                                            g_strTnInitBackupTime, g_strColBackupTimeId,
                                            g_strColBackupTime, g_strColBackupTimeId);
    if (!runInit(createBackup) ||
        !runInit(FormatText("INSERT INTO %s VALUES(0,%u)", g_strTnInitBackupTime, GetSecondsFromZero())))
        result = 0;
    return result;
}

int CheckAndUpdateDbInit() { return 1; }

QString GetGlobalSetting(const QString& column)
{
    SqlResultMap rows;
    if (!runInit(FormatText("SELECT %s FROM %s WHERE %s=0", column, g_strTnInitGlobleSettings,
                            g_strColGlobalSettingsId),
                 &rows) ||
        rows.empty())
        return QString();
    const auto value = rows[0].find(column);
    return value == rows[0].end() ? QString() : value->second;
}

int GetGlobalSettings(StGlobalSettings* settings)
{
    SqlResultMap rows;
    if (!settings ||
        !runInit(FormatText("SELECT * FROM %s WHERE %s=0", g_strTnInitGlobleSettings, g_strColGlobalSettingsId),
                 &rows) ||
        rows.empty())
        return 0;
    SqlRowMap& row = rows[0];
    settings->AutoStart = flagOf(row[g_strColAutoStart]);
    settings->StartMini = flagOf(row[g_strColStartMini]);
    settings->CloseToTray = flagOf(row[g_strColCloseToTray]);
    settings->MiniToTray = flagOf(row[g_strColMiniToTray]);
    settings->Language = GetLangByStr(row[g_strColLanguage]);
    settings->DataFolder = row[g_strColDataFolder];
    settings->CheckHotKeyAdd = row[g_strColCheckHotKeyAdd] == QLatin1String("0") ? 0 : 1;
    settings->HotKeyAdd = static_cast<quint32>(TextToInt64(row[g_strColHotKeyAdd]));
    settings->CheckHotKeyQuery = row[g_strColCheckHotKeyQuery] == QLatin1String("0") ? 0 : 1;
    settings->HotKeyQuery = static_cast<quint32>(TextToInt64(row[g_strColHotKeyQuery]));
    return 1;
}

int UpdateGlobalSetting(const QString& column, const QString& value, int id)
{
    return runInit(FormatText("UPDATE %s SET %s=%s WHERE %s=%d", g_strTnInitGlobleSettings, column, value,
                              g_strColGlobalSettingsId, id))
               ? 1
               : 0;
}

quint32 GetLastBackupTime(int id)
{
    SqlResultMap rows;
    if (!runInit(FormatText("SELECT %s FROM %s WHERE %s=%d", g_strColBackupTime, g_strTnInitBackupTime,
                            g_strColBackupTimeId, id),
                 &rows) ||
        rows.empty())
        return 0;
    return static_cast<quint32>(TextToInt64(rows[0][g_strColBackupTime]));
}

int UpdateLastBackupTime(quint32 time, int id)
{
    return runInit(FormatText("UPDATE %s SET %s=%u WHERE %s=%d", g_strTnInitBackupTime, g_strColBackupTime, time,
                              g_strColBackupTimeId, id))
               ? 1
               : 0;
}

namespace {

constexpr int kCopyFoldersKept = 16;

// The copy-folder table came after the first db.init files: made on demand.
bool runInitQuiet(const QString& sql, SqlResultMap* result = nullptr)
{
    QString errText;
    return g_pSqliteInit && g_pSqliteInit->ExecSQL_W(sql, result, errText) == 0;
}

} // namespace

int RememberCopyFolder(const QString& folder)
{
    if (folder.isEmpty())
        return 0;
    const QString clean = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    return runInitQuiet(FormatText("CREATE TABLE IF NOT EXISTS %s(%s TEXT PRIMARY KEY, %s INTEGER)",
                                   g_strTnInitCopyFolder, g_strColCopyFolder, g_strColCopyFolderUsed)) &&
                   runInitQuiet(FormatText("INSERT OR REPLACE INTO %s VALUES(%s, %u)", g_strTnInitCopyFolder,
                                           quoteSqlText(clean), GetSecondsFromZero())) &&
                   runInitQuiet(FormatText("DELETE FROM %s WHERE %s NOT IN (SELECT %s FROM %s ORDER BY %s DESC, "
                                           "rowid DESC LIMIT %d)",
                                           g_strTnInitCopyFolder, g_strColCopyFolder, g_strColCopyFolder,
                                           g_strTnInitCopyFolder, g_strColCopyFolderUsed, kCopyFoldersKept))
               ? 1
               : 0;
}

QStringList GetCopyFolders()
{
    SqlResultMap rows;
    QStringList folders;
    if (!runInitQuiet(FormatText("SELECT %s FROM %s", g_strColCopyFolder, g_strTnInitCopyFolder), &rows))
        return folders;
    for (auto& row : rows)
        folders << row.second[g_strColCopyFolder];
    return folders;
}

int RememberVaultKeyPage(const QString& path, const QByteArray& page, qint64 fileSize, const QString& fileId)
{
    if (path.isEmpty() || page.isEmpty())
        return 0;
    if (!runInitQuiet(FormatText("CREATE TABLE IF NOT EXISTS %s(%s TEXT PRIMARY KEY, %s BLOB, %s INTEGER, %s TEXT)",
                                 g_strTnInitVaultKeyPage, g_strColVaultPath, g_strColVaultPage, g_strColVaultSize,
                                 g_strColVaultFileId)))
        return 0;
    // A record made before files were told apart lacks the column: added
    // once, its rows stay valid without it.
    SqlResultMap columns;
    if (runInitQuiet(FormatText("SELECT count(*) AS Found FROM pragma_table_info(%s) WHERE name=%s",
                                quoteSqlText(g_strTnInitVaultKeyPage), quoteSqlText(g_strColVaultFileId)),
                     &columns) &&
        !columns.empty() && columns.begin()->second[QStringLiteral("Found")] == QLatin1String("0") &&
        !runInitQuiet(FormatText("ALTER TABLE %s ADD COLUMN %s TEXT", g_strTnInitVaultKeyPage, g_strColVaultFileId)))
        return 0;
    return runInitQuiet(FormatText("INSERT OR REPLACE INTO %s(%s,%s,%s,%s) VALUES(%s, X'%s', %s, %s)",
                                   g_strTnInitVaultKeyPage, g_strColVaultPath, g_strColVaultPage, g_strColVaultSize,
                                   g_strColVaultFileId, quoteSqlText(path), QString::fromLatin1(page.toHex()),
                                   QString::number(fileSize), quoteSqlText(fileId)))
               ? 1
               : 0;
}

QByteArray GetVaultKeyPage(const QString& path, qint64* fileSize, QString* fileId)
{
    SqlResultMap rows;
    // Every column: a record of an older version has no file id.
    if (!runInitQuiet(FormatText("SELECT hex(%s) AS PageHex, * FROM %s WHERE %s=%s", g_strColVaultPage,
                                 g_strTnInitVaultKeyPage, g_strColVaultPath, quoteSqlText(path)),
                      &rows) ||
        rows.empty())
        return QByteArray();
    SqlRowMap& row = rows.begin()->second;
    if (fileSize)
        *fileSize = TextToInt64(row[g_strColVaultSize]);
    if (fileId) {
        const auto id = row.find(g_strColVaultFileId);
        *fileId = id == row.end() ? QString() : id->second;
    }
    return QByteArray::fromHex(row[QStringLiteral("PageHex")].toLatin1());
}
