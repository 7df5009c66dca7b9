#pragma once

// Font descriptions <-> Qt fonts. Windows face names of the languages'
// fonts are mapped to installed faces that cover the same scripts.
#include <QFont>
#include <QStringList>

#include "platform/WindowTypes.h"

namespace platform {

// Installed families to use for `face`, best first (empty face: none, the
// system's default then applies).
QStringList FamiliesForFace(const QString& face);
// Installed families that cover the scripts of the program's languages;
// every window font lists them after its own face.
QStringList ScriptFallbackFamilies();
QFont FontFromLogFont(const LOGFONT& font, const QFont& base);
LOGFONT LogFontFromFont(const QFont& font, int logPixelsY);

} // namespace platform
