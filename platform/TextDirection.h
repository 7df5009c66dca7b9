#pragma once

// Right-to-left windows (Arabic): the window mirrors as a whole — controls
// change sides, texts, edits and list columns run from the right.
#include "platform/Wnd.h"

namespace platform {

// Switches the window's direction; its controls move to the mirrored place
// in its client area. Calling it again with the same direction does nothing.
void SetWindowRightToLeft(const CWnd& wnd, bool rightToLeft);
bool IsWindowRightToLeft(const CWnd& wnd);
// Texts of buttons, check boxes and list cells read in the direction of
// their script, and mnemonics are underlined only while Alt is held
// (installed once, with the first window).
void InstallTextDirectionStyle();
// `text` as drawn in a paragraph of `direction` so that it keeps the order of
// its own first letter's script: embedded when the two differ.
QString TextInOwnDirection(const QString& text, Qt::LayoutDirection direction);
// A control rectangle given left-to-right, where it goes in `wnd` now.
CRect VisualRect(const CWnd& wnd, const CRect& rect);

} // namespace platform
