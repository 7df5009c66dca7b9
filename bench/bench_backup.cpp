// One backup of a vault of about 20 MB against a plain file copy of the same
// file in the same run (median of several rounds each).
#include <cstdio>
#include <vector>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "BenchVault.h"
#include "platform/Files.h"

int main()
{
    QTemporaryDir dir;
    if (!OpenNewVault(dir)) {
        std::fprintf(stderr, "cannot create the vault\n");
        return 1;
    }
    const QString vault = g_pSqlite->GetPathFile();
    const QString notes(3500, QChar('n'));
    for (int batch = 0; QFileInfo(vault).size() < 20 * 1024 * 1024; ++batch) {
        PwEntryArray entries;
        for (int i = 0; i < 1000; ++i)
            entries.append({{}, QString("Site %1-%2").arg(batch).arg(i), "user", "pw", "url", "mail", notes});
        int stored = 0, failed = 0, third = 0;
        if (g_pPwSettings->InsertEntryArray(stored, failed, third, entries, 0) != 0) {
            std::fprintf(stderr, "cannot fill the vault\n");
            return 1;
        }
    }
    const qint64 size = QFileInfo(vault).size();

    constexpr int kRounds = 7;
    std::vector<double> copyMs, syncedMs, backupMs;
    const QString copyFolder = g_strSavedDataPath + "copies/";
    QDir().mkpath(copyFolder);
    bool ok = true;
    for (int round = 0; round < kRounds; ++round) {
        const QString dest = copyFolder + QString("copy%1.db").arg(round);
        QElapsedTimer timer;
        timer.start();
        ok = QFile::copy(vault, dest) && ok;
        copyMs.push_back(timer.nsecsElapsed() / 1e6);

        // What durability alone costs: the same copy, flushed to the disk.
        const QString synced = copyFolder + QString("synced%1.db").arg(round);
        timer.restart();
        ok = QFile::copy(vault, synced) && platform::SyncFile(synced) && ok;
        syncedMs.push_back(timer.nsecsElapsed() / 1e6);

        // A weekly backup finds no backup of the same second to replace.
        QDir(g_strSavedDataPath + "Backup").removeRecursively();
        timer.restart();
        ok = g_pPwSettings->BackupPasswdDb() && ok;
        backupMs.push_back(timer.nsecsElapsed() / 1e6);
    }
    const double copy = Median(copyMs), synced = Median(syncedMs), backup = Median(backupMs);

    std::printf("bench_backup: vault of %.1f MiB, median of %d rounds\n", size / 1048576.0, kRounds);
    std::printf("  baseline, plain file copy (QFile::copy): %8.1f ms\n", copy);
    std::printf("  plain file copy + fsync:                  %8.1f ms\n", synced);
    std::printf("  BackupPasswdDb (locked, synced, renamed): %8.1f ms  (%.2fx baseline, %.2fx copy + fsync; target <= 1.5x)\n",
                backup, backup / copy, backup / synced);
    std::printf("  peak RSS: %.1f MiB\n", PeakRssMiB());
    CloseVault();
    if (!ok) {
        std::fprintf(stderr, "a copy or a backup failed\n");
        return 1;
    }
    return 0;
}
