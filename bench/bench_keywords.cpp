// Splitting a pasted megabyte of keyword text, and building its statement:
// prose-like words with line breaks, tabs and repeats, and one long run of
// distinct tokens (the worst case for the rule's removals).
#include <cstdio>
#include <random>

#include <QElapsedTimer>
#include <QStringList>

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

} // namespace

int main()
{
    int status = 0;
    for (const auto& [name, text] : {std::pair{"prose", ProseMegabyte()}, std::pair{"distinct", DistinctMegabyte()}}) {
        QElapsedTimer timer;
        timer.start();
        const QStringList keywords = SplitQueryKeywords(text);
        const double splitMs = timer.nsecsElapsed() / 1e6;
        timer.restart();
        const QString sql = BuildQueryStatement(text);
        const double buildMs = timer.nsecsElapsed() / 1e6;
        std::printf("bench_keywords: %-8s %.1f MiB, %lld keywords: split %8.1f ms, statement %8.1f ms (%.1f MiB)"
                    "  (target < 1000 ms)\n",
                    name, text.size() / 524288.0, static_cast<long long>(keywords.size()), splitMs, buildMs,
                    sql.size() / 524288.0);
        if (splitMs >= 1000)
            status = 1;
    }
    return status;
}
