#pragma once

#include <QList>
#include <QString>

#include "vault/VaultcoreApi.h"

// One vault entry, fields in the column order of the entry table.
struct ST_PW_ENTRY {
    QString strEntryType;
    QString strTitle;
    QString strUserName;
    QString strPasswd;
    QString strURL;
    QString strEmail;
    QString strNotes;

    bool operator==(const ST_PW_ENTRY&) const = default;
};

// Entry lists exchanged between the store, import and export.
using PwEntryArray = QList<ST_PW_ENTRY>;

// How often the master password is asked again before a query.
enum EnumPwInputFreq : int {
    FREQ_LOGIN_ONCE = 0,
    FREQ_EACH_ACTIVATION = 1,
    FREQ_EACH_QUERY = 2,
    FREQ_10_SECONDS = 3,
    FREQ_30_SECONDS = 4,
    FREQ_1_MINUTE = 5,
    FREQ_5_MINUTES = 6,
    FREQ_10_MINUTES = 7,
    FREQ_30_MINUTES = 8,
    FREQ_1_HOUR = 9,
};

// The vault settings as read from the settings table.
struct StPwSetting {
    int bNeedLoginPasswd = 0;
    int iInputFreq = FREQ_LOGIN_ONCE;
    int bAutoBackup = 0;
    int bShowPasswd = 0;
    int bDirectCopy = 0;
    int iClipboardSecond = 10;
};

// Selects the setting UpdateSettingToDB writes; only the input frequency has
// a statement.
enum EnumPwStItem : int {
    ST_ITEM_INPUT_FREQ = 8,
};

// The value as an EnumPwInputFreq for 0 to 9, -1 for anything else.
VAULTCORE_API int GetEnumFreq(int value);
