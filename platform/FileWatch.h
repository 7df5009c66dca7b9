#pragma once

#include <functional>
#include <memory>

#include <QString>

#include "foundation/TesselcoreApi.h"

class QFileSystemWatcher;
class QTimer;

// Knowing when a file under a name is another file than before, and hearing
// of changes in a folder, for data that a sync program may replace.
namespace platform {

// Which file a name leads to: its device and inode. A file renamed over the
// name (how sync programs deliver a new version) has another identity.
struct FileIdentity {
    unsigned long long dev = 0;
    unsigned long long ino = 0;
    bool operator==(const FileIdentity&) const = default;
};
// false when nothing of that name exists (or it cannot be looked at).
TESSELCORE_API bool GetFileIdentity(const QString& path, FileIdentity& id);

// Moves a file to a new name on the same file system without ever replacing
// a file of that name. errorText, when given, says why it failed.
TESSELCORE_API bool MoveFileNoReplace(const QString& from, const QString& to, QString* errorText = nullptr);

// Calls `changed` once a little after a file in the folder was created,
// removed or renamed; a burst of changes (a sync program's
// temporary file, delete and rename) gives one call.
class TESSELCORE_API CFolderWatch {
public:
    CFolderWatch(const QString& folder, std::function<void()> changed, int settleMs = 50);
    ~CFolderWatch();
    CFolderWatch(const CFolderWatch&) = delete;
    CFolderWatch& operator=(const CFolderWatch&) = delete;

    // false when the folder could not be watched.
    bool IsWatching() const;

private:
    std::unique_ptr<QFileSystemWatcher> m_watcher;
    std::unique_ptr<QTimer> m_settle;
    std::function<void()> m_changed;
};

} // namespace platform
