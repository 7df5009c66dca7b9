#pragma once

// What the fuzz targets share: turning bytes into text, including text that
// is not valid UTF-16, and a failure that libFuzzer records as a crash.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include <QString>

// The bytes as UTF-16 code units, unpaired surrogates and NULs included.
inline QString RawUtf16(const uint8_t* data, size_t size)
{
    QString text(qsizetype(size / 2), Qt::Uninitialized);
    for (size_t i = 0; i + 1 < size; i += 2)
        text[qsizetype(i / 2)] = QChar(char16_t(data[i] | (data[i + 1] << 8)));
    return text;
}

// Splits the input at a 0xFF byte: the parts come in order, the last takes the rest.
inline QString NextPart(const uint8_t*& data, size_t& size, bool raw)
{
    size_t n = 0;
    while (n < size && data[n] != 0xFF)
        ++n;
    const QString part = raw ? RawUtf16(data, n) : QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(n));
    const size_t used = n < size ? n + 1 : n;
    data += used;
    size -= used;
    return part;
}

// What the quoting helper stores for `text`: unpaired surrogates and NULs
// as U+FFFD, everything else as it is.
inline QString StoredForm(const QString& text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            out += c;
            out += text[++i];
        } else {
            out += c.isSurrogate() || c.isNull() ? QChar(QChar::ReplacementCharacter) : c;
        }
    }
    return out;
}

#define FUZZ_CHECK(cond)                                                                      \
    do {                                                                                      \
        if (!(cond)) {                                                                        \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond);   \
            std::abort();                                                                     \
        }                                                                                     \
    } while (0)
