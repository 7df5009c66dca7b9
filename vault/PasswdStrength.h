#pragma once

#include <QString>

#include "vault/VaultcoreApi.h"

// Strength of a password from 0 to 100: points for the length, for the
// distinct characters of each class (digits, lower case, upper case, ASCII
// symbols, everything from code 128 up), one per class present, less a share
// when there are only a few distinct characters. Counts code points.
VAULTCORE_API int CalcPasswdStrength(const QString& passwd);
