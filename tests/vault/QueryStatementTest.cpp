// The search statement of the query window, run on a real vault.
#include "StoreFixture.h"
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
