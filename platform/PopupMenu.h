#pragma once

// Pop-up menus: shown at a screen point, the chosen command id comes back.
#include <functional>
#include <vector>

#include <QString>

#include "foundation/TesselcoreApi.h"
#include "platform/Wnd.h"

namespace platform {

struct MenuItem {
    UINT id = 0;  // 0 with an empty text: a separator
    QString text;
    bool enabled = true;
};

// Shows the menu at `pos` (screen coordinates; the cursor position when
// null) over `owner`; the chosen id, or 0 when the menu was dismissed.
TESSELCORE_API UINT TrackPopupMenu(const std::vector<MenuItem>& items, const CWnd& owner,
                                   const CPoint* pos = nullptr);

// Replaces how menus are shown (tests choose from a script). Returns the
// handler it replaced; an empty handler restores the real menu.
// It is given the point the menu would open at (screen coordinates).
using PopupMenuHandler = std::function<UINT(const std::vector<MenuItem>& items, const CPoint& at)>;
TESSELCORE_API PopupMenuHandler SetPopupMenuHandler(PopupMenuHandler handler);

} // namespace platform
