#include "foundation/storage/SqlText.h"

#include <cstring>

#include <QStringDecoder>

QString quoteSqlText(const QString& text)
{
    // Statements reach SQLite as UTF-16, whose reader takes any high surrogate
    // together with the unit after it: an unpaired one would swallow the next
    // quote and end the literal early. A NUL would end the statement. Both
    // become U+FFFD, so the literal is valid text that ends where it should.
    QString literal;
    literal.reserve(text.size() + 2);
    literal += '\'';
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < n && text[i + 1].isLowSurrogate()) {
            literal += c;
            literal += text[++i];
        } else if (c.isSurrogate() || c.isNull()) {
            literal += QChar::ReplacementCharacter;
        } else {
            if (c == '\'')
                literal += '\'';
            literal += c;
        }
    }
    literal += '\'';
    return literal;
}

QString likeContainsLiteral(const QString& keyword)
{
    QString pattern;
    pattern.reserve(keyword.size() + 2);
    pattern += '%';
    for (const QChar c : keyword) {
        if (c == '\\' || c == '%' || c == '_')
            pattern += '\\';
        pattern += c;
    }
    pattern += '%';
    return quoteSqlText(pattern);
}

QString textFromSql(const char* utf8, qsizetype bytes)
{
    if (!utf8)
        return QString();
    if (bytes < 0)
        bytes = qsizetype(std::strlen(utf8));
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(QByteArrayView(utf8, bytes));
}

qint64 TextToInt64(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    quint64 value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = value * 10 + static_cast<quint64>(text[i].unicode() - '0');
    return static_cast<qint64>(negative ? 0 - value : value);
}
