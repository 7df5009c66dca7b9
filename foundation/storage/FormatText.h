#pragma once

#include <type_traits>

#include <QString>
#include <QVariant>
#include <QVariantList>

#include "foundation/TesselcoreApi.h"

// Fills printf-style placeholders (%d %i %u %ld %lu %lld %llu %x %s %ls %S,
// with optional flags '-' '0', width and precision, and %%) in order from
// `args`. An argument is never read as a format, so texts holding '%' are safe.
// A missing argument leaves its placeholder empty; an unknown one stays as written.
// A width or precision above kMaxFormatWidth makes the placeholder unknown:
// a text is a few hundred characters, never gigabytes.
TESSELCORE_API QString FormatText(const QString& fmt, const QVariantList& args);

inline constexpr int kMaxFormatWidth = 1000;

// False when a placeholder of `fmt` asks for a width or precision above
// kMaxFormatWidth: such a text does not come from a sound language file.
TESSELCORE_API bool FormatTextWithinBounds(const QString& fmt);

namespace formattext_detail {
inline QVariant toArg(const QVariant& v) { return v; }
inline QVariant toArg(const QString& v) { return v; }
inline QVariant toArg(QStringView v) { return v.toString(); }
inline QVariant toArg(QLatin1String v) { return QString(v); }
inline QVariant toArg(const char* v) { return QString::fromUtf8(v); }
inline QVariant toArg(const char16_t* v) { return QString::fromUtf16(v); }
template <class T>
QVariant toArg(const T& v)
{
    static_assert(std::is_arithmetic_v<T> || std::is_enum_v<T>, "FormatText takes text and numbers");
    if constexpr (std::is_enum_v<T>)
        return QVariant::fromValue(static_cast<qlonglong>(v));
    else if constexpr (std::is_floating_point_v<T>)
        return QVariant::fromValue(static_cast<double>(v));
    else if constexpr (std::is_signed_v<T>)
        return QVariant::fromValue(static_cast<qlonglong>(v));
    else
        return QVariant::fromValue(static_cast<qulonglong>(v));
}
} // namespace formattext_detail

// FormatText("%s: %d", name, count)
template <class... Args>
    requires(sizeof...(Args) > 0 && !(sizeof...(Args) == 1 && (std::is_same_v<std::decay_t<Args>, QVariantList> && ...)))
QString FormatText(const QString& fmt, const Args&... args)
{
    return FormatText(fmt, QVariantList{formattext_detail::toArg(args)...});
}
