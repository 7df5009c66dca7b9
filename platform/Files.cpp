#include "platform/Files.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <map>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>

namespace platform {
namespace {

QByteArray native(const QString& path) { return QFile::encodeName(path); }

// Closes a descriptor when it goes out of scope.
class Fd {
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    bool close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd < 0 || ::close(fd) == 0;
    }
    void reset() { close(); }
    int release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

int openRetry(const QByteArray& path, int flags, mode_t mode = 0)
{
    int fd;
    do {
        fd = ::open(path.constData(), flags | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

QString folderOf(const QString& path)
{
    const int slash = path.lastIndexOf('/');
    return slash < 0 ? QStringLiteral(".") : (slash == 0 ? QStringLiteral("/") : path.left(slash));
}

// A rename or link is only durable once its folder is synced.
bool syncFolder(const QString& folder)
{
    Fd fd(openRetry(native(folder), O_RDONLY | O_DIRECTORY));
    return fd.valid() && ::fsync(fd.get()) == 0;
}

QString errnoText(int err) { return QString::fromLocal8Bit(std::strerror(err)); }

bool writeAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// Gives `tmp` the name `dest` unless `dest` exists. A rename leaves one name
// at every moment; link() then unlink() would leave a second name for the
// whole file to a process killed between the two. Some file systems refuse
// the no-replace rename (older NFS) or the link (FAT on USB sticks): each
// falls back to the other.
bool publishNoReplace(const QByteArray& tmp, const QByteArray& dest, int& err)
{
    if (::renameat2(AT_FDCWD, tmp.constData(), AT_FDCWD, dest.constData(), RENAME_NOREPLACE) == 0)
        return true;
    err = errno;
    if (err != EINVAL && err != ENOSYS && err != ENOTSUP && err != EOPNOTSUPP)
        return false;
    if (::link(tmp.constData(), dest.constData()) == 0) {
        ::unlink(tmp.constData());
        return true;
    }
    err = errno;
    return false;
}

// Temporary files in use by this process, each held open under an exclusive
// flock(): a temporary file nobody holds locked was left by a process that
// ended mid-way and is stale. The lock goes with the process, whatever ends it.
std::mutex s_liveTempsLock;
std::map<QByteArray, int> s_liveTemps;

void holdTemp(const QByteArray& name, int fd)
{
    std::lock_guard guard(s_liveTempsLock);
    auto [it, added] = s_liveTemps.emplace(name, fd);
    if (!added) {
        ::close(it->second);
        it->second = fd;
    }
}

void releaseTemp(const QByteArray& name)
{
    std::lock_guard guard(s_liveTempsLock);
    const auto it = s_liveTemps.find(name);
    if (it == s_liveTemps.end())
        return;
    ::close(it->second);
    s_liveTemps.erase(it);
}

// Desktop-entry Exec value for one program path: the argument in double quotes
// with ", `, $ and \ escaped, '%' doubled (field codes), then the string-level
// escaping of '\'.
QString execValue(const QString& programPath)
{
    QString quoted = QStringLiteral("\"");
    for (const QChar c : programPath) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    quoted += '"';
    quoted.replace('%', QLatin1String("%%"));
    quoted.replace('\\', QLatin1String("\\\\"));
    return quoted;
}

QString executablePath()
{
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    return n > 0 ? QFile::decodeName(QByteArray(buffer, static_cast<int>(n))) : QString();
}

} // namespace

QString ProgramFolder()
{
    const QString folder = folderOf(executablePath());
    return folder.endsWith('/') ? folder : folder + '/';
}

QString ProgramFileName()
{
    const QString exe = executablePath();
    return exe.mid(exe.lastIndexOf('/') + 1);
}

ProgramLayout GetProgramLayout(const QString& programFolder, const QString& name, const QString& marker)
{
    const auto slashed = [](QString folder) {
        return folder.endsWith(u'/') ? folder : folder + u'/';
    };
    ProgramLayout layout;
    layout.strProgramFolder = slashed(programFolder);
    layout.strResourceFolder = layout.strConfigFolder = layout.strDataFolder = layout.strProgramFolder;
    // Files beside the program make it portable, wherever it lies.
    if (QFileInfo::exists(layout.strProgramFolder + marker))
        return layout;
    const QString shared = QDir::cleanPath(layout.strProgramFolder + QStringLiteral("../share/") + name);
    if (!QFileInfo::exists(shared + u'/' + marker))
        return layout;
    layout.bInstalled = true;
    layout.strResourceFolder = slashed(shared);
    layout.strConfigFolder =
        slashed(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u'/' + name);
    layout.strDataFolder =
        slashed(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u'/' + name);
    return layout;
}

bool MakeFolderPath(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QString clean = QDir::cleanPath(path);
    if (QFileInfo(clean).isDir())
        return true;
    const qsizetype slash = clean.lastIndexOf(u'/');
    if (slash > 0 && !MakeFolderPath(clean.left(slash)))
        return false;
    return MakeFolder(clean) || (errno == EEXIST && QFileInfo(clean).isDir());
}

bool FileExists(const QString& path)
{
    struct stat st;
    return !path.isEmpty() && ::stat(native(path).constData(), &st) == 0;
}

bool MakeFolder(const QString& path)
{
    return !path.isEmpty() && ::mkdir(native(path).constData(), 0700) == 0;
}

bool CreateOwnerOnlyFile(const QString& path)
{
    if (path.isEmpty())
        return false;
    int flags = O_WRONLY | O_CREAT | O_EXCL;
    struct stat target {};
    struct stat link {};
    // O_EXCL refuses a symbolic link even when it leads nowhere; the file it
    // leads to is created here, private like any other.
    if (::stat(native(path).constData(), &target) != 0 && errno == ENOENT &&
        ::lstat(native(path).constData(), &link) == 0 && S_ISLNK(link.st_mode))
        flags = O_WRONLY | O_CREAT;
    Fd fd(openRetry(native(path), flags, 0600));
    if (!fd.valid())
        return errno == EEXIST;
    // The umask may have taken bits away, never added: set the mode exactly.
    return ::fchmod(fd.get(), 0600) == 0 && fd.close();
}

QString CreateTempFileBeside(const QString& beside)
{
    const QFileInfo info(beside);
    const QString folder = folderOf(beside);
    RemoveStaleTempFiles(folder, QRegularExpression::escape(info.fileName()));
    QByteArray templ = native(folder + QStringLiteral("/.") + info.fileName() + QStringLiteral(".tmp-XXXXXX"));
    Fd fd(::mkostemp(templ.data(), O_CLOEXEC)); // mkostemp creates the file 0600
    if (!fd.valid())
        return QString();
    // Where the file system has no locks the file is simply never taken for
    // stale: the clean-up below needs the lock too.
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) == 0) {
        holdTemp(templ, fd.get());
        fd.release();
    }
    return QFile::decodeName(templ);
}

int RemoveStaleTempFiles(const QString& folder, const QString& targetPattern)
{
    // The names CreateTempFileBeside gives: "." + target + ".tmp-" + six
    // letters or digits from mkostemp. SQLite writing into such a file adds
    // its own companions (the journal of a keyed copy), which hold no lock:
    // they are stale when their temporary file is.
    const QRegularExpression ours(
        QStringLiteral("^(\\.(?:%1)\\.tmp-[A-Za-z0-9]{6})(-journal|-wal|-shm)?$").arg(targetPattern));
    if (!ours.isValid())
        return 0;
    const uid_t me = ::geteuid();
    int removed = 0;
    QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    // A temporary file before its companions, so that they find it gone.
    std::sort(names.begin(), names.end());
    for (const QString& name : names) {
        const QRegularExpressionMatch match = ours.match(name);
        if (!match.hasMatch())
            continue;
        const QByteArray path = native(folder + QLatin1Char('/') + name);
        Fd fd(openRetry(path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK));
        struct stat st;
        if (!fd.valid() || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != me)
            continue;
        // Locked means a copy in progress, here or in another process.
        if (match.hasCaptured(2)) {
            Fd owner(openRetry(native(folder + QLatin1Char('/') + match.captured(1)), O_RDONLY | O_NOFOLLOW | O_NONBLOCK));
            if (owner.valid() && ::flock(owner.get(), LOCK_EX | LOCK_NB) != 0)
                continue;
        } else if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
            continue;
        }
        if (::unlink(path.constData()) == 0)
            ++removed;
    }
    return removed;
}

bool SyncFile(const QString& path)
{
    Fd fd(openRetry(native(path), O_RDONLY));
    return fd.valid() && ::fsync(fd.get()) == 0;
}

bool ReplaceFile(const QString& from, const QString& to)
{
    const QByteArray fromName = native(from);
    if (::rename(fromName.constData(), native(to).constData()) != 0)
        return false;
    releaseTemp(fromName);
    return syncFolder(folderOf(to));
}

namespace {

// A new file at `dest` that appears complete or not at all and never takes
// the place of one that is there: `fill` writes the content into a locked
// temporary file beside it (false with errno set when it cannot), which is
// synced and then linked in under the final name.
bool PublishNewFile(const QString& dest, const std::function<bool(int fd)>& fill, QString* errorText)
{
    auto fail = [errorText](const QString& why) {
        if (errorText)
            *errorText = why;
        return false;
    };
    if (FileExists(dest))
        return fail(QStringLiteral("%1 exists already").arg(dest));
    // An unnamed file in the target's folder has no name for a killed
    // process to leave behind (an export's plain text included): it is named
    // only once whole, and linkat() never replaces. File systems without
    // unnamed files (FAT, some network ones) take a named temporary instead.
    if (Fd unnamed(openRetry(native(folderOf(dest)), O_TMPFILE | O_WRONLY, 0600));
        unnamed.valid() && ::access("/proc/self/fd", X_OK) == 0) {
        if (!fill(unnamed.get()) || ::fsync(unnamed.get()) != 0)
            return fail(errnoText(errno));
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(unnamed.get());
        if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, native(dest).constData(), AT_SYMLINK_FOLLOW) != 0)
            return fail(errnoText(errno));
        unnamed.close();
        syncFolder(folderOf(dest));
        return true;
    }
    const QString tmp = CreateTempFileBeside(dest);
    if (tmp.isEmpty())
        return fail(errnoText(errno));
    const QByteArray tmpName = native(tmp);
    auto failAndRemove = [&](int err) {
        ::unlink(tmpName.constData());
        releaseTemp(tmpName);
        return fail(errnoText(err));
    };
    Fd out(openRetry(tmpName, O_WRONLY | O_TRUNC));
    if (!out.valid())
        return failAndRemove(errno);
    if (!fill(out.get()) || ::fsync(out.get()) != 0)
        return failAndRemove(errno);
    if (!out.close())
        return failAndRemove(errno);
    int err = 0;
    if (!publishNoReplace(tmpName, native(dest), err))
        return failAndRemove(err);
    releaseTemp(tmpName);
    syncFolder(folderOf(dest));
    return true;
}

// Copies what is left of `in` to `out`.
bool CopyContent(int in, int out)
{
    // The kernel copies without bringing the bytes through user space; where
    // it cannot (another file system type, an old kernel) the loop below does.
    for (;;) {
        const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP)
                return false;
            break;
        }
        if (n == 0)
            return true;
    }
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n == 0;
        if (!writeAll(out, buffer, static_cast<size_t>(n)))
            return false;
    }
}

} // namespace

bool WriteFileNoReplace(const QString& dest, const QByteArray& data, QString* errorText)
{
    return PublishNewFile(
        dest, [&](int fd) { return writeAll(fd, data.constData(), static_cast<size_t>(data.size())); }, errorText);
}

bool CopyFileNoReplace(const QString& src, const QString& dest, QString* errorText)
{
    Fd in(openRetry(native(src), O_RDONLY));
    if (!in.valid()) {
        if (errorText)
            *errorText = errnoText(errno);
        return false;
    }
    return PublishNewFile(dest, [&](int fd) { return CopyContent(in.get(), fd); }, errorText);
}

bool RemoveFile(const QString& path)
{
    const QByteArray name = native(path);
    const bool removed = ::unlink(name.constData()) == 0;
    releaseTemp(name);
    return removed;
}

QString AutostartEntryPath(const QString& name)
{
    QString config = QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME"));
    // The XDG rules ignore a relative value.
    if (!config.startsWith('/'))
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/autostart/") + name + QStringLiteral(".desktop");
}

bool WriteAutostartEntry(const QString& name, const QString& programPath)
{
    // A line break cannot be carried in an Exec argument.
    if (name.isEmpty() || programPath.contains('\n') || programPath.contains('\r') ||
        name.contains('\n') || name.contains('\r') || name.contains('/'))
        return false;
    const QString path = AutostartEntryPath(name);
    if (!QDir().mkpath(folderOf(path)))
        return false;
    QString text = QStringLiteral("[Desktop Entry]\nType=Application\n");
    text += QStringLiteral("Name=") + QString(name).replace('\\', QLatin1String("\\\\")) + '\n';
    text += QStringLiteral("Exec=") + execValue(programPath) + '\n';
    text += QStringLiteral("Terminal=false\nX-GNOME-Autostart-enabled=true\n");
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = text.toUtf8();
    return file.write(bytes) == bytes.size() && file.commit();
}

bool RemoveAutostartEntry(const QString& name)
{
    if (name.isEmpty() || name.contains('/'))
        return false;
    return ::unlink(native(AutostartEntryPath(name)).constData()) == 0 || errno == ENOENT;
}

} // namespace platform
