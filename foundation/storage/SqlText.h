#pragma once

#include <QString>

#include "foundation/TesselcoreApi.h"

// The quoting helper: an SQL text literal, 'it''s', so the stored text is
// exactly the given text and no value can change a statement. Text that is
// not valid UTF-16 (an unpaired surrogate) and NUL characters are stored as
// U+FFFD; everything else, a leading U+FEFF included, is kept.
TESSELCORE_API QString quoteSqlText(const QString& text);

// A quoted LIKE pattern '%keyword%' matching the keyword literally; use it
// with ` ESCAPE '\'` after the pattern.
TESSELCORE_API QString likeContainsLiteral(const QString& keyword);

// A stored text value from SQLite's UTF-8, exactly: QString::fromUtf8 would
// drop a leading U+FEFF as a byte-order mark. `bytes` -1 reads up to a NUL.
TESSELCORE_API QString textFromSql(const char* utf8, qsizetype bytes = -1);

// C-style reading of a number stored as text: leading blanks, a sign, then the
// leading digits; no digits gives 0. Digits beyond 64 bits wrap around.
TESSELCORE_API qint64 TextToInt64(const QString& text);
