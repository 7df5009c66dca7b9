#pragma once

#include <QString>

#include "foundation/TesselcoreApi.h"

// Page titles (the window framework may replace them with translated ones).
extern TESSELCORE_API QString g_strTitleSet;
extern TESSELCORE_API QString g_strTitlePass;
extern TESSELCORE_API QString g_strTitleAbout;

// 1 = created now, 0 = existed already, -1 = could not be created (only the
// last level is created).
TESSELCORE_API int ConfirmPath(const QString& path);
// Creates the file owner-only (0600) when missing; an existing file is left as
// it is. Always 1.
TESSELCORE_API int CreateFileEveryone(const QString& path);

// Virtual-key code of a key name: one character is its own code, "F<n>" is n + 111.
TESSELCORE_API quint32 GetHotKeyVk(const QString& name);
// System registration flags for two modifier names ("Ctrl", "Alt", "Shift", "Windows").
TESSELCORE_API quint32 GetHotKeyMod(const QString& first, const QString& second);
// Hot-key control flags <-> system registration flags (the same swap both ways).
TESSELCORE_API quint16 HKF2SDK(quint16 flags);
TESSELCORE_API quint16 SDK2HKF(quint16 flags);

// Writes (enable != 0) or deletes the log-on start entry `name` that runs
// `command`. 1 = done; 0 = it could not be written ("Couldn't set as auto start!").
TESSELCORE_API int SetAutoRun(int enable, const QString& name, const QString& command);

// Seconds from 1900-01-01 00:00:00 to now, both local time, low 32 bits.
TESSELCORE_API quint32 GetSecondsFromZero();

// 10100 -> g_strTitleSet, 13000 -> g_strTitlePass, else g_strTitleAbout.
TESSELCORE_API QString GetPageNameByID(int id);
