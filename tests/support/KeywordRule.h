#pragma once

#include <QString>
#include <QStringList>

// The keyword rule as first written, one pass over the whole rest per
// keyword: what the fast split must give for every text.
inline QStringList SplitByTheRule(const QString& keywords)
{
    QStringList taken;
    QString rest = keywords.trimmed();
    do {
        const qsizetype space = rest.indexOf(QLatin1Char(' '));
        const QString keyword = space < 0 ? rest : rest.left(space);
        rest = space < 0 ? QString() : rest.mid(space + 1);
        if (!keyword.isEmpty())
            rest.remove(keyword);
        rest = rest.trimmed();
        taken << keyword;
    } while (!rest.isEmpty());
    return taken;
}
