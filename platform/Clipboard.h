#pragma once

#include <QString>

#include "foundation/TesselcoreApi.h"

namespace platform {

// Puts `text` on the clipboard as UTF-8 text, marked as a secret so that
// clipboard managers do not keep it in their history. Remembers a digest of
// it (not the text) for ClearClipboardSecret. Returns nonzero on success.
TESSELCORE_API int SetClipboardSecret(const QString& text);

// Empties the clipboard if it still holds the text of the last
// SetClipboardSecret; text copied meanwhile by the user or another program
// stays. Returns nonzero when it emptied the clipboard.
TESSELCORE_API int ClearClipboardSecret();

} // namespace platform
