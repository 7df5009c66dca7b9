#include "vault/LoginSeam.h"

#include <utility>

#include "platform/WinTypes.h"

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
    return prompt(db, backupFlag, passwordOut) == IDOK ? IDOK : IDCANCEL;
}
