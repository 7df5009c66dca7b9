// Start to the tray with a 10,000-entry vault and no master password: the
// whole start-up of the main window (init database, vault, language, global
// settings, login, tray icon) in a fresh process, median of several runs,
// with the process's peak memory. Beside it, in the same run, one key
// derivation of each database (opening it with its key), the floor that
// start-up cannot go below.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include "BenchVault.h"
#include "foundation/storage/GlobalSettings.h"
#include "platform/Application.h"
#include "platform/MessageBox.h"
#include "shell/VaultwickDlg.h"

namespace {

constexpr int kEntries = 10000;
constexpr int kRuns = 7;

// The child: start the main window on `folder`, print the milliseconds until
// it sits in the tray, end.
int RunChild(int argc, char** argv, const QString& folder)
{
    QElapsedTimer timer;
    timer.start();
    const auto app = platform::CreateGuiApplication(argc, argv, QStringLiteral("Vaultwick"));
    platform::SetMessageBoxHandler([](const QString& text, const QString&, unsigned) {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        return int(IDOK);
    });
    CVaultwickDlg::s_strProgramFolder = folder;
    CVaultwickDlg dlg;
    if (!dlg.Create() || !dlg.IsStartedUp())
        return 1;
    QCoreApplication::processEvents();  // the posted minimise: hidden to the tray
    const double ms = timer.nsecsElapsed() / 1e6;
    std::printf("%.3f\n", ms);
    std::fflush(stdout);
    dlg.DestroyWindow();
    return dlg.IsWindowVisible() ? 1 : 0;
}

bool PrepareFolder(const QString& folder, const QString& langFile)
{
    if (!QFile::copy(langFile, folder + "Lang_enu.xml"))
        return false;
    g_strExePath = folder;
    g_pSqliteInit = new CDbSqlite3(folder + g_strDbFileInit);
    bool ok = CreateDbInit();
    // A hidden start without hot keys: nothing asks anything (no X server offscreen).
    ok = ok && UpdateGlobalSetting(g_strColAutoStart, "0", 0) && UpdateGlobalSetting(g_strColCheckHotKeyAdd, "0", 0) &&
         UpdateGlobalSetting(g_strColCheckHotKeyQuery, "0", 0);
    delete g_pSqliteInit;
    g_pSqliteInit = nullptr;

    g_strSavedDataPath = folder;
    g_pSqlite = new CDbSqlite3(folder + g_strDbFile);
    g_pPwSettings = new CPasswdSetting;
    ok = ok && g_pPwSettings->CreateDbPasswd() && g_pSqlite->InitDB() == 0 && g_pSqlite->ConfirmPasswd(QString(), 0);
    PwEntryArray entries;
    for (int i = 0; ok && i < kEntries; ++i)
        entries.append({{}, QString("Site %1").arg(i), QString("user%1@example.org").arg(i % 97),
                        QString("pass%1word").arg(i), QString("https://site%1.example.org/").arg(i),
                        QString("user%1@example.org").arg(i % 97), QString("notes %1").arg(i)});
    int stored = 0, failed = 0, third = 0;
    ok = ok && g_pPwSettings->InsertEntryArray(stored, failed, third, entries, 0) == 0 && stored == kEntries;
    CloseVault();
    return ok;
}

// Milliseconds to open a database with the empty password's key (one key derivation).
double KeyDerivationMs(const QString& file)
{
    QElapsedTimer timer;
    timer.start();
    CDbSqlite3 db(file);
    const bool ok = db.InitDB() == 0 && db.ConfirmPasswd(QString(), 1);
    const double ms = timer.nsecsElapsed() / 1e6;
    return ok ? ms : -1;
}

struct ChildResult {
    double startMs = -1;  // measured inside the child
    double wallMs = -1;   // fork to exit
    double peakMiB = 0;
};

ChildResult RunOnce(const char* self, const QString& folder)
{
    int out[2];
    ChildResult r;
    if (pipe(out) != 0)
        return r;
    QElapsedTimer wall;
    wall.start();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        execl(self, self, "--child", folder.toLocal8Bit().constData(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    char buf[64] = {};
    const ssize_t n = read(out[0], buf, sizeof buf - 1);
    close(out[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    r.wallMs = wall.nsecsElapsed() / 1e6;
    if (n > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0)
        r.startMs = std::atof(buf);
    r.peakMiB = usage.ru_maxrss / 1024.0;
    return r;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--child") == 0) {
        int childArgc = 1;
        return RunChild(childArgc, argv, QString::fromLocal8Bit(argv[2]));
    }
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString folder = dir.path() + '/';
    const QString langFile = QCoreApplication::applicationDirPath() + "/../bin/Lang_enu.xml";
    // The autostart entry stays inside the run.
    qputenv("XDG_CONFIG_HOME", (folder + "config").toLocal8Bit());
    if (!PrepareFolder(folder, langFile)) {
        std::fprintf(stderr, "cannot prepare the program folder (%s)\n", qPrintable(langFile));
        return 1;
    }

    std::vector<double> start, wall, peak, kdfInit, kdfVault;
    for (int i = 0; i < kRuns; ++i) {
        const ChildResult r = RunOnce(argv[0], folder);
        if (r.startMs < 0) {
            std::fprintf(stderr, "start-up failed\n");
            return 1;
        }
        start.push_back(r.startMs);
        wall.push_back(r.wallMs);
        peak.push_back(r.peakMiB);
        kdfInit.push_back(KeyDerivationMs(folder + g_strDbFileInit));
        kdfVault.push_back(KeyDerivationMs(folder + g_strDbFile));
    }
    const double kdf = Median(kdfInit) + Median(kdfVault);
    std::printf("bench_startup: start to the tray, %d entries, no master password, median of %d runs\n", kEntries,
                kRuns);
    std::printf("  one key derivation: db.init %7.1f ms, Sqlite.db %7.1f ms\n", Median(kdfInit), Median(kdfVault));
    std::printf("  start to the tray (in the process):  %7.1f ms  (target <= %.1f ms = both + 300 ms)\n",
                Median(start), kdf + 300);
    std::printf("  whole process, fork to exit:         %7.1f ms\n", Median(wall));
    std::printf("  peak RSS: %.1f MiB (target <= 80 MB)\n", Median(peak));
    return 0;
}
