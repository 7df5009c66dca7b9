#include "vault/PasswdStrength.h"

#include <algorithm>
#include <array>
#include <set>

#include <QList>

namespace {

enum CharClass { CLASS_DIGIT, CLASS_LOWER, CLASS_UPPER, CLASS_SYMBOL, CLASS_OTHER, CLASS_COUNT, CLASS_NONE };

CharClass ClassOf(char32_t c)
{
    if (c >= '0' && c <= '9')
        return CLASS_DIGIT;
    if (c >= 'a' && c <= 'z')
        return CLASS_LOWER;
    if (c >= 'A' && c <= 'Z')
        return CLASS_UPPER;
    if ((c >= 33 && c <= 47) || (c >= 58 && c <= 64) || (c >= 91 && c <= 96) || (c >= 123 && c <= 126))
        return CLASS_SYMBOL;
    if (c >= 128)
        return CLASS_OTHER;
    return CLASS_NONE;  // space, control characters, DEL
}

int LengthPoints(qsizetype n)
{
    if (n <= 3)
        return 5;
    if (n <= 5)
        return 7;
    if (n <= 7)
        return 12;
    if (n <= 10)
        return 20;
    return 25;
}

// Points for 1, 2 and 3 or more distinct characters of each class.
constexpr std::array<std::array<int, 3>, CLASS_COUNT> kClassPoints = {{
    {10, 13, 16},  // digits
    {5, 7, 9},     // lower case (doubled next to any upper case)
    {7, 9, 11},    // upper case
    {12, 16, 20},  // symbols
    {3, 4, 5},     // others
}};

} // namespace

int CalcPasswdStrength(const QString& passwd)
{
    const QList<uint> chars = passwd.toUcs4();
    if (chars.isEmpty())
        return 0;

    std::array<std::set<char32_t>, CLASS_COUNT> distinct;
    for (const uint c : chars) {
        const CharClass cls = ClassOf(c);
        if (cls != CLASS_NONE)
            distinct[cls].insert(c);
    }

    int sum = LengthPoints(chars.size());
    size_t total = 0;
    for (int cls = 0; cls < CLASS_COUNT; ++cls) {
        const size_t k = distinct[cls].size();
        total += k;
        if (k == 0)
            continue;
        int points = kClassPoints[cls][std::min<size_t>(k, 3) - 1];
        if (cls == CLASS_LOWER && !distinct[CLASS_UPPER].empty())
            points *= 2;
        sum += points + 1;  // the class points and one for variety
    }

    static constexpr std::array<int, 5> kDivisor = {0, 3, 6, 12, 16};
    if (total >= 1 && total <= 4)
        sum -= sum / kDivisor[total];
    return std::min(sum, 100);
}
