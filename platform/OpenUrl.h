#pragma once

#include <QString>

#include "foundation/TesselcoreApi.h"

namespace platform {

enum class OpenResult {
    Opened,  // handed to the desktop's opener
    Refused, // not a web address (or not an existing file); nothing was started
    Failed,  // the desktop could not start an opener
};

// Opens a stored web address in the browser. Only http and https are opened;
// an address without a scheme ("www.example.com") is taken as https. file:
// addresses, local paths and every other scheme are refused, so a stored
// entry can never start a local program.
TESSELCORE_API OpenResult OpenWebAddress(const QString& address);

// The https URL OpenWebAddress would open, or an empty string when refused.
TESSELCORE_API QString NormalizeWebAddress(const QString& address);

// Opens an existing local document (the help page) with its default
// application; a missing file is refused.
TESSELCORE_API OpenResult OpenLocalDocument(const QString& path);

} // namespace platform
