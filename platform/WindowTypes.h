#pragma once

// The small vocabulary of the Windows dialog framework that the windows of
// the system are written in: rectangles, colours, message and notification
// codes, virtual-key codes. Values are the Windows ones, because stored
// settings (hot keys) and the window algorithms are expressed in them.
#include <cstdint>

#include <QString>

#include "platform/WinTypes.h"

using BOOL = int;
using UINT = unsigned int;
using DWORD = std::uint32_t;
using WORD = std::uint16_t;
using BYTE = std::uint8_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using COLORREF = std::uint32_t;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

// Red in the low byte, as the colours the system stores.
constexpr COLORREF RGB(int r, int g, int b)
{
    return COLORREF(r & 0xFF) | (COLORREF(g & 0xFF) << 8) | (COLORREF(b & 0xFF) << 16);
}
constexpr int GetRValue(COLORREF c) { return int(c & 0xFF); }
constexpr int GetGValue(COLORREF c) { return int((c >> 8) & 0xFF); }
constexpr int GetBValue(COLORREF c) { return int((c >> 16) & 0xFF); }
constexpr WORD LOWORD(std::uintptr_t v) { return WORD(v & 0xFFFF); }
constexpr WORD HIWORD(std::uintptr_t v) { return WORD((v >> 16) & 0xFFFF); }

struct CPoint {
    int x = 0;
    int y = 0;
    bool operator==(const CPoint&) const = default;
};

// left/top inclusive, right/bottom exclusive, as window rectangles are.
struct CRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsRectEmpty() const { return right <= left || bottom <= top; }
    void SetRectEmpty() { left = top = right = bottom = 0; }
    void OffsetRect(int dx, int dy) { left += dx; right += dx; top += dy; bottom += dy; }
    CPoint CenterPoint() const { return {(left + right) / 2, (top + bottom) / 2}; }
    bool operator==(const CRect&) const = default;
};

// The window "font description" the window base works with. A negative
// height is the character height in pixels, a positive one the cell height.
struct LOGFONT {
    int lfHeight = 0;
    int lfWeight = 400;
    bool lfItalic = false;
    QString lfFaceName;
    bool operator==(const LOGFONT&) const = default;
};
constexpr int FW_NORMAL = 400;
constexpr int FW_BOLD = 700;

// Windows messages the dialogs receive or send to themselves.
enum : UINT {
    WM_ACTIVATE = 0x0006,
    WM_CLOSE = 0x0010,
    WM_WINDOWPOSCHANGED = 0x0047,
    WM_KEYDOWN = 0x0100,
    WM_KEYUP = 0x0101,
    WM_CHAR = 0x0102,
    WM_SYSKEYDOWN = 0x0104,
    WM_SYSKEYUP = 0x0105,
    WM_COMMAND = 0x0111,
    WM_SYSCOMMAND = 0x0112,
    WM_TIMER = 0x0113,
    WM_LBUTTONDOWN = 0x0201,
    WM_LBUTTONDBLCLK = 0x0203,
    WM_RBUTTONUP = 0x0205,
    WM_NCLBUTTONDOWN = 0x00A1,
    WM_HOTKEY = 0x0312,
    WM_USER = 0x0400,
};

// WM_ACTIVATE states
enum : UINT { WA_INACTIVE = 0, WA_ACTIVE = 1, WA_CLICKACTIVE = 2 };

// WM_SYSCOMMAND commands
enum : UINT { SC_MINIMIZE = 0xF020, SC_CLOSE = 0xF060, SC_RESTORE = 0xF120 };

// ShowWindow commands
enum : int { SW_HIDE = 0, SW_SHOWNORMAL = 1, SW_SHOWMINIMIZED = 2, SW_SHOW = 5, SW_MINIMIZE = 6, SW_RESTORE = 9 };

// Notification codes delivered with OnCommand(id, code).
enum : UINT {
    BN_CLICKED = 0,
    BN_DOUBLECLICKED = 5,
    CBN_SELCHANGE = 1,
    EN_CHANGE = 0x0300,
    EN_SETFOCUS = 0x0100,
    EN_KILLFOCUS = 0x0200,
    // list control notifications (they carry an NMLISTVIEW, see OnListNotify)
    NM_CLICK = 0xFFFE,         // -2
    NM_DBLCLK = 0xFFFD,        // -3
    NM_RCLICK = 0xFFFB,        // -5
    LVN_ITEMCHANGED = 0xFF9B,  // -101
};

// Button check states
enum : int { BST_UNCHECKED = 0, BST_CHECKED = 1, BST_INDETERMINATE = 2 };

// List-control item states; the check box is the state image (1 unchecked, 2 checked).
enum : UINT {
    LVIS_FOCUSED = 0x0001,
    LVIS_SELECTED = 0x0002,
    LVIS_STATEIMAGEMASK = 0xF000,
    LVIF_STATE = 0x0008,
};
constexpr UINT INDEXTOSTATEIMAGEMASK(UINT i) { return i << 12; }
// GetNextItem flags
enum : int { LVNI_ALL = 0, LVNI_FOCUSED = 1, LVNI_SELECTED = 2 };
// List extended styles
enum : DWORD {
    LVS_EX_GRIDLINES = 0x1,
    LVS_EX_SUBITEMIMAGES = 0x2,
    LVS_EX_CHECKBOXES = 0x4,
    LVS_EX_TRACKSELECT = 0x8,
    LVS_EX_FULLROWSELECT = 0x20,
    LVS_EX_DOUBLEBUFFER = 0x10000,
};

// One list-control notification.
struct NMLISTVIEW {
    UINT code = 0;
    int idFrom = 0;
    int iItem = -1;
    int iSubItem = 0;
    UINT uNewState = 0;
    UINT uOldState = 0;
    UINT uChanged = 0;
};

// Hot-key control modifier flags (bits 16..23 of a stored hot key).
enum : unsigned { HOTKEYF_SHIFT = 0x1, HOTKEYF_CONTROL = 0x2, HOTKEYF_ALT = 0x4, HOTKEYF_EXT = 0x8 };

// Static-text styles that ModifyStyle understands.
enum : DWORD { SS_LEFT = 0x0, SS_CENTER = 0x1, SS_RIGHT = 0x2, SS_CENTERIMAGE = 0x200 };

// Windows virtual-key codes used by the system.
enum : UINT {
    VK_BACK = 0x08,
    VK_TAB = 0x09,
    VK_RETURN = 0x0D,
    VK_SHIFT = 0x10,
    VK_CONTROL = 0x11,
    VK_MENU = 0x12,
    VK_PAUSE = 0x13,
    VK_CAPITAL = 0x14,
    VK_ESCAPE = 0x1B,
    VK_SPACE = 0x20,
    VK_PRIOR = 0x21,
    VK_NEXT = 0x22,
    VK_END = 0x23,
    VK_HOME = 0x24,
    VK_LEFT = 0x25,
    VK_UP = 0x26,
    VK_RIGHT = 0x27,
    VK_DOWN = 0x28,
    VK_SNAPSHOT = 0x2C,
    VK_INSERT = 0x2D,
    VK_DELETE = 0x2E,
    VK_LWIN = 0x5B,
    VK_RWIN = 0x5C,
    VK_APPS = 0x5D,
    VK_NUMPAD0 = 0x60,
    VK_MULTIPLY = 0x6A,
    VK_ADD = 0x6B,
    VK_SEPARATOR = 0x6C,
    VK_SUBTRACT = 0x6D,
    VK_DECIMAL = 0x6E,
    VK_DIVIDE = 0x6F,
    VK_F1 = 0x70,
    VK_F10 = 0x79,
    VK_F24 = 0x87,
    VK_NUMLOCK = 0x90,
    VK_SCROLL = 0x91,
    VK_OEM_1 = 0xBA,      // ;:
    VK_OEM_PLUS = 0xBB,   // =+
    VK_OEM_COMMA = 0xBC,
    VK_OEM_MINUS = 0xBD,
    VK_OEM_PERIOD = 0xBE,
    VK_OEM_2 = 0xBF,      // /?
    VK_OEM_3 = 0xC0,      // `~
    VK_OEM_4 = 0xDB,      // [{
    VK_OEM_5 = 0xDC,      // \|
    VK_OEM_6 = 0xDD,      // ]}
    VK_OEM_7 = 0xDE,      // '"
};

// A key or mouse message as the key hook (PreTranslateMessage) sees it.
struct MSG {
    UINT message = 0;    // WM_KEYDOWN, WM_SYSKEYDOWN, WM_KEYUP, WM_SYSKEYUP, WM_LBUTTONDOWN
    WPARAM wParam = 0;   // virtual-key code for key messages
    LPARAM lParam = 0;
    int hwndId = 0;      // control id of the target window (0 for the dialog itself)
};

// The private message by which another window asks the main window to start
// a timer: wParam timer id, lParam milliseconds.
constexpr UINT WM_SETTIMER_REQUEST = WM_USER + 0x503;
