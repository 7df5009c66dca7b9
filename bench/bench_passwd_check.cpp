// One password check (open, key, probe) as the login does it, at SQLCipher's
// old default iteration count and at the counts considered for the system.
// Prints the median of several runs and the ratio to the old default.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include <QTemporaryDir>

#include "foundation/storage/DbSqlite3.h"

namespace {

double checkMilliseconds(const QString& path, int kdfIter, const QString& passwd)
{
    const auto start = std::chrono::steady_clock::now();
    CDbSqlite3 db(path);
    db.SetKdfIter(kdfIter);
    db.InitDB();
    if (!db.ConfirmPasswd(passwd, 1))
        std::fprintf(stderr, "check failed at %d iterations\n", kdfIter);
    const auto end = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::milli>(end - start).count();
}

} // namespace

int main()
{
    QTemporaryDir dir;
    const QString passwd = QStringLiteral("correct horse");
    const int runs = 9;
    const std::vector<int> counts = {64000, CDbSqlite3::s_iDefaultKdfIter, 512000, 1000000};
    double baseline = 0;
    std::printf("%-12s %12s %8s\n", "kdf_iter", "median ms", "ratio");
    for (const int kdf : counts) {
        const QString path = dir.filePath(QStringLiteral("bench-%1.db").arg(kdf));
        {
            CDbSqlite3 db(path);
            db.SetKdfIter(kdf);
            db.InitDB();
            QString err;
            db.ExecSQL_W(QStringLiteral("CREATE TABLE t(x)"), nullptr, err);
            if (!db.ConfirmAndChangePasswd(QString(), passwd, 1)) {
                std::fprintf(stderr, "could not key the file at %d iterations\n", kdf);
                return 1;
            }
        }
        std::vector<double> times;
        for (int i = 0; i < runs; ++i)
            times.push_back(checkMilliseconds(path, kdf, passwd));
        std::sort(times.begin(), times.end());
        const double median = times[runs / 2];
        if (baseline == 0)
            baseline = median;
        std::printf("%-12d %12.1f %8.2f%s\n", kdf, median, median / baseline,
                    kdf == CDbSqlite3::s_iDefaultKdfIter ? "  (chosen)" : "");
    }
    return 0;
}
