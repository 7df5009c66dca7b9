#pragma once

// Qt draws some texts itself: the file chooser (its labels, buttons, column
// heads and questions), the edit menu of every text field, the standard
// buttons of message boxes. They come from the translations Qt ships
// (qtbase_*.qm in Qt's translations folder), not from the language files.
#include <QString>

#include "foundation/TesselcoreApi.h"

namespace platform {

// Qt's name of the translation for `language`, the abbreviation the language
// files are named by ("ara", "chs"): "ar", "zh_CN"; empty when Qt ships none
// (Bengali, Hindi) or the abbreviation is unknown.
TESSELCORE_API QString QtTranslationName(const QString& language);

// Qt's own texts speak `language` from now on, in place of the one before.
// False when Qt has no texts for it or they are not installed: they are
// English then. Windows keep the direction they give themselves: Qt's
// Arabic texts would otherwise turn every new window right-to-left.
TESSELCORE_API bool SetQtTextsLanguage(const QString& language);

} // namespace platform
