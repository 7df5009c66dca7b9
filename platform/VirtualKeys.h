#pragma once

// Qt keys <-> Windows virtual-key codes (US layout for punctuation), the
// codes the key hook and the hot-key control speak.
#include "platform/WindowTypes.h"

class QKeyEvent;

namespace platform {

// The virtual key of a key event; 0 when it has none.
UINT VirtualKeyFromEvent(const QKeyEvent& event);
// The virtual key of a Qt key code (Qt::Key); 0 when it has none.
UINT VirtualKeyFromQtKey(int qtKey, bool keypad = false);
// The Qt key (Qt::Key) for a virtual key; 0 when there is none.
int QtKeyFromVirtualKey(UINT vk);
// HOTKEYF_ flags of Qt keyboard modifiers (an int holding Qt::KeyboardModifiers).
UINT HotKeyFlagsFromModifiers(int modifiers);
// Qt keyboard modifiers of HOTKEYF_ flags.
int ModifiersFromHotKeyFlags(UINT flags);
// "Ctrl + Alt + K", empty for 0.
QString HotKeyText(DWORD value);

} // namespace platform
