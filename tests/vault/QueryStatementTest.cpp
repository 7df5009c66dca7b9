// The search statement of the query window, run on a real vault.
#include "StoreFixture.h"
#include "support/KeywordRule.h"
#include "vault/QueryStatement.h"

namespace {

class QueryStatementTest : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        ASSERT_EQ(exec("DELETE FROM TnPwEntry"), 0);
    }

    void add(const QString& title, const QString& user, const QString& passwd, const QString& url = {},
             const QString& email = {}, const QString& notes = {})
    {
        ST_PW_ENTRY e{"Common", title, user, passwd, url, email, notes};
        ASSERT_EQ(store().InsertEntry(&e, 0), 0);
    }

    // "title/user" of every row the search finds, in its order.
    QStringList find(const QString& keywords)
    {
        SqlResultMap rows;
        QString err;
        EXPECT_EQ(g_pSqlite->ExecSQL_W(BuildQueryStatement(keywords), &rows, err), 0) << err.toStdString();
        QStringList found;
        for (auto& [i, row] : rows)
            found << row["Title"] + '/' + row["UserName"];
        return found;
    }
};

TEST(QueryKeywords, TakenKeywordIsRemovedFromTheRest)
{
    EXPECT_EQ(SplitQueryKeywords("ab abc"), QStringList({"ab", "c"}));
    EXPECT_EQ(SplitQueryKeywords("  ab   cd  "), QStringList({"ab", "cd"}));
    // "ab" removed from "xaby ab" leaves "xy".
    EXPECT_EQ(SplitQueryKeywords("ab xaby ab"), QStringList({"ab", "xy"}));
    // Every later keyword that only repeats an earlier one vanishes.
    EXPECT_EQ(SplitQueryKeywords("ab ab ab"), QStringList({"ab"}));
    EXPECT_EQ(SplitQueryKeywords(""), QStringList({""}));
    EXPECT_EQ(SplitQueryKeywords("   "), QStringList({""}));
}

TEST(QueryKeywords, PiecesBroughtUpToDateOnlyWhenNeededGiveTheSameKeywords)
{
    // Removal that leaves a later piece blank, trailing or leading blanks
    // other than spaces, keywords that come back after later removals.
    for (const QString& text :
         {QString("ab c acb"), QString("b\t x ab\tc c"), QString("x a\tb b"), QString("a\tb x b"),
          QString("x \tb\t b y"), QString("q w\tq w"), QString("ab\tb b"), QString("c x\tc\t\tc c"),
          QString("a \t b \xa0 a\xa0"), QString("aab ab b"), QString("x y\txz z")})
        EXPECT_EQ(SplitQueryKeywords(text), SplitByTheRule(text)) << text.toStdString();

    // Random texts over a small alphabet, where removals and blanks abound.
    quint32 seed = 12345;
    const auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    const QString alphabet = QStringLiteral("ab  c\t\xa0");
    for (int round = 0; round < 20000; ++round) {
        QString text;
        const int length = int(next() >> 24) % 24;
        for (int i = 0; i < length; ++i)
            text += alphabet[int(next() >> 16) % alphabet.size()];
        ASSERT_EQ(SplitQueryKeywords(text), SplitByTheRule(text)) << '"' << text.toStdString() << '"';
    }
}

TEST(QueryKeywords, StatementNeverSearchesThePassword)
{
    const QString sql = BuildQueryStatement("a b");
    EXPECT_FALSE(sql.contains("Password")) << sql.toStdString();
    EXPECT_EQ(sql.count(" LIKE "), 10);
    EXPECT_EQ(sql.count("ESCAPE '\\'"), 10);
    EXPECT_TRUE(sql.endsWith("ORDER BY Title ASC,UserName ASC"));
}

TEST_F(QueryStatementTest, EveryKeywordMustMatchOneOfTheFiveColumns)
{
    add("ab shop", "u1", "x", "", "", "cd in notes");
    add("ab only", "u2", "x");
    add("zz", "ab", "x", "www.cd.example");
    add("yy", "u3", "x", "", "ab@cd.example");
    EXPECT_EQ(find("ab cd"), QStringList({"ab shop/u1", "yy/u3", "zz/ab"}));
    EXPECT_EQ(find("CD AB"), QStringList({"ab shop/u1", "yy/u3", "zz/ab"}));
}

TEST_F(QueryStatementTest, InvalidTextCannotChangeTheStatement)
{
    add("bank", "me", "hunter2secret");
    const QChar hi(0xD800), lo(0xDC00);
    // A lone high surrogate once swallowed the quote after it, ending the literal.
    for (const QString& keyword :
         {QString(hi) + "')OR(instr(Password,'hunter2'))--", QString(lo) + "')OR(1)--",
          QString("x") + hi + "'' OR 1--", QString("a") + QChar(0) + "')OR(1)--"}) {
        SqlResultMap rows;
        QString err;
        EXPECT_EQ(g_pSqlite->ExecSQL_W(BuildQueryStatement(keyword), &rows, err), 0) << err.toStdString();
        EXPECT_TRUE(rows.empty()) << keyword.toStdString();
    }
    // Entry fields go through the same quoting: stored valid, found again.
    add(QString(hi) + "'title", QString("u") + lo, "pw");
    const QChar bad(QChar::ReplacementCharacter);
    EXPECT_EQ(find(QString(bad) + "'title"), QStringList({QString(bad) + "'title/u" + bad}));
    // A leading byte-order mark is text like any other.
    const QString bom = QString(QChar(0xFEFF)) + "bom";
    add(bom, bom, "pw", bom);
    EXPECT_EQ(find("bom"), QStringList({bom + '/' + bom}));
    ST_PW_ENTRY out{{}, bom, bom, {}, {}, {}, {}};
    ASSERT_EQ(store().SelectEntry(&out), 1);
    EXPECT_EQ(out.strURL, bom);
}

TEST_F(QueryStatementTest, MatchOnlyInThePasswordIsNotFound)
{
    add("bank", "me", "secretword", "bank.example", "me@example.org", "n");
    EXPECT_TRUE(find("secretword").isEmpty());
    EXPECT_EQ(find("bank"), QStringList({"bank/me"}));
}

TEST_F(QueryStatementTest, SecondKeywordAfterRemovalIsWhatIsSearched)
{
    add("ab c", "u", "x");     // holds ab and c
    add("ab only", "u", "x");  // would match "abc" but not "c"
    add("abc", "u2", "x");     // holds both ab and c
    EXPECT_EQ(find("ab abc"), QStringList({"ab c/u", "abc/u2"}));
}

TEST_F(QueryStatementTest, EmptyKeywordsListEveryEntryByTitleThenUserName)
{
    add("b", "2", "x");
    add("a", "9", "x");
    add("b", "1", "x");
    EXPECT_EQ(find(""), QStringList({"a/9", "b/1", "b/2"}));
    EXPECT_EQ(find("   "), QStringList({"a/9", "b/1", "b/2"}));
}

TEST_F(QueryStatementTest, QuotePercentUnderscoreAndBackslashAreMatchedLiterally)
{
    add("O'Brien", "u", "x");
    add("100% sure", "u", "x");
    add("1000 sure", "u", "x");
    add("my_name", "u", "x");
    add("myXname", "u", "x");
    add("back\\slash", "u", "x");
    add("backslash", "u", "x");
    EXPECT_EQ(find("o'b"), QStringList({"O'Brien/u"}));
    EXPECT_EQ(find("0%"), QStringList({"100% sure/u"}));
    EXPECT_EQ(find("y_n"), QStringList({"my_name/u"}));
    EXPECT_EQ(find("k\\s"), QStringList({"back\\slash/u"}));
    // A keyword that tries to close the literal finds nothing instead of everything.
    EXPECT_TRUE(find("' OR '1'='1").isEmpty());
    EXPECT_EQ(entryCount(), 7);
}

} // namespace
