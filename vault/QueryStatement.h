#pragma once

#include <QString>
#include <QStringList>

#include "vault/VaultcoreApi.h"

// The keywords of a search, in the order they are taken: the text is trimmed,
// each keyword runs up to the next space, and every occurrence of a taken
// keyword is removed from the rest ("ab abc" gives "ab", "c"). An empty text
// gives one empty keyword, which matches every entry.
VAULTCORE_API QStringList SplitQueryKeywords(const QString& keywords);

// The search over the entry table: every keyword must occur, literally and
// case-insensitively for ASCII letters, in the title, user name, URL, e-mail
// or notes (never the password); rows ordered by title, then user name.
VAULTCORE_API QString BuildQueryStatement(const QString& keywords);
