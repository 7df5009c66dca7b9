#pragma once

// A dialog template as data, the way a resource script describes a dialog:
// the template id and caption, and per control its id, kind, English text,
// rectangle and style. The platform layer builds the window from it.
//
// Rectangles are in dialog units, {x, y, width, height}; one horizontal unit
// is 7/4 pixel and one vertical unit 15/8 pixel (DluToPixels), so a 14-unit
// high edit is 26 pixels, enough for the system font at 9 points.
#include <initializer_list>
#include <vector>

#include "foundation/TesselcoreApi.h"
#include "platform/WindowTypes.h"

enum class Control {
    Static,      // static text (word-wrapped)
    Button,      // push button
    CheckBox,    // two-state, or three-state with Style::ThreeState
    Radio,       // automatic radio button; Style::Group starts a new group
    GroupBox,    // frame with a caption, drawn behind its siblings
    Edit,        // single-line, or multi-line with Style::MultiLine
    ComboBox,    // drop-down list (the user picks, never types)
    ListCtrl,    // list control in report view (model based)
    HotKey,      // hot-key control: (modifier flags << 16) | virtual key
    FolderEdit,  // edit with a browse button that chooses a folder
    Link,        // clickable link text; a click is BN_CLICKED
};

namespace Style {
enum : unsigned {
    None = 0,
    Password = 1u << 0,       // Edit: characters hidden
    ReadOnly = 1u << 1,       // Edit, FolderEdit
    MultiLine = 1u << 2,      // Edit: several lines, scrolls vertically
    Hidden = 1u << 3,         // not visible at start
    Disabled = 1u << 4,       // disabled at start
    DefaultButton = 1u << 5,  // Button: answers Enter
    ThreeState = 1u << 6,     // CheckBox: unchecked -> checked -> indeterminate
    Group = 1u << 7,          // Radio: starts a new group of mutually exclusive buttons
    CheckBoxes = 1u << 8,     // ListCtrl: a check box in each row
    SingleSel = 1u << 9,      // ListCtrl: one selected row at most
    CenterText = 1u << 10,    // Static: centred horizontally and vertically
    RightText = 1u << 11,     // Static: right-aligned
    Number = 1u << 12,        // Edit: digits only
    NoTabStop = 1u << 13,
    WantReturn = 1u << 14,    // multi-line Edit: Enter starts a new line instead of pressing the default button
    MinimizeBox = 1u << 15,   // dialog: has a minimise button
    Resizable = 1u << 16,     // dialog: the user may resize (and maximise) it; never below its template size
    // How a control follows a resized dialog (template coordinates, mirrored
    // for right-to-left windows): its right or bottom edge keeps its distance
    // to the dialog's (Grow...), or the whole control does (Move...).
    GrowRight = 1u << 17,
    GrowDown = 1u << 18,
    MoveRight = 1u << 19,
    MoveDown = 1u << 20,
};
} // namespace Style

struct DlgRect {
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
};

struct ControlTemplate {
    int id = 0;
    Control kind = Control::Static;
    const char* text = "";  // English text (UTF-8)
    DlgRect rect;
    unsigned style = Style::None;
};

struct DialogTemplate {
    int id = 0;
    const char* caption = "";  // English caption (UTF-8)
    DlgRect rect;              // client area; x and y are ignored (dialogs are centred)
    std::vector<ControlTemplate> controls;
    unsigned style = Style::None;  // Style::MinimizeBox, Style::Resizable

    const ControlTemplate* Find(int controlId) const
    {
        for (const ControlTemplate& c : controls)
            if (c.id == controlId)
                return &c;
        return nullptr;
    }
};

namespace platform {
// Dialog units -> pixels for a template rectangle.
TESSELCORE_API CRect DluToPixels(const DlgRect& r);
} // namespace platform
