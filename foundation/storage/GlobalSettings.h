#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "foundation/TesselcoreApi.h"
#include "foundation/storage/Language.h"

class CDbSqlite3;

// File, table and column names shared by every deliverable.
extern TESSELCORE_API const QString g_strDbFileInit;
extern TESSELCORE_API const QString g_strDbFile;
extern TESSELCORE_API const QString g_strTnInitGlobleSettings;
extern TESSELCORE_API const QString g_strColGlobalSettingsId;
extern TESSELCORE_API const QString g_strColAutoStart;
extern TESSELCORE_API const QString g_strColStartMini;
extern TESSELCORE_API const QString g_strColCloseToTray;
extern TESSELCORE_API const QString g_strColMiniToTray;
extern TESSELCORE_API const QString g_strColLanguage;
extern TESSELCORE_API const QString g_strColDataFolder;
extern TESSELCORE_API const QString g_strColCheckHotKeyAdd;
extern TESSELCORE_API const QString g_strColHotKeyAdd;
extern TESSELCORE_API const QString g_strColCheckHotKeyQuery;
extern TESSELCORE_API const QString g_strColHotKeyQuery;
extern TESSELCORE_API const QString g_strTnInitBackupTime;
extern TESSELCORE_API const QString g_strColBackupTimeId;
extern TESSELCORE_API const QString g_strColBackupTime;
extern TESSELCORE_API const QString g_strTnStDbPasswd;
extern TESSELCORE_API const QString g_strColDbPasswd;
extern TESSELCORE_API const QString g_strColDbPasswdId;

// Set by the main program at start-up. Folders end in '/'.
extern TESSELCORE_API QString g_strExePath;
extern TESSELCORE_API QString g_strExeName;
extern TESSELCORE_API QString g_strSavedDataPath;
extern TESSELCORE_API QString g_strDataSubPath;
extern TESSELCORE_API QString g_strDataFolderKey;
extern TESSELCORE_API QString g_strDataFolderSection;

extern TESSELCORE_API const QString g_strRegPath;
extern TESSELCORE_API const QString g_strProgram;
extern TESSELCORE_API const QString g_strSheet;
extern TESSELCORE_API const QString g_strVerMajor;
extern TESSELCORE_API const QString g_strVerMinor;
extern TESSELCORE_API const QString g_strSubFolderMisData;

// Owned by the main program.
extern TESSELCORE_API CDbSqlite3* g_pSqlite;
extern TESSELCORE_API CDbSqlite3* g_pSqliteInit;
// The vault has a master password, or its settings ask for one.
extern TESSELCORE_API int g_bNeedPasswd;

struct StGlobalSettings {
    int AutoStart = 0;
    int StartMini = 0;
    int CloseToTray = 0;
    int MiniToTray = 0;
    ENUM_LANGUAGE Language = LANG_ENU;
    QString DataFolder;
    int CheckHotKeyAdd = 0;
    quint32 HotKeyAdd = 0;
    int CheckHotKeyQuery = 0;
    quint32 HotKeyQuery = 0;
};

// All of these work on g_pSqliteInit; every caller passes row id 0.
TESSELCORE_API int CreateDbInit();
TESSELCORE_API int CheckAndUpdateDbInit();
TESSELCORE_API int GetGlobalSettings(StGlobalSettings* settings);
TESSELCORE_API QString GetGlobalSetting(const QString& column);
// `value` is a finished SQL literal: digits, or text made with quoteSqlText.
TESSELCORE_API int UpdateGlobalSetting(const QString& column, const QString& value, int id);
TESSELCORE_API quint32 GetLastBackupTime(int id);
// Folders outside the data folder that the program has written copies into
// (exports, a move of the vault): where a copy stopped by a kill may have left
// its temporary file, looked at again at the next start and the next copy. A
// folder is recorded before anything is written there; the most recent few
// are kept. Neither shows an error: a copy goes on without the record.
TESSELCORE_API int RememberCopyFolder(const QString& folder);
TESSELCORE_API QStringList GetCopyFolders();
// The first page of the vault at `path` as a password last opened it (its
// salt and its authentication code, the encrypted bytes the file itself
// holds) and the file's size then. With it a refused password can be told
// from a damaged file. `fileId` names the file the page was read from
// (device and inode): a sync program delivers a vault as a new file, which
// may carry another master password; a damaged file is still the same one.
TESSELCORE_API int RememberVaultKeyPage(const QString& path, const QByteArray& page, qint64 fileSize,
                                        const QString& fileId);
TESSELCORE_API QByteArray GetVaultKeyPage(const QString& path, qint64* fileSize = nullptr,
                                          QString* fileId = nullptr);
TESSELCORE_API int UpdateLastBackupTime(quint32 time, int id);
