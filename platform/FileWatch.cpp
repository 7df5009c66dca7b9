#include "platform/FileWatch.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>

#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>

namespace platform {

bool GetFileIdentity(const QString& path, FileIdentity& id)
{
    struct stat st {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    id.dev = st.st_dev;
    id.ino = st.st_ino;
    return true;
}

bool MoveFileNoReplace(const QString& from, const QString& to, QString* errorText)
{
    if (::renameat2(AT_FDCWD, QFile::encodeName(from).constData(), AT_FDCWD, QFile::encodeName(to).constData(),
                    RENAME_NOREPLACE) == 0)
        return true;
    if (errorText)
        *errorText = QString::fromLocal8Bit(std::strerror(errno));
    return false;
}

CFolderWatch::CFolderWatch(const QString& folder, std::function<void()> changed, int settleMs)
    : m_watcher(std::make_unique<QFileSystemWatcher>()), m_settle(std::make_unique<QTimer>()),
      m_changed(std::move(changed))
{
    m_settle->setSingleShot(true);
    m_settle->setInterval(settleMs);
    QObject::connect(m_settle.get(), &QTimer::timeout, [this] {
        if (m_changed)
            m_changed();
    });
    // Files renamed into the folder or removed from it; a write into a file
    // that stays (which SQLite itself notices) is not needed here.
    QObject::connect(m_watcher.get(), &QFileSystemWatcher::directoryChanged, [this] { m_settle->start(); });
    if (!folder.isEmpty())
        m_watcher->addPath(folder);
}

CFolderWatch::~CFolderWatch() = default;

bool CFolderWatch::IsWatching() const { return !m_watcher->directories().isEmpty(); }

} // namespace platform
