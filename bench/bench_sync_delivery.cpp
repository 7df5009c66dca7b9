// How soon an entry saved on another computer shows in a new query here,
// once the sync program has put that computer's vault in place.
//
// Without arguments: a vault of 10,000 entries open with the folder watch;
// another copy of it, with one more entry, is renamed over it as a sync
// program delivers. Measured: from the rename until the watch has opened the
// new file, and until a new query (the query window's search cache read
// again, then the search) lists the entry. Median of several deliveries.
//
// With the real engine (bench/bench_sync.sh, two Syncthing devices):
//   bench_sync_delivery --save FOLDER TITLE   adds an entry to the vault in
//     FOLDER (made when missing) and prints the wall clock of the commit;
//   bench_sync_delivery --await FOLDER TITLE  opens the vault in FOLDER,
//     watches it, and prints the wall clock when the engine's new file was
//     seen and when a new query found TITLE.
#include <cstdio>
#include <cstring>
#include <vector>

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include "BenchVault.h"
#include "foundation/storage/FormatText.h"
#include "foundation/storage/SqlText.h"
#include "platform/FileWatch.h"
#include "platform/MessageBox.h"
#include "vault/SearchCache.h"

namespace {

constexpr int kEntries = 10000;
constexpr int kDeliveries = 9;

double NowSeconds() { return double(QDateTime::currentMSecsSinceEpoch()) / 1000.0; }

bool Found(const QString& title, CSearchCache& cache)
{
    QString err;
    std::vector<int> places;
    for (int attempt = 0; attempt < 2 && !cache.IsCurrent(*g_pSqlite); ++attempt)
        if (cache.Load(*g_pSqlite, err) != 0)
            return false;
    return cache.Find(*g_pSqlite, title, places, err) == 0 && !places.empty();
}

bool OpenVaultIn(const QString& folder)
{
    g_strSavedDataPath = folder.endsWith('/') ? folder : folder + '/';
    const QString path = g_strSavedDataPath + g_strDbFile;
    const bool exists = QFile::exists(path);
    g_pSqlite = new CDbSqlite3(path);
    g_pPwSettings = new CPasswdSetting;
    if (!exists && !g_pPwSettings->CreateDbPasswd())
        return false;
    return g_pSqlite->InitDB() == 0 && g_pSqlite->ConfirmPasswd(QString(), 0);
}

int Save(const QString& folder, const QString& title)
{
    if (!OpenVaultIn(folder))
        return 1;
    ST_PW_ENTRY entry{QStringLiteral("Common"), title, QStringLiteral("bench"), QStringLiteral("pw"), {}, {}, {}};
    if (g_pPwSettings->InsertEntry(&entry, 0) != 0)
        return 1;
    std::printf("saved %.3f\n", NowSeconds());
    CloseVault();
    return 0;
}

int Await(int argc, char** argv, const QString& folder, const QString& title)
{
    QCoreApplication app(argc, argv);
    if (!OpenVaultIn(folder))
        return 1;
    CSearchCache cache;
    Found(title, cache);
    std::printf("ready\n");
    std::fflush(stdout);
    double seen = 0;
    platform::CFolderWatch watch(g_strSavedDataPath, [&] {
        QString err;
        if (!g_pSqlite->CheckFile(err) && seen == 0)
            seen = NowSeconds();
        if (Found(title, cache)) {
            // The engine's rename set the file's change time.
            const double renamed =
                double(QFileInfo(g_pSqlite->GetPathFile()).metadataChangeTime().toMSecsSinceEpoch()) / 1000.0;
            std::printf("delivered %.3f\nnoticed %.3f\nfound %.3f\n", renamed, seen, NowSeconds());
            app.quit();
        }
    });
    QTimer::singleShot(120000, &app, [&] { app.exit(1); });
    const int code = app.exec();
    CloseVault();
    return code;
}

// Writes a copy of the open vault with one more entry beside it, as the
// engine's temporary file.
bool MakeDelivery(const QString& tmp, const QString& title)
{
    QFile::remove(tmp);
    if (!g_pSqlite->CopyDbFileTo(tmp))
        return false;
    CDbSqlite3 other(tmp);
    if (!other.ConfirmPasswd(QString(), 0))
        return false;
    QString err;
    return other.ExecSQL_W(FormatText("INSERT INTO TnPwEntry VALUES('Common',%s,'bench','pw','','','')",
                                      quoteSqlText(title)),
                           nullptr, err) == 0;
}

int Simulate(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    platform::SetMessageBoxHandler([](const QString& text, const QString&, unsigned) {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        return 1;
    });
    QTemporaryDir dir;
    if (!OpenNewVault(dir))
        return 1;
    PwEntryArray entries;
    for (int i = 0; i < kEntries; ++i)
        entries.append({{}, QString("Site %1").arg(i), QString("user%1").arg(i % 997), "pw", "https://x.example", "", ""});
    int stored = 0, failed = 0, third = 0;
    g_pPwSettings->InsertEntryArray(stored, failed, third, entries, 0);

    CSearchCache cache;
    std::vector<double> noticed, listed;
    for (int round = 0; round < kDeliveries; ++round) {
        const QString title = QString("Delivered %1").arg(round);
        const QString tmp = dir.path() + "/.syncthing.Sqlite.db.tmp";
        if (!Found("Site 1", cache) || !MakeDelivery(tmp, title))
            return 1;
        QElapsedTimer clock;
        double noticedMs = -1, listedMs = -1;
        platform::CFolderWatch watch(dir.path(), [&] {
            QString err;
            if (noticedMs < 0 && !g_pSqlite->CheckFile(err))
                noticedMs = clock.nsecsElapsed() / 1e6;
            if (noticedMs >= 0 && Found(title, cache)) {
                listedMs = clock.nsecsElapsed() / 1e6;
                app.quit();
            }
        });
        QTimer::singleShot(0, &app, [&] {
            clock.start();
            std::rename(QFile::encodeName(tmp).constData(), QFile::encodeName(g_pSqlite->GetPathFile()).constData());
        });
        // A round that never sees its entry ends; the timer ends with the round.
        QTimer giveUp;
        giveUp.setSingleShot(true);
        QObject::connect(&giveUp, &QTimer::timeout, &app, [&] { app.quit(); });
        giveUp.start(10000);
        app.exec();
        if (listedMs < 0) {
            std::fprintf(stderr, "delivery %d was not listed\n", round);
            return 1;
        }
        noticed.push_back(noticedMs);
        listed.push_back(listedMs);
    }
    std::printf("vault of %d entries, %d deliveries renamed over the open vault\n", kEntries, kDeliveries);
    std::printf("  new file opened after the rename:   median %7.1f ms (max %.1f)\n", Median(noticed),
                *std::max_element(noticed.begin(), noticed.end()));
    std::printf("  entry listed by a new query after:  median %7.1f ms (max %.1f)\n", Median(listed),
                *std::max_element(listed.begin(), listed.end()));
    std::printf("  (the folder watch waits 50 ms for a burst of changes to settle)\n");
    CloseVault();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--save") == 0)
        return Save(argv[2], argv[3]);
    if (argc == 4 && std::strcmp(argv[1], "--await") == 0)
        return Await(argc, argv, argv[2], argv[3]);
    return Simulate(argc, argv);
}
