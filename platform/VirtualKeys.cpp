#include "platform/VirtualKeys.h"

#include <QKeyEvent>
#include <QKeySequence>

namespace platform {
namespace {

struct KeyPair {
    int qt;
    UINT vk;
};

// Keys whose Qt code does not follow from a character range. Shifted US
// punctuation maps to the key that carries it.
constexpr KeyPair kKeys[] = {
    {Qt::Key_Backspace, VK_BACK}, {Qt::Key_Tab, VK_TAB}, {Qt::Key_Backtab, VK_TAB},
    {Qt::Key_Return, VK_RETURN}, {Qt::Key_Enter, VK_RETURN}, {Qt::Key_Shift, VK_SHIFT},
    {Qt::Key_Control, VK_CONTROL}, {Qt::Key_Alt, VK_MENU}, {Qt::Key_AltGr, VK_MENU},
    {Qt::Key_Pause, VK_PAUSE}, {Qt::Key_CapsLock, VK_CAPITAL}, {Qt::Key_Escape, VK_ESCAPE},
    {Qt::Key_Space, VK_SPACE}, {Qt::Key_PageUp, VK_PRIOR}, {Qt::Key_PageDown, VK_NEXT},
    {Qt::Key_End, VK_END}, {Qt::Key_Home, VK_HOME}, {Qt::Key_Left, VK_LEFT}, {Qt::Key_Up, VK_UP},
    {Qt::Key_Right, VK_RIGHT}, {Qt::Key_Down, VK_DOWN}, {Qt::Key_Print, VK_SNAPSHOT},
    {Qt::Key_Insert, VK_INSERT}, {Qt::Key_Delete, VK_DELETE}, {Qt::Key_Meta, VK_LWIN},
    {Qt::Key_Super_L, VK_LWIN}, {Qt::Key_Super_R, VK_RWIN}, {Qt::Key_Menu, VK_APPS},
    {Qt::Key_NumLock, VK_NUMLOCK}, {Qt::Key_ScrollLock, VK_SCROLL},
    {Qt::Key_Semicolon, VK_OEM_1}, {Qt::Key_Colon, VK_OEM_1},
    {Qt::Key_Equal, VK_OEM_PLUS}, {Qt::Key_Plus, VK_OEM_PLUS},
    {Qt::Key_Comma, VK_OEM_COMMA}, {Qt::Key_Less, VK_OEM_COMMA},
    {Qt::Key_Minus, VK_OEM_MINUS}, {Qt::Key_Underscore, VK_OEM_MINUS},
    {Qt::Key_Period, VK_OEM_PERIOD}, {Qt::Key_Greater, VK_OEM_PERIOD},
    {Qt::Key_Slash, VK_OEM_2}, {Qt::Key_Question, VK_OEM_2},
    {Qt::Key_QuoteLeft, VK_OEM_3}, {Qt::Key_AsciiTilde, VK_OEM_3},
    {Qt::Key_BracketLeft, VK_OEM_4}, {Qt::Key_BraceLeft, VK_OEM_4},
    {Qt::Key_Backslash, VK_OEM_5}, {Qt::Key_Bar, VK_OEM_5},
    {Qt::Key_BracketRight, VK_OEM_6}, {Qt::Key_BraceRight, VK_OEM_6},
    {Qt::Key_Apostrophe, VK_OEM_7}, {Qt::Key_QuoteDbl, VK_OEM_7},
    {Qt::Key_Exclam, '1'}, {Qt::Key_At, '2'}, {Qt::Key_NumberSign, '3'}, {Qt::Key_Dollar, '4'},
    {Qt::Key_Percent, '5'}, {Qt::Key_AsciiCircum, '6'}, {Qt::Key_Ampersand, '7'},
    {Qt::Key_Asterisk, '8'}, {Qt::Key_ParenLeft, '9'}, {Qt::Key_ParenRight, '0'},
};

// Keypad keys arrive as their character with the keypad modifier.
UINT keypadVk(int qtKey)
{
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return VK_NUMPAD0 + UINT(qtKey - Qt::Key_0);
    switch (qtKey) {
    case Qt::Key_Asterisk: return VK_MULTIPLY;
    case Qt::Key_Plus: return VK_ADD;
    case Qt::Key_Minus: return VK_SUBTRACT;
    case Qt::Key_Period: return VK_DECIMAL;
    case Qt::Key_Comma: return VK_SEPARATOR;
    case Qt::Key_Slash: return VK_DIVIDE;
    default: return 0;
    }
}

// Linux evdev codes of the letter and digit keys (X11 keycode - 8), so that
// a non-Latin layout still yields the key's Latin virtual key.
UINT vkFromEvdev(quint32 code)
{
    static const char rows[][14] = {
        "1234567890", "qwertyuiop", "asdfghjkl", "zxcvbnm",
    };
    static const quint32 starts[] = {2, 16, 30, 44};
    for (int r = 0; r < 4; ++r) {
        const quint32 len = quint32(qstrlen(rows[r]));
        if (code >= starts[r] && code < starts[r] + len)
            return UINT(QChar::toUpper(uint(rows[r][code - starts[r]])));
    }
    return 0;
}

} // namespace

UINT VirtualKeyFromQtKey(int qtKey, bool keypad)
{
    if (keypad)
        if (UINT vk = keypadVk(qtKey))
            return vk;
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
        return UINT(qtKey);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return VK_F1 + UINT(qtKey - Qt::Key_F1);
    for (const KeyPair& k : kKeys)
        if (k.qt == qtKey)
            return k.vk;
    return 0;
}

UINT VirtualKeyFromEvent(const QKeyEvent& event)
{
    const bool keypad = event.modifiers().testFlag(Qt::KeypadModifier);
    if (UINT vk = VirtualKeyFromQtKey(event.key(), keypad))
        return vk;
    if (event.nativeScanCode() > 8)
        return vkFromEvdev(event.nativeScanCode() - 8);
    return 0;
}

int QtKeyFromVirtualKey(UINT vk)
{
    if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9'))
        return int(vk);
    if (vk >= VK_F1 && vk <= VK_F24)
        return Qt::Key_F1 + int(vk - VK_F1);
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD0 + 9)
        return Qt::Key_0 + int(vk - VK_NUMPAD0);
    switch (vk) {
    case VK_MULTIPLY: return Qt::Key_Asterisk;
    case VK_ADD: return Qt::Key_Plus;
    case VK_SUBTRACT: return Qt::Key_Minus;
    case VK_DECIMAL: return Qt::Key_Period;
    case VK_DIVIDE: return Qt::Key_Slash;
    default: break;
    }
    for (const KeyPair& k : kKeys)
        if (k.vk == vk)
            return k.qt;  // the first pair is the unshifted key
    return 0;
}

UINT HotKeyFlagsFromModifiers(int modifiers)
{
    const Qt::KeyboardModifiers m(modifiers);
    UINT flags = 0;
    if (m & Qt::ShiftModifier)
        flags |= HOTKEYF_SHIFT;
    if (m & Qt::ControlModifier)
        flags |= HOTKEYF_CONTROL;
    if (m & Qt::AltModifier)
        flags |= HOTKEYF_ALT;
    return flags;
}

int ModifiersFromHotKeyFlags(UINT flags)
{
    Qt::KeyboardModifiers m;
    if (flags & HOTKEYF_SHIFT)
        m |= Qt::ShiftModifier;
    if (flags & HOTKEYF_CONTROL)
        m |= Qt::ControlModifier;
    if (flags & HOTKEYF_ALT)
        m |= Qt::AltModifier;
    return int(m.toInt());
}

QString HotKeyText(DWORD value)
{
    if (value == 0)
        return QString();
    const UINT flags = (value >> 16) & 0xFF;
    const UINT vk = value & 0xFF;
    QStringList parts;
    if (flags & HOTKEYF_CONTROL)
        parts << QStringLiteral("Ctrl");
    if (flags & HOTKEYF_SHIFT)
        parts << QStringLiteral("Shift");
    if (flags & HOTKEYF_ALT)
        parts << QStringLiteral("Alt");
    if (const int qtKey = QtKeyFromVirtualKey(vk))
        parts << QKeySequence(qtKey).toString(QKeySequence::NativeText);
    else if (vk)
        parts << QStringLiteral("0x%1").arg(vk, 2, 16, QLatin1Char('0'));
    return parts.join(QStringLiteral(" + "));
}

} // namespace platform
