#pragma once

#include <functional>

#include <QString>

#include "vault/VaultcoreApi.h"

class CDbSqlite3;

// The one way the store asks for a database password. A prompt checks the
// password it is given against `db` itself (ConfirmPasswd, mode 0) and answers
// IDOK only once it was accepted, leaving the password in `passwordOut`, or
// IDCANCEL. `backupFlag` non-zero asks for another vault's password (import).
using LoginPrompt = std::function<int(CDbSqlite3* db, int backupFlag, QString& passwordOut)>;

// Installs the prompt (the login dialog in the program, scripted answers in
// tests); returns the one it replaced. An empty prompt refuses every login.
VAULTCORE_API LoginPrompt SetLoginPrompt(LoginPrompt prompt);

// Shows the installed prompt: IDOK or IDCANCEL (always IDCANCEL without one).
VAULTCORE_API int ShowLoginPrompt(CDbSqlite3* db, int backupFlag, QString& passwordOut);
// The same for a caller that needs the vault opened, not the password: it is
// overwritten here.
VAULTCORE_API int ShowLoginPrompt(CDbSqlite3* db, int backupFlag);
