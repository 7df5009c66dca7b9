#include "foundation/storage/FormatText.h"

namespace {

struct Spec {
    bool left = false;
    bool zero = false;
    int width = 0;
    int precision = -1;
    int longs = 0; // count of 'l' (and "I64")
    QChar conv;
};

constexpr qsizetype kTooWide = -2;

// Reads a placeholder after its '%'; returns the index after it, -1 when the
// text there is no placeholder this formatter knows, or kTooWide when its
// width or precision is beyond kMaxFormatWidth (then it stays as written).
qsizetype parseSpec(const QString& fmt, qsizetype i, Spec& spec)
{
    const qsizetype n = fmt.size();
    for (; i < n; ++i) {
        const QChar c = fmt[i];
        if (c == '-')
            spec.left = true;
        else if (c == '0')
            spec.zero = true;
        else if (c != '+' && c != ' ' && c != '#')
            break;
    }
    // Digits are counted past the bound without growing further, so any run of
    // them stays within int and is then refused.
    const auto readNumber = [&](int& value) {
        for (; i < n && fmt[i].isDigit(); ++i)
            if (value <= kMaxFormatWidth)
                value = value * 10 + fmt[i].digitValue();
    };
    readNumber(spec.width);
    if (i < n && fmt[i] == '.') {
        spec.precision = 0;
        ++i;
        readNumber(spec.precision);
    }
    if (spec.width > kMaxFormatWidth || spec.precision > kMaxFormatWidth)
        return kTooWide;
    for (; i < n; ++i) {
        if (fmt[i] == 'l')
            ++spec.longs;
        else if (fmt.mid(i, 3) == QLatin1String("I64"))
            spec.longs = 2, i += 2;
        else if (fmt[i] != 'h' && fmt[i] != 'z')
            break;
    }
    if (i >= n || !QStringLiteral("diuxXsSc").contains(fmt[i]))
        return -1;
    spec.conv = fmt[i];
    return i + 1;
}

QString number(const Spec& spec, const QVariant& arg)
{
    // Integers behave as C's do: without "ll" they are 32 bits wide
    // (long is 32 bits where these formats were written).
    const bool wide = spec.longs >= 2;
    QString digits;
    bool negative = false;
    if (spec.conv == 'd' || spec.conv == 'i') {
        qlonglong v = arg.toLongLong();
        if (!wide)
            v = static_cast<qint32>(v);
        negative = v < 0;
        digits = QString::number(negative ? -static_cast<qulonglong>(v) : static_cast<qulonglong>(v));
    } else {
        qulonglong v = arg.toULongLong();
        if (arg.typeId() == QMetaType::LongLong || arg.typeId() == QMetaType::QString)
            v = static_cast<qulonglong>(arg.toLongLong());
        if (!wide)
            v = static_cast<quint32>(v);
        digits = spec.conv == 'u' ? QString::number(v) : QString::number(v, 16);
        if (spec.conv == 'X')
            digits = digits.toUpper();
    }
    if (spec.precision > digits.size())
        digits = QString(spec.precision - digits.size(), '0') + digits;
    if (spec.zero && !spec.left && spec.precision < 0) {
        const qsizetype room = spec.width - digits.size() - (negative ? 1 : 0);
        if (room > 0)
            digits = QString(room, '0') + digits;
    }
    return negative ? '-' + digits : digits;
}

QString convert(const Spec& spec, const QVariant& arg)
{
    QString text;
    if (spec.conv == 's' || spec.conv == 'S') {
        text = arg.toString();
        if (spec.precision >= 0)
            text.truncate(spec.precision);
    } else if (spec.conv == 'c') {
        text = arg.typeId() == QMetaType::QString ? arg.toString().left(1) : QString(QChar(char16_t(arg.toUInt())));
    } else {
        text = number(spec, arg);
    }
    if (text.size() < spec.width)
        text = spec.left ? text.leftJustified(spec.width) : text.rightJustified(spec.width);
    return text;
}

} // namespace

bool FormatTextWithinBounds(const QString& fmt)
{
    for (qsizetype i = fmt.indexOf('%'); i >= 0; i = fmt.indexOf('%', i)) {
        if (i + 1 < fmt.size() && fmt[i + 1] == '%') {
            i += 2;
            continue;
        }
        Spec spec;
        if (parseSpec(fmt, i + 1, spec) == kTooWide)
            return false;
        ++i;
    }
    return true;
}

QString FormatText(const QString& fmt, const QVariantList& args)
{
    QString out;
    out.reserve(fmt.size() + 16 * args.size());
    qsizetype next = 0;
    for (qsizetype i = 0; i < fmt.size();) {
        const qsizetype percent = fmt.indexOf('%', i);
        if (percent < 0) {
            out += QStringView(fmt).mid(i);
            break;
        }
        out += QStringView(fmt).mid(i, percent - i);
        if (percent + 1 < fmt.size() && fmt[percent + 1] == '%') {
            out += '%';
            i = percent + 2;
            continue;
        }
        Spec spec;
        const qsizetype end = parseSpec(fmt, percent + 1, spec);
        if (end < 0) { // unknown or too wide: written as it stands
            out += '%';
            i = percent + 1;
            continue;
        }
        if (next < args.size())
            out += convert(spec, args[next]);
        ++next;
        i = end;
    }
    return out;
}
