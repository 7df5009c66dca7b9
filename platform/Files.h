#pragma once

#include <QByteArray>
#include <QString>

#include "foundation/TesselcoreApi.h"

// Files and folders as the system needs them. Paths use '/'; folders returned
// here end in '/'.
namespace platform {

// Folder of the running executable, with a trailing '/'.
TESSELCORE_API QString ProgramFolder();
// File name of the running executable.
TESSELCORE_API QString ProgramFileName();

// Where a program finds the files it ships and keeps its user's files. A
// portable program folder holds everything side by side. An installed program
// (bin/ without the shipped files, which lie in share/<name>/ beside it, as
// under /usr) keeps its settings in $XDG_CONFIG_HOME/<name>/ and its data in
// $XDG_DATA_HOME/<name>/. Every folder ends in '/'.
struct ProgramLayout {
    bool bInstalled = false;
    QString strProgramFolder;   // the executables
    QString strResourceFolder;  // shipped files: language files, help page, icons
    QString strConfigFolder;    // the user's settings
    QString strDataFolder;      // the user's data, by default
};
// `marker` is a file every program folder ships (e.g. a language file).
TESSELCORE_API ProgramLayout GetProgramLayout(const QString& programFolder, const QString& name,
                                              const QString& marker);

// Creates the folder with every missing parent, each owner-only (0700).
// true when it exists afterwards.
TESSELCORE_API bool MakeFolderPath(const QString& path);

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
// a crash or a kill left, with the journal SQLite kept beside it. Only regular
// files of this user. The count removed.
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

// Writes `data` to a new owner-only (0600) file `dest` in the same way: never
// replacing an existing file, nothing left behind on failure.
TESSELCORE_API bool WriteFileNoReplace(const QString& dest, const QByteArray& data,
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
