// Backups and exports stopped by kill -9 at random moments: how many hidden
// copies each stop left, and how many are still there after the next backup,
// export or start. Prints "N/100 consistent"; a trial is consistent when no
// stray file is left once the program has run again.
#include <csignal>
#include <cstdio>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include "BenchVault.h"

namespace {

// Hidden files beside the vault and in the backup and export folders, the
// program's own SQLite files aside.
QStringList HiddenFiles(const QString& data)
{
    QStringList found;
    for (const QString& folder : {data, data + "Backup/", data + "export/"})
        for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System))
            if (name.startsWith('.'))
                found << folder + name;
    return found;
}

// The writer: opens the vault, says so, then copies until it is killed.
[[noreturn]] void Writer(int ready, bool exportCopies)
{
    g_pSqlite = new CDbSqlite3(g_strSavedDataPath + g_strDbFile);
    g_pPwSettings = new CPasswdSetting;
    if (g_pSqlite->InitDB() != 0 || !g_pSqlite->ConfirmPasswd(QString(), 0))
        _exit(2);
    const char byte = 1;
    if (write(ready, &byte, 1) != 1)
        _exit(2);
    const QString exported = g_strSavedDataPath + "export/vault-copy.db";
    for (;;) {
        if (exportCopies) {
            QFile::remove(exported);
            g_pSqlite->CopyDbFileTo(exported);
        } else {
            g_pPwSettings->BackupPasswdDb();
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    const int trials = argc > 1 ? std::max(1, atoi(argv[1])) : 100;
    QTemporaryDir dir;
    if (!OpenNewVault(dir)) {
        std::fprintf(stderr, "cannot create the vault\n");
        return 1;
    }
    // A vault of a few megabytes, so that a copy takes a while.
    const QString notes(2000, QChar('n'));
    PwEntryArray entries;
    for (int i = 0; i < 2000; ++i)
        entries.append({{}, QString("Site %1").arg(i), "user", "pw", "url", "mail", notes});
    int stored = 0, failed = 0, third = 0;
    g_pPwSettings->InsertEntryArray(stored, failed, third, entries, 0);
    QDir().mkpath(g_strSavedDataPath + "export");
    QElapsedTimer timer;
    timer.start();
    g_pPwSettings->BackupPasswdDb();
    const qint64 copyUs = std::max<qint64>(timer.nsecsElapsed() / 1000, 1000);
    CloseVault();

    std::mt19937 random(20261208);
    int leftAfterKill = 0, strayAfterRestart = 0, consistent = 0;
    for (int trial = 0; trial < trials; ++trial) {
        const bool exportCopies = trial % 4 == 3;
        int pipeFds[2];
        if (pipe(pipeFds) != 0)
            return 1;
        const pid_t child = fork();
        if (child == 0) {
            close(pipeFds[0]);
            Writer(pipeFds[1], exportCopies);
        }
        close(pipeFds[1]);
        char byte = 0;
        const bool started = read(pipeFds[0], &byte, 1) == 1;
        close(pipeFds[0]);
        usleep(useconds_t(std::uniform_int_distribution<qint64>(0, 3 * copyUs)(random)));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        if (!started) {
            std::fprintf(stderr, "the writer did not start\n");
            return 1;
        }
        leftAfterKill += int(HiddenFiles(g_strSavedDataPath).size());

        // The program again: its start, then the same kind of copy once more.
        g_pSqlite = new CDbSqlite3(g_strSavedDataPath + g_strDbFile);
        g_pPwSettings = new CPasswdSetting;
        CPasswdSetting::RemoveStaleCopies();
        bool ok = g_pSqlite->InitDB() == 0 && g_pSqlite->ConfirmPasswd(QString(), 0);
        if (exportCopies) {
            const QString exported = g_strSavedDataPath + "export/vault-copy.db";
            QFile::remove(exported);
            ok = g_pSqlite->CopyDbFileTo(exported) && ok;
        } else {
            ok = g_pPwSettings->BackupPasswdDb() && ok;
        }
        CloseVault();
        const QStringList stray = HiddenFiles(g_strSavedDataPath);
        strayAfterRestart += int(stray.size());
        for (const QString& file : stray)
            std::printf("  trial %d: left %s\n", trial, qPrintable(QFileInfo(file).fileName()));
        if (ok && stray.isEmpty())
            ++consistent;
    }
    std::printf("bench_backup_kill: %d backups and exports killed at random (copy takes %.1f ms)\n", trials,
                copyUs / 1000.0);
    std::printf("  hidden files right after the kills: %d\n", leftAfterKill);
    std::printf("  stray files after the next start and copy: %d\n", strayAfterRestart);
    std::printf("%d/%d consistent\n", consistent, trials);
    return consistent == trials ? 0 : 1;
}
