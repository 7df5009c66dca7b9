#include "vault/PasswordGenerator.h"

#include <algorithm>

#include <QList>
#include <QRandomGenerator>

quint32 SystemRandom32()
{
    // getrandom(2) on Linux, /dev/urandom where it is missing.
    return QRandomGenerator::system()->generate();
}

quint32 RandomBelow(quint32 bound, const PwRandomSource& source)
{
    if (bound == 0)
        return 0;
    // The largest multiple of `bound` that fits in 2^32; values from it up
    // would make the low results more likely than the high ones.
    const quint64 limit = (quint64(1) << 32) - ((quint64(1) << 32) % bound);
    for (;;) {
        const quint32 value = source();
        if (value < limit)
            return value % bound;
    }
}

QString PwGenClassChars(char cls, bool avoidLookAlike)
{
    QString chars;
    const auto range = [&chars](char from, char to) {
        for (char c = from; c <= to; ++c)
            chars += QLatin1Char(c);
    };
    switch (cls) {
    case 'A': range('A', 'Z'); break;
    case 'a': range('a', 'z'); break;
    case '0': range('0', '9'); break;
    case '!': range(33, 47); range(58, 64); range(91, 96); range(123, 126); break;
    default: break;
    }
    if (avoidLookAlike)
        chars.removeIf([](QChar c) { return QStringLiteral("0Oo1lI|").contains(c); });
    return chars;
}

QString GeneratePasswd(const StPwGenOptions& options, const PwRandomSource& source)
{
    QList<QString> classes;
    for (const auto& [chosen, cls] : {std::pair{options.bUpper, 'A'}, std::pair{options.bLower, 'a'},
                                      std::pair{options.bDigits, '0'}, std::pair{options.bSymbols, '!'}})
        if (chosen)
            classes.append(PwGenClassChars(cls, options.bAvoidLookAlike));
    if (classes.isEmpty())
        return QString();
    const QString alphabet = classes.join(QString());
    const int length = std::clamp(options.iLength, StPwGenOptions::s_iMinLength, StPwGenOptions::s_iMaxLength);

    // Drawing whole passwords until one holds every chosen class keeps each
    // acceptable password equally likely; at 8 characters about half the
    // draws are kept, at 20 nearly all.
    for (;;) {
        QString passwd(length, Qt::Uninitialized);
        for (int i = 0; i < length; ++i)
            passwd[i] = alphabet[RandomBelow(quint32(alphabet.size()), source)];
        const bool complete = std::all_of(classes.begin(), classes.end(), [&](const QString& cls) {
            return std::any_of(passwd.begin(), passwd.end(), [&](QChar c) { return cls.contains(c); });
        });
        if (complete)
            return passwd;
    }
}
