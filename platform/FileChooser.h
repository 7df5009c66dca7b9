#pragma once

// File open/save choosers and the folder chooser.
#include <functional>

#include <QString>

#include "foundation/TesselcoreApi.h"
#include "platform/Wnd.h"

namespace platform {

enum class ChooserKind { OpenFile, SaveFile, Folder };

struct ChooserRequest {
    ChooserKind kind = ChooserKind::OpenFile;
    QString title;
    QString initial;           // starting file or folder
    QString filter;            // "Name (*.a *.b);;All (*)"
    QString defaultExtension;  // added to a saved name without one, e.g. "db"
    // A save chooser asks before a chosen existing file would be replaced;
    // without it the caller never replaces one and the chooser does not ask.
    bool confirmReplace = false;
};

// The chosen path, or empty when the user cancelled. Without an owner the
// chooser belongs to the window in front (FrontOwner).
TESSELCORE_API QString ChooseFile(const ChooserRequest& request, const CWnd& owner = CWnd());

// Windows filter text ("Db (*.db)|*.db|All (*.*)|*.*||") as a chooser filter.
TESSELCORE_API QString FilterFromWindows(const QString& windowsFilter);

// Replaces how choosers are shown (tests answer from a script). Returns the
// handler it replaced; an empty handler restores the real chooser.
using ChooserHandler = std::function<QString(const ChooserRequest& request)>;
TESSELCORE_API ChooserHandler SetChooserHandler(ChooserHandler handler);

} // namespace platform
