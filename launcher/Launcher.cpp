// VaultwickLauncher: the log-on autostart entry points here. It waits three
// seconds, so the desktop (tray host, X server) is up, then starts the
// Vaultwick beside it and ends. Vaultwick's own single-instance guard makes a
// start while it already runs harmless.
#include <chrono>
#include <climits>
#include <string>
#include <thread>

#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

extern char** environ;

namespace {

std::string ownFolder()
{
    char buf[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
    if (n <= 0)
        return {};
    std::string path(buf, static_cast<size_t>(n));
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

} // namespace

int main()
{
    const std::string program = ownFolder() + "Vaultwick";
    std::this_thread::sleep_for(std::chrono::milliseconds(3000));

    struct stat st {};
    if (stat(program.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return 0;

    // Detach from the launcher's session so Vaultwick outlives it.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
    pid_t pid = 0;
    posix_spawn(&pid, program.c_str(), nullptr, &attr, argv, environ);
    posix_spawnattr_destroy(&attr);
    return 0;
}
