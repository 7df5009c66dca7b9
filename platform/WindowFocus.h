#pragma once

#include "foundation/TesselcoreApi.h"

class QWidget;

namespace platform {

// The window that takes the keyboard when `window` is asked for it: the
// topmost modal window of the program that blocks it (a prompt, an editor or
// a message box above it), or the window itself.
TESSELCORE_API QWidget* KeyboardTarget(QWidget* window);

// Raises the keyboard target of `window` (restored if minimised) and gives
// it the keyboard. Under a window manager an activation request alone can be
// turned down as focus stealing when it comes just as another of the
// program's windows closes, leaving no window with the keys; the program may
// move the input focus between its own windows itself, so it does that too.
TESSELCORE_API void GiveKeyboardTo(QWidget* window);

} // namespace platform
