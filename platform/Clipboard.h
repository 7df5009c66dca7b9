#pragma once

#include <functional>

#include <QString>

#include "foundation/TesselcoreApi.h"

class QLineEdit;
class QWidget;

namespace platform {

// Puts `text` on the clipboard as UTF-8 text, marked as a secret so that
// clipboard managers do not keep it in their history. Remembers a digest of
// it (not the text) for ClearClipboardSecret. Returns nonzero on success.
TESSELCORE_API int SetClipboardSecret(const QString& text);

// Empties the clipboard if it still holds the text of the last
// SetClipboardSecret; text copied meanwhile by the user or another program
// stays. Returns nonzero when it emptied the clipboard.
TESSELCORE_API int ClearClipboardSecret();

// A password the user copies out of a field. The program installs the
// handler that copies it and promises the clear (the main window: the same
// clipboard and timer as the query window's copies); without one the text is
// copied by SetClipboardSecret alone. Returns nonzero when it was copied.
using SecretCopyHandler = std::function<int(const QString& text)>;
TESSELCORE_API int CopySecret(const QString& text);
// Installs the handler; returns the one it replaces.
TESSELCORE_API SecretCopyHandler SetSecretCopyHandler(SecretCopyHandler handler);

// A password field that can be shown: while its text is shown, Copy and Cut
// (keys and context menu) go through CopySecret, and a selection in it does
// not stay in the X primary selection, where nothing would clear it.
TESSELCORE_API void GuardSecretEdit(QLineEdit* edit);
// Overwrites the text of every guarded field in `window`: done when a window
// is let go, whose fields would otherwise keep it until they are deleted, and
// then in freed memory.
TESSELCORE_API void WipeSecretEdits(QWidget* window);

} // namespace platform
