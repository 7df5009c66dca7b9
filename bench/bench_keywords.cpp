// Splitting a pasted megabyte of keyword text, and building its statement:
// prose-like words with line breaks, tabs and repeats, and one long run of
// distinct tokens (the worst case for the rule's removals).
#include <cstdio>
#include <ctime>
#include <random>

#include <QElapsedTimer>
#include <QStringList>

#include "foundation/storage/FormatText.h"
#include "vault/QueryStatement.h"

namespace {

QString ProseMegabyte()
{
    std::mt19937 random(7);
    QStringList vocabulary;
    for (int i = 0; i < 20000; ++i) {
        QString word;
        const int length = 2 + int(random() % 9);
        for (int j = 0; j < length; ++j)
            word += QChar('a' + int(random() % 26));
        vocabulary << word;
    }
    QString text;
    while (text.size() < 1024 * 1024) {
        text += vocabulary[int(random() % vocabulary.size())];
        const unsigned gap = random() % 20;
        text += gap == 0 ? QStringLiteral("\n") : gap == 1 ? QStringLiteral(" \t") : QStringLiteral(" ");
    }
    return text;
}

QString DistinctMegabyte()
{
    QString text;
    for (int i = 0; text.size() < 1024 * 1024; ++i)
        text += QStringLiteral("k%1 ").arg(i, 0, 36);
    return text;
}

// Processor time of this thread: the figure that a busy machine does not blur.
double CpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

} // namespace

int main()
{
    int status = 0;
    for (const auto& [name, text] : {std::pair{"prose", ProseMegabyte()}, std::pair{"distinct", DistinctMegabyte()}}) {
        QElapsedTimer timer;
        timer.start();
        const double cpuStart = CpuMs();
        const QStringList keywords = SplitQueryKeywords(text);
        const double splitMs = timer.nsecsElapsed() / 1e6;
        const double splitCpuMs = CpuMs() - cpuStart;
        timer.restart();
        const QString sql = BuildQueryStatement(text);
        const double buildMs = timer.nsecsElapsed() / 1e6;
        std::printf("%s", qPrintable(FormatText(
                              "bench_keywords: %-8s %s M characters, %lld keywords: split %s ms (processor %s ms),"
                              " statement %s ms (%s MiB)  (target < 1000 ms)\n",
                              name, QString::number(text.size() / 1048576.0, 'f', 1), keywords.size(),
                              QString::number(splitMs, 'f', 1), QString::number(splitCpuMs, 'f', 1),
                              QString::number(buildMs, 'f', 1),
                              QString::number(sql.size() / 524288.0, 'f', 1))));
        if (splitCpuMs >= 1000)
            status = 1;
    }
    return status;
}
