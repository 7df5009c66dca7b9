// The query window's search from memory against the search statement itself,
// on a vault of awkward texts: the same rows in the same order, for thousands
// of random keyword texts, typed at once or letter by letter.
#include <random>

#include <QSet>

#include "StoreFixture.h"
#include "foundation/storage/SqlText.h"
#include "vault/QueryStatement.h"
#include "vault/SearchCache.h"

namespace {

// Pieces of entry texts and of keywords: quotes, LIKE wildcards and its
// escape, letters beyond ASCII in both cases, characters above U+FFFF,
// the non-characters SQLite reads as U+FFFD.
const char16_t* const kPieces[] = {
    u"git", u"Hub", u"ALICE", u"bob", u"mail", u"O'Brien", u"100%", u"50%off", u"a_b", u"back\\slash", u"''",
    u"Ärger", u"ärger", u"straße", u"STRASSE", u"Ωmega", u"ωmega", u"\U0001F600smile", u"\uFF21wide", u"naïve",
    u"x\uFFFFy", u"x\uFFFDy", u"\u0080ctl", u"\u0100A", u"Zeta", u"zeta", u"kappa", u"é", u"É", u"e\u0301",
    u"example.org", u"https://", u"@", u"-", u"%", u"_", u"\\", u"'", u"\U00010348goth", u"日本", u"tab\there"};

class SearchCacheTest : public StoreTest {
protected:
    std::mt19937 rng{1208};

    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }
    QString piece() { return QString::fromUtf16(kPieces[below(int(std::size(kPieces)))]); }

    QString text(int pieces)
    {
        QString t;
        for (int i = 0; i < pieces; ++i)
            t += piece() + (below(3) == 0 ? QStringLiteral(" ") : QString());
        return t;
    }

    void SetUp() override
    {
        StoreTest::SetUp();
        ASSERT_EQ(exec("DELETE FROM TnPwEntry"), 0);
        PwEntryArray entries;
        QSet<QString> keys;
        for (int i = 0; i < 600; ++i) {
            // Titles repeat with other user names, so the second key orders too.
            ST_PW_ENTRY e{"Common", text(1 + below(2)), text(below(2)) + QString::number(i % 3),
                          "PW-" + text(1), below(4) ? text(1 + below(3)) : QString(), text(below(3)),
                          below(3) ? text(below(6)) : QString()};
            if (!keys.contains(e.strTitle + '\n' + e.strUserName)) {
                keys.insert(e.strTitle + '\n' + e.strUserName);
                entries.append(e);
            }
        }
        int stored = 0, failed = 0, third = 0;
        ASSERT_EQ(store().InsertEntryArray(stored, failed, third, entries, 0), 0);
        // Texts no keyword box writes: missing fields, a zero byte, bytes
        // that are not UTF-8.
        ASSERT_EQ(exec("INSERT INTO TnPwEntry VALUES('Common','nulls',NULL,'p',NULL,NULL,NULL)"), 0);
        ASSERT_EQ(exec("INSERT INTO TnPwEntry VALUES('Common',NULL,'no title','p',NULL,NULL,NULL)"), 0);
        ASSERT_EQ(exec("INSERT INTO TnPwEntry VALUES('Common','zero',CAST(x'6100626f62' AS TEXT),'p','','','')"), 0);
        ASSERT_EQ(exec("INSERT INTO TnPwEntry VALUES('Common',CAST(x'c328e282' AS TEXT),CAST(x'80c3a9bf' AS TEXT),"
                       "'p',CAST(x'efbfbf41' AS TEXT),'','')"),
                  0);
        SqlResultMap rows;
        ASSERT_EQ(exec("SELECT rowid, Title, UserName FROM TnPwEntry", &rows), 0);
        for (auto& [i, row] : rows)
            m_keyOf[row["rowid"].toLongLong()] = row["Title"] + '/' + row["UserName"];
        QString err;
        ASSERT_EQ(m_cache.Load(*g_pSqlite, err), 0) << err.toStdString();
    }

    // What the statement finds, as "title/user" in its order; `code` its result.
    QStringList statement(const QString& keywords, int& code)
    {
        SqlResultMap rows;
        QString err;
        code = g_pSqlite->ExecSQL_W(BuildQueryStatement(keywords), &rows, err);
        QStringList found;
        for (auto& [i, row] : rows)
            found << row["Title"] + '/' + row["UserName"];
        return found;
    }

    QStringList cached(const QString& keywords, int& code)
    {
        std::vector<int> places;
        QString err;
        code = m_cache.Find(*g_pSqlite, keywords, places, err);
        QStringList found;
        for (int place : places)
            found << m_keyOf.value(m_cache.RowId(place), QStringLiteral("?"));
        return found;
    }

    // After rows were written behind the cache's back.
    void reload()
    {
        SqlResultMap rows;
        ASSERT_EQ(exec("SELECT rowid, Title, UserName FROM TnPwEntry", &rows), 0);
        m_keyOf.clear();
        for (auto& [i, row] : rows)
            m_keyOf[row["rowid"].toLongLong()] = row["Title"] + '/' + row["UserName"];
        QString err;
        ASSERT_EQ(m_cache.Load(*g_pSqlite, err), 0) << err.toStdString();
    }

    // Compares one keyword text; true when memory answered it.
    bool same(const QString& keywords)
    {
        int statementCode = 0, cacheCode = 0;
        const QStringList expected = statement(keywords, statementCode);
        const QStringList got = cached(keywords, cacheCode);
        EXPECT_EQ(cacheCode != 0, statementCode != 0) << keywords.toStdString();
        EXPECT_EQ(got, expected) << "keywords: " << keywords.toStdString();
        return m_cache.LastFromMemory();
    }

    QString randomKeywords()
    {
        QString k;
        const int parts = 1 + below(3);
        for (int i = 0; i < parts; ++i) {
            QString p = piece();
            // A part of a piece, in mixed case.
            const int from = below(int(p.size()));
            p = p.mid(from, 1 + below(int(p.size()) - from));
            for (QChar& c : p)
                if (below(2))
                    c = below(2) ? c.toUpper() : c.toLower();
            k += p;
            if (below(2))
                k += ' ';
        }
        // Now and then what only the statement can answer.
        switch (below(40)) {
        case 0: k.insert(below(int(k.size()) + 1), QChar(0xD800)); break;
        case 1: k += QChar(u'\0'); break;
        default: break;
        }
        return k;
    }

    QMap<qint64, QString> m_keyOf;
    CSearchCache m_cache;
};

TEST_F(SearchCacheTest, FindsTheStatementsRowsInItsOrderForRandomKeywords)
{
    int fromMemory = 0;
    const int texts = 2500;
    for (int i = 0; i < texts && !HasFailure(); ++i)
        fromMemory += same(randomKeywords()) ? 1 : 0;
    // The comparison is about memory, not about the statement against itself.
    EXPECT_GT(fromMemory, texts * 8 / 10);
}

TEST_F(SearchCacheTest, TypingLetterByLetterNarrowsToTheStatementsRows)
{
    for (int i = 0; i < 150 && !HasFailure(); ++i) {
        const QString k = randomKeywords();
        for (qsizetype n = 1; n <= k.size(); ++n)
            same(k.left(n));
        // Backspacing and typing something else.
        for (qsizetype n = k.size(); n >= 0; --n)
            same(k.left(n));
    }
}

TEST_F(SearchCacheTest, EveryEntryForNoKeywordsExceptThoseWithoutAnyText)
{
    EXPECT_TRUE(same(QString()));
    EXPECT_TRUE(same(QStringLiteral("   ")));
}

// What a window lists first, read alone, is the statement's first rows, or
// nothing where only the statement can order them.
TEST_F(SearchCacheTest, TheFirstRowsReadAloneAreTheStatementsFirstRows)
{
    int code = 0;
    const QStringList expected = statement(QString(), code);
    ASSERT_EQ(code, 0);
    const auto head = [&](int rows, QStringList& urls) {
        QString err;
        urls.clear();
        const int read = m_cache.ReadHead(
            *g_pSqlite, rows, QStringLiteral("URL"),
            [&](int place, const SqlRowView& row) {
                EXPECT_EQ(place, urls.size());
                urls << (row.texts[3] ? textFromSql(row.texts[3], row.sizes[3]) : QStringLiteral("(null)"));
            },
            err);
        QStringList keys;
        for (int place = 0; place < m_cache.Count(); ++place)
            keys << m_keyOf.value(m_cache.RowId(place), QStringLiteral("?"));
        return read == 0 ? keys : QStringList({QStringLiteral("refused")});
    };
    QStringList urls;
    for (int rows : {1, 64, int(expected.size()), int(expected.size()) + 10}) {
        EXPECT_EQ(head(rows, urls), expected.mid(0, rows)) << rows;
        EXPECT_EQ(urls.size(), std::min(rows, int(expected.size())));
        EXPECT_FALSE(m_cache.IsOrdered());
    }
    // The read replaces a loaded cache, which reads again from its order.
    QString err;
    ASSERT_EQ(m_cache.Load(*g_pSqlite, err), 0);
    EXPECT_TRUE(same(QString()));
    // Entries without title and user name tie; the statement places them.
    ASSERT_EQ(exec("INSERT INTO TnPwEntry VALUES('Common',NULL,NULL,'p','tie-a','','')"), 0);
    EXPECT_EQ(head(64, urls), QStringList({"refused"}));
    EXPECT_EQ(m_cache.Count(), 0);
}

TEST_F(SearchCacheTest, AWriteToTheVaultMakesItStale)
{
    EXPECT_TRUE(m_cache.IsCurrent(*g_pSqlite));
    ST_PW_ENTRY e{"Common", "fresh", "one", "p", "", "", ""};
    ASSERT_EQ(store().InsertEntry(&e, 0), 0);
    EXPECT_FALSE(m_cache.IsCurrent(*g_pSqlite));
    QString err;
    ASSERT_EQ(m_cache.Load(*g_pSqlite, err), 0);
    EXPECT_TRUE(m_cache.IsCurrent(*g_pSqlite));
    m_keyOf.clear();
    SqlResultMap rows;
    ASSERT_EQ(exec("SELECT rowid, Title, UserName FROM TnPwEntry", &rows), 0);
    for (auto& [i, row] : rows)
        m_keyOf[row["rowid"].toLongLong()] = row["Title"] + '/' + row["UserName"];
    EXPECT_TRUE(same(QStringLiteral("fresh")));
    m_cache.Clear();
    EXPECT_FALSE(m_cache.IsCurrent(*g_pSqlite));
}

TEST_F(SearchCacheTest, EntriesTiedInTheOrderAreLeftToTheStatement)
{
    // Rows without title and user name share one place in the order, which
    // the statement alone decides.
    ASSERT_EQ(exec("INSERT INTO TnPwEntry VALUES('Common',NULL,NULL,'p','tie-a','','')"), 0);
    ASSERT_EQ(exec("INSERT INTO TnPwEntry VALUES('Common',NULL,NULL,'p','tie-b','','')"), 0);
    SqlResultMap rows;
    ASSERT_EQ(exec("SELECT rowid, Title, UserName, URL FROM TnPwEntry", &rows), 0);
    for (auto& [i, row] : rows)
        m_keyOf[row["rowid"].toLongLong()] = row["Title"] + '/' + row["UserName"] + row["URL"];
    QString err;
    ASSERT_EQ(m_cache.Load(*g_pSqlite, err), 0);
    std::vector<int> places;
    ASSERT_EQ(m_cache.Find(*g_pSqlite, QStringLiteral("tie"), places, err), 0);
    EXPECT_FALSE(m_cache.LastFromMemory());
    EXPECT_EQ(places.size(), 2u);
}

TEST_F(SearchCacheTest, KeywordsMemoryCannotAnswerGiveTheStatementsResult)
{
    // A zero character and a lone surrogate are made valid by the quoting
    // helper; memory leaves them to the statement.
    same(QStringLiteral("ab") + QChar(u'\0'));
    same(QStringLiteral("ab") + QChar(0xD800) + QStringLiteral("')OR(1)--"));
}

TEST_F(SearchCacheTest, APasteOfAnySizeIsSearchedWithoutAnError)
{
    // Far more keywords than a chain of ANDs may hold in SQLite, and a word
    // longer than a LIKE pattern may be.
    QString many;
    for (int i = 0; i < 3000; ++i)
        many += QStringLiteral("k%1 ").arg(i);
    const QString longWord = QString(30000, QChar(0xE9)) + QStringLiteral("End");
    ASSERT_EQ(exec(QStringLiteral("INSERT INTO TnPwEntry VALUES('Common','long','u','p',NULL,NULL,'%1')")
                       .arg(QString(longWord).replace("End", "eNd"))),
              0);
    reload();
    for (const QString& keywords : {many, QStringLiteral("ab ") + many, QStringLiteral("lo ") + longWord, longWord}) {
        int code = -1;
        const QStringList rows = statement(keywords, code);
        EXPECT_EQ(code, 0) << keywords.left(40).toStdString();
        EXPECT_EQ(rows, keywords.contains(longWord) ? QStringList{"long/u"} : QStringList())
            << keywords.left(40).toStdString();
        EXPECT_TRUE(same(keywords)) << "memory answers them, whatever their number and size";
    }
}

TEST_F(SearchCacheTest, NonCharactersFindOnlyThemselves)
{
    ASSERT_EQ(exec("DELETE FROM TnPwEntry"), 0);
    const QString titles[] = {QString::fromUtf16(u"x\uFFFDy"), QString::fromUtf16(u"X\uFFFEY"),
                              QString::fromUtf16(u"x\uFFFFy")};
    for (const QString& title : titles)
        ASSERT_EQ(exec(QStringLiteral("INSERT INTO TnPwEntry VALUES('Common',%1,'u','p',NULL,NULL,NULL)")
                           .arg(quoteSqlText(title))),
                  0);
    reload();
    for (int i = 0; i < 3; ++i) {
        int code = -1;
        const QString keyword = QString(QChar(0xFFFD + i)) + QStringLiteral("y");
        EXPECT_EQ(statement(keyword, code), QStringList{titles[i] + "/u"}) << i;
        EXPECT_EQ(code, 0);
        same(keyword);
    }
}

} // namespace
