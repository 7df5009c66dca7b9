// One backup of a vault of about 20 MB against a plain file copy of the same
// file in the same run (median of several rounds each).
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "foundation/storage/Globals.h"
#include "platform/Files.h"
#include "vault/PasswdSetting.h"

namespace {

long PeakRssKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main()
{
    QTemporaryDir dir;
    g_strSavedDataPath = dir.path() + '/';
    const QString vault = g_strSavedDataPath + g_strDbFile;
    g_pSqlite = new CDbSqlite3(vault);
    g_pPwSettings = new CPasswdSetting;
    if (!g_pPwSettings->CreateDbPasswd() || g_pSqlite->InitDB() != 0 || !g_pSqlite->ConfirmPasswd(QString(), 0)) {
        std::fprintf(stderr, "cannot create the vault\n");
        return 1;
    }
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
    std::printf("  peak RSS: %.1f MiB\n", PeakRssKiB() / 1024.0);
    delete g_pPwSettings;
    delete g_pSqlite;
    if (!ok) {
        std::fprintf(stderr, "a copy or a backup failed\n");
        return 1;
    }
    return 0;
}
