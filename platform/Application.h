#pragma once

#include <memory>

#include <QString>

#include "foundation/TesselcoreApi.h"

class QCoreApplication;
struct xcb_connection_t;

namespace platform {

// True when a desktop can be reached: a Qt platform chosen explicitly
// (QT_QPA_PLATFORM), a Wayland display, or an X display that accepts a
// connection. Without one Qt would abort while starting.
TESSELCORE_API bool HasDisplay();

// The GUI application object of a program whose windows are its dialogs: it
// does not quit when its last window hides (the program lives in the tray).
TESSELCORE_API std::unique_ptr<QCoreApplication> CreateGuiApplication(int& argc, char** argv,
                                                                      const QString& name);

// The X connection of the running GUI application, or null when there is none
// or it runs on another platform (Wayland, offscreen).
TESSELCORE_API xcb_connection_t* X11Connection();

} // namespace platform
