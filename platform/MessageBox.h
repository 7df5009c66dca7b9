#pragma once

#include <functional>

#include <QString>

#include "foundation/TesselcoreApi.h"
#include "platform/WinTypes.h"

namespace platform {

// The one message-box call of the system. Shows a modal box with the icon of
// its kind (MB_ICON..., see WinTypes.h), centred on the window in front, and
// returns the button pressed (IDOK, IDCANCEL, IDYES, IDNO). Without a GUI application
// the text goes to standard error and the answer is IDOK.
// `moot`, when given, is asked while the box is up (and before it is shown):
// once it says the question no longer stands (another computer answered
// it), the box goes away as if Cancel was pressed (OK for a box of OK alone).
TESSELCORE_API int ShowMessageBox(const QString& text, const QString& caption = QString(),
                                  unsigned type = MB_OK, const std::function<bool()>& moot = {});

// Replaces how boxes are shown (tests record them and answer from a script).
// Returns the handler it replaced; an empty handler restores the real box.
using MessageBoxHandler = std::function<int(const QString& text, const QString& caption, unsigned type)>;
TESSELCORE_API MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

// Where the boxes' buttons get their texts: asked with IDOK, IDCANCEL, IDYES
// or IDNO each time a box is shown; an empty answer keeps Qt's own text. Qt
// translates its texts only with translation files the program does not ship,
// so without a source every box would answer in English.
using MessageBoxButtonTextSource = std::function<QString(int button)>;
TESSELCORE_API void SetMessageBoxButtonTextSource(MessageBoxButtonTextSource source);

} // namespace platform
