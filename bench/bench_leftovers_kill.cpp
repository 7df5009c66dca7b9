// The writers that leave temporary files, killed (SIGKILL) at random moments:
// a master-password change, an export of the vault and a CSV export. After
// each kill the hidden files in the data, backup and export folders are
// counted (and among them the ones holding a password in plain text), then
// the program starts again (its clean-up at start) and they are counted once
// more. Prints "N/100 ... strays" per case; exits non-zero when anything is
// left after the next start.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include "PasswdCrashTrial.h"
#include "foundation/storage/GlobalSettings.h"

namespace {

enum class Case { Passwd, VaultExport, CsvExport };

const char* CaseName(Case c)
{
    switch (c) {
    case Case::Passwd:
        return "password change";
    case Case::VaultExport:
        return "vault export";
    case Case::CsvExport:
        return "CSV export";
    }
    return "";
}

struct Folders {
    QString config;  // db.init
    QString data;
    QString exports;
};

struct Strays {
    int files = 0;
    int plain = 0;  // files that hold an entry's password as plain text
};

Strays CountStrays(const Folders& f)
{
    Strays s;
    for (const QString& folder : {f.data, f.data + "Backup/", f.exports})
        for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System)) {
            if (!name.startsWith('.'))
                continue;
            ++s.files;
            QFile file(folder + name);
            if (file.open(QIODevice::ReadOnly) && file.readAll().contains("secret-"))
                ++s.plain;
        }
    return s;
}

// The program's settings file, as a start opens it.
void OpenInit(const Folders& f)
{
    g_pSqliteInit = new CDbSqlite3(f.config + g_strDbFileInit);
    if (!QFile::exists(f.config + g_strDbFileInit)) {
        CreateDbInit();
        return;
    }
    g_pSqliteInit->InitDB();
    g_pSqliteInit->ConfirmPasswd(QString(), 1);
}

void CloseAll()
{
    delete g_pPwSettings;
    g_pPwSettings = nullptr;
    delete g_pSqlite;
    g_pSqlite = nullptr;
    delete g_pSqliteInit;
    g_pSqliteInit = nullptr;
}

bool OpenVault(const Folders& f, const QString& passwd)
{
    g_strSavedDataPath = f.data;
    g_pSqlite = new CDbSqlite3(f.data + g_strDbFile);
    g_pPwSettings = new CPasswdSetting;
    return g_pSqlite->InitDB() == 0 && g_pSqlite->ConfirmPasswd(passwd, 0);
}

// One run of the writer, in this process. `round` gives every export a name
// of its own, as a user exporting to another name would.
bool WriteOnce(Case c, const Folders& f, int from, int round)
{
    const QString& passwd = passwdcrash::kPasswords[from];
    switch (c) {
    case Case::Passwd: {
        CDbSqlite3 db(f.data + g_strDbFile);
        return db.InitDB() == 0 && db.ConfirmAndChangePasswd(passwd, passwdcrash::kPasswords[(from + 1) % 3], 0);
    }
    case Case::VaultExport:
        return CPasswdSetting::ExportVaultTo(f.exports + QStringLiteral("vault-%1.db").arg(round));
    case Case::CsvExport: {
        int count = 0;
        QString why;
        return g_pPwSettings->ExportCsvTo(f.exports + QStringLiteral("plain-%1.csv").arg(round), &count, &why);
    }
    }
    return false;
}

pid_t StartWriter(Case c, const Folders& f, int from, int round)
{
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    platform::SetMessageBoxHandler([](const QString&, const QString&, unsigned) { return int(IDOK); });
    OpenInit(f);
    if (c != Case::Passwd && !OpenVault(f, passwdcrash::kPasswords[from]))
        _exit(2);
    _exit(WriteOnce(c, f, from, round) ? 0 : 1);
}

// The published exports are the user's: they go between trials, so that
// only what the kills left stays.
void RemoveExports(const Folders& f)
{
    for (const QString& name : QDir(f.exports).entryList(QDir::Files))
        QFile::remove(f.exports + name);
}

struct Figures {
    int trials = 0;
    int killedWith = 0, afterKill = 0, plainAfterKill = 0;
    int startWith = 0, afterStart = 0, plainAfterStart = 0;
    int lockedOut = 0;
    double writeMs = 0;
};

Figures RunCase(Case c, const QString& root, int trials, unsigned seed)
{
    Figures fig;
    const Folders f{root + "config/", root + "data/", root + "exports/"};
    for (const QString& folder : {f.config, f.data, f.exports})
        QDir().mkpath(folder);
    if (!passwdcrash::MakeVault(f.data, 2000)) {
        std::fprintf(stderr, "%s: cannot create the vault\n", CaseName(c));
        return fig;
    }
    int current = 0;
    int status = 0;
    QElapsedTimer timer;
    timer.start();
    waitpid(StartWriter(c, f, current, -1), &status, 0);
    fig.writeMs = timer.nsecsElapsed() / 1e6;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s: the writer fails when not killed\n", CaseName(c));
        return fig;
    }
    if (c == Case::Passwd)
        current = 1;
    RemoveExports(f);
    std::mt19937 random(seed);
    // The kill lands anywhere in the writer's life, its start included.
    std::uniform_int_distribution<long> moment(0, long(fig.writeMs * 1000));
    for (int t = 0; t < trials; ++t) {
        ++fig.trials;
        const pid_t writer = StartWriter(c, f, current, t);
        usleep(useconds_t(moment(random)));
        kill(writer, SIGKILL);
        waitpid(writer, &status, 0);
        const Strays killed = CountStrays(f);
        fig.afterKill += killed.files;
        fig.plainAfterKill += killed.plain;
        fig.killedWith += killed.files > 0;

        // The next start: its clean-up, as the main window runs it.
        g_strSavedDataPath = f.data;
        OpenInit(f);
        CPasswdSetting::RemoveStaleCopies();
        CloseAll();
        const Strays started = CountStrays(f);
        fig.afterStart += started.files;
        fig.plainAfterStart += started.plain;
        fig.startWith += started.files > 0;
        for (const QString& folder : {f.data, f.data + "Backup/", f.exports})
            for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System))
                if (name.startsWith('.'))
                    std::printf("  %s trial %d: left %s\n", CaseName(c), t, qPrintable(name));
        RemoveExports(f);
        if (c == Case::Passwd) {
            const int now = passwdcrash::OpeningPassword(f.data + g_strDbFile, 2000);
            if (now < 0) {
                ++fig.lockedOut;
                QFile::remove(f.data + g_strDbFile);
                passwdcrash::MakeVault(f.data, 2000);
                current = 0;
            } else {
                current = now;
            }
        }
    }
    return fig;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int trials = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100;
    bool clean = true;
    for (const Case c : {Case::Passwd, Case::VaultExport, Case::CsvExport}) {
        QTemporaryDir dir;
        if (!dir.isValid())
            return 1;
        const Figures fig = RunCase(c, dir.path() + '/', trials, 20261208u);
        std::printf("%s (one run %.0f ms): %d/%d trials left strays after the kill (%d files, %d plain text); "
                    "%d/%d left strays after the next start (%d files, %d plain text)",
                    CaseName(c), fig.writeMs, fig.killedWith, fig.trials, fig.afterKill, fig.plainAfterKill,
                    fig.startWith, fig.trials, fig.afterStart, fig.plainAfterStart);
        if (c == Case::Passwd)
            std::printf("; locked out %d", fig.lockedOut);
        std::printf("\n");
        clean = clean && fig.trials == trials && fig.afterStart == 0 && fig.lockedOut == 0;
    }
    return clean ? 0 : 1;
}
