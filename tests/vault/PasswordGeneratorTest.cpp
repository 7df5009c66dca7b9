// The password generator: options honoured, uniform choice, no modulo bias.
#include <cmath>
#include <deque>

#include <QMap>
#include <gtest/gtest.h>

#include "vault/PasswordGenerator.h"

namespace {

// Replays the given values, then fails the test if more are asked for.
PwRandomSource Replay(std::deque<quint32> values)
{
    return [values]() mutable {
        if (values.empty()) {
            ADD_FAILURE() << "more random numbers drawn than expected";
            return quint32(0);
        }
        const quint32 v = values.front();
        values.pop_front();
        return v;
    };
}

TEST(PasswordGeneratorTest, DrawsInTheIncompleteTopBlockAreDrawnAgain)
{
    // 2^32 = 3 * 1431655765 + 1: only 4294967295 lies above the last full block.
    EXPECT_EQ(RandomBelow(3, Replay({4294967295u, 7})), 1u);
    // For 94 the top 2^32 mod 94 = 42 values go: 4294967254 up.
    EXPECT_EQ(RandomBelow(94, Replay({4294967254u, 4294967295u, 4294967253u})), 4294967253u % 94);
    EXPECT_EQ(RandomBelow(1, Replay({123})), 0u);
}

TEST(PasswordGeneratorTest, DefaultIsTwentyCharactersWithEveryClass)
{
    const StPwGenOptions defaults;
    EXPECT_EQ(defaults.iLength, 20);
    for (int i = 0; i < 200; ++i) {
        const QString pw = GeneratePasswd(defaults);
        ASSERT_EQ(pw.size(), 20);
        for (char cls : {'A', 'a', '0', '!'}) {
            const QString chars = PwGenClassChars(cls, false);
            EXPECT_TRUE(std::any_of(pw.begin(), pw.end(), [&](QChar c) { return chars.contains(c); })) << cls;
        }
    }
}

TEST(PasswordGeneratorTest, EveryClassAndLengthSettingIsHonoured)
{
    const QString lookAlikes = QStringLiteral("0Oo1lI|");
    for (int mask = 1; mask < 16; ++mask) {
        for (bool avoid : {false, true}) {
            StPwGenOptions o;
            o.bUpper = mask & 1;
            o.bLower = mask & 2;
            o.bDigits = mask & 4;
            o.bSymbols = mask & 8;
            o.bAvoidLookAlike = avoid;
            for (int length : {8, 13, 128}) {
                o.iLength = length;
                const QString pw = GeneratePasswd(o);
                ASSERT_EQ(pw.size(), length);
                QString allowed;
                for (auto [on, cls] : {std::pair{o.bUpper, 'A'}, {o.bLower, 'a'}, {o.bDigits, '0'}, {o.bSymbols, '!'}}) {
                    const QString chars = PwGenClassChars(cls, avoid);
                    allowed += on ? chars : QString();
                    if (on) {
                        EXPECT_TRUE(std::any_of(pw.begin(), pw.end(), [&](QChar c) { return chars.contains(c); }))
                            << "class " << cls << " missing from " << pw.toStdString();
                    }
                }
                for (QChar c : pw) {
                    EXPECT_TRUE(allowed.contains(c)) << pw.toStdString();
                    if (avoid) {
                        EXPECT_FALSE(lookAlikes.contains(c)) << pw.toStdString();
                    }
                }
            }
        }
    }
    StPwGenOptions none;
    none.bUpper = none.bLower = none.bDigits = none.bSymbols = false;
    EXPECT_TRUE(GeneratePasswd(none).isEmpty());
    StPwGenOptions outside;
    outside.iLength = 3;
    EXPECT_EQ(GeneratePasswd(outside).size(), StPwGenOptions::s_iMinLength);
    outside.iLength = 1000;
    EXPECT_EQ(GeneratePasswd(outside).size(), StPwGenOptions::s_iMaxLength);
}

TEST(PasswordGeneratorTest, CharactersAreEquallyLikely)
{
    // 94 symbols, 200,000 draws: chi-square with 93 degrees of freedom stays
    // below 160 except once in about 10^7 runs; a modulo-biased or
    // class-weighted choice lands far above it.
    StPwGenOptions o;
    o.iLength = 128;
    QMap<QChar, int> counts;
    int total = 0;
    while (total < 200000) {
        for (QChar c : GeneratePasswd(o))
            ++counts[c];
        total += 128;
    }
    ASSERT_EQ(counts.size(), 94);
    const double expected = double(total) / 94;
    double chi2 = 0;
    for (int n : counts)
        chi2 += (n - expected) * (n - expected) / expected;
    EXPECT_LT(chi2, 160.0);
}

} // namespace
