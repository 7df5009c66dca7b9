#include "vault/LoginSeam.h"

#include <utility>

#include "foundation/storage/GlobalSettings.h"
#include "foundation/storage/Secret.h"
#include "platform/WinTypes.h"
#include "vault/PasswdSetting.h"

namespace {
LoginPrompt& installedPrompt()
{
    static LoginPrompt s_prompt;
    return s_prompt;
}
} // namespace

LoginPrompt SetLoginPrompt(LoginPrompt prompt)
{
    return std::exchange(installedPrompt(), std::move(prompt));
}

int ShowLoginPrompt(CDbSqlite3* db, int backupFlag, QString& passwordOut)
{
    const LoginPrompt& prompt = installedPrompt();
    if (!prompt || !db)
        return IDCANCEL;
    if (prompt(db, backupFlag, passwordOut) != IDOK)
        return IDCANCEL;
    // A login that asked and was right counts as a query of the vault.
    if (db == g_pSqlite && g_pPwSettings)
        g_pPwSettings->GetQueryAuth().RecordPasswd();
    return IDOK;
}

int ShowLoginPrompt(CDbSqlite3* db, int backupFlag)
{
    QString passwd;
    const int result = ShowLoginPrompt(db, backupFlag, passwd);
    WipeSecret(passwd);
    return result;
}
