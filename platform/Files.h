#pragma once

#include <QString>

#include "foundation/TesselcoreApi.h"

// Files and folders as the system needs them. Paths use '/'; folders returned
// here end in '/'.
namespace platform {

// Folder of the running executable, with a trailing '/'.
TESSELCORE_API QString ProgramFolder();
// File name of the running executable.
TESSELCORE_API QString ProgramFileName();

// A file or folder of that name exists.
TESSELCORE_API bool FileExists(const QString& path);

// Creates one folder (owner-only), parents are not created. false when it
// could not be created (also when something of that name exists).
TESSELCORE_API bool MakeFolder(const QString& path);

// Creates an empty owner-only (0600) file when none exists, whatever the
// umask; an existing file is not touched. true when the file exists afterwards.
TESSELCORE_API bool CreateOwnerOnlyFile(const QString& path);

// A new empty owner-only file with a unique name in the folder of `beside`
// (".<name>.tmp-XXXXXX"); its path, or empty on failure. It stays marked as in
// use until ReplaceFile moves it or RemoveFile removes it. Stale temporary
// files for the same name go first.
TESSELCORE_API QString CreateTempFileBeside(const QString& beside);

// Removes the temporary files that CreateTempFileBeside made in `folder` for
// a target whose name matches `targetPattern` (a regular expression for the
// whole name) and that no running process still uses: what a copy stopped by
// a crash or a kill left. Only regular files of this user. The count removed.
TESSELCORE_API int RemoveStaleTempFiles(const QString& folder, const QString& targetPattern);

// Flushes a file's data to the disk.
TESSELCORE_API bool SyncFile(const QString& path);

// Moves `from` over `to` in one step (same folder) and makes it durable.
TESSELCORE_API bool ReplaceFile(const QString& from, const QString& to);

// Copies `src` to `dest` without ever replacing an existing file: the data
// goes into a temporary file beside `dest`, is synced and then appears under
// `dest` in one step. On failure (dest exists, folder missing, disk full...)
// nothing is left behind. errorText, when given, says why it failed.
TESSELCORE_API bool CopyFileNoReplace(const QString& src, const QString& dest,
                                      QString* errorText = nullptr);

TESSELCORE_API bool RemoveFile(const QString& path);

// The log-on start entry `name` (an XDG autostart file) that runs the program
// at `programPath`. Writing fails when the file cannot be written; removing an
// entry that does not exist succeeds.
TESSELCORE_API bool WriteAutostartEntry(const QString& name, const QString& programPath);
TESSELCORE_API bool RemoveAutostartEntry(const QString& name);
// Where the entry lives: $XDG_CONFIG_HOME (or ~/.config)/autostart/<name>.desktop.
TESSELCORE_API QString AutostartEntryPath(const QString& name);

} // namespace platform
