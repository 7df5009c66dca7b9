#include "vault/QueryStatement.h"

#include <algorithm>
#include <limits>
#include <map>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "foundation/storage/FormatText.h"
#include "foundation/storage/SqlText.h"
#include "vault/PasswdSetting.h"

namespace {

bool isBlank(QStringView text)
{
    for (const QChar c : text)
        if (!c.isSpace())
            return false;
    return true;
}

void trimRight(QString& text)
{
    qsizetype end = text.size();
    while (end > 0 && text[end - 1].isSpace())
        --end;
    text.truncate(end);
}

// Splitting as the rule says, one keyword at a time over the whole rest of
// the text, costs a pass over the rest per keyword: half a minute for a pasted
// megabyte. A taken keyword holds no space, so removing it never reaches
// across a space: each space-separated piece of the rest can be brought up to
// date on its own, and only when it is needed. Trimming the rest touches just
// its first piece (which becomes the next keyword) and its last non-blank
// piece, the one piece that is right-trimmed after every removal.
class KeywordSplitter {
public:
    explicit KeywordSplitter(const QString& text) : m_pieces(text.trimmed().split(QLatin1Char(' '))) {}

    QStringList run()
    {
        m_stepsOfPiece.assign(size_t(m_pieces.size()), 0);
        m_blankSince.assign(size_t(m_pieces.size()), -1);
        qsizetype front = 0;
        qsizetype last = m_pieces.size() - 1;
        qsizetype trimFrom = 0; // the step from which `last` is the last non-blank piece
        do {
            // The first piece that is not blank once brought up to date.
            QString keyword;
            for (; front <= last; ++front) {
                catchUp(front, front == last ? trimFrom : kNever);
                if (!isBlank(m_pieces[front]))
                    break;
            }
            if (front <= last) {
                keyword = m_pieces[front];
                qsizetype start = 0;
                while (keyword[start].isSpace())
                    ++start;
                keyword.remove(0, start);
            }
            take(keyword);
            // The rest is what follows the front piece; find its last non-blank piece.
            if (front >= last)
                break;
            ++front;
            for (;;) {
                catchUp(last, trimFrom);
                if (!isBlank(m_pieces[last]))
                    break;
                trimFrom = std::max(trimFrom, m_blankSince[size_t(last)]);
                if (--last < front)
                    break;
            }
        } while (front <= last);
        return m_taken;
    }

private:
    static constexpr qsizetype kNever = std::numeric_limits<qsizetype>::max();

    void take(const QString& keyword)
    {
        m_taken << keyword;
        const qsizetype step = m_taken.size();
        if (keyword.isEmpty())
            return;
        const QString& stored = m_taken.last();
        m_stepsOf[std::u16string_view(reinterpret_cast<const char16_t*>(stored.utf16()), size_t(stored.size()))]
            .push_back(step);
        ++m_lengthCount[stored.size()];
    }

    // Applies the keywords of steps (done, m_taken.size()] to a piece, in
    // order, right-trimming it after each step from `trimFrom` on.
    void catchUp(qsizetype piece, qsizetype trimFrom)
    {
        QString& text = m_pieces[piece];
        qsizetype done = m_stepsOfPiece[size_t(piece)];
        const qsizetype target = m_taken.size();
        const auto mark = [&](qsizetype step) {
            if (m_blankSince[size_t(piece)] < 0 && isBlank(text))
                m_blankSince[size_t(piece)] = step;
        };
        mark(done);
        const auto applyUpTo = [&](qsizetype upTo, bool trim) {
            while (done < upTo) {
                const qsizetype step = nextStepFound(text, done, upTo);
                if (step < 0)
                    break;
                text.remove(m_taken[step - 1]);
                if (trim)
                    trimRight(text);
                mark(step);
                done = step;
            }
            done = std::max(done, upTo);
        };
        if (trimFrom > done && trimFrom <= target) {
            applyUpTo(trimFrom - 1, false);
            const QString& keyword = m_taken[trimFrom - 1];
            if (!keyword.isEmpty())
                text.remove(keyword);
            trimRight(text);
            mark(trimFrom);
            done = trimFrom;
        }
        applyUpTo(target, trimFrom <= done);
        m_stepsOfPiece[size_t(piece)] = target;
    }

    // The first step in (after, upTo] whose keyword occurs in `text`, or -1.
    // Looks up every substring of a keyword's length when that is cheaper
    // than trying each keyword in turn.
    qsizetype nextStepFound(const QString& text, qsizetype after, qsizetype upTo) const
    {
        if (isBlank(text))
            return -1;
        const qsizetype n = text.size();
        qsizetype lookups = 0;
        for (const auto& [length, count] : m_lengthCount) {
            if (length > n)
                break;
            lookups += (n - length + 1) * (1 + length / 8);
        }
        if ((upTo - after) * (n / 8 + 1) <= lookups) {
            for (qsizetype step = after + 1; step <= upTo; ++step) {
                const QString& keyword = m_taken[step - 1];
                if (!keyword.isEmpty() && text.contains(keyword))
                    return step;
            }
            return -1;
        }
        const std::u16string_view view(reinterpret_cast<const char16_t*>(text.utf16()), size_t(n));
        qsizetype best = -1;
        for (const auto& [length, count] : m_lengthCount) {
            if (length > n)
                break;
            for (qsizetype i = 0; i + length <= n; ++i) {
                const auto found = m_stepsOf.find(view.substr(size_t(i), size_t(length)));
                if (found == m_stepsOf.end())
                    continue;
                const std::vector<qsizetype>& steps = found->second;
                const auto it = std::upper_bound(steps.begin(), steps.end(), after);
                if (it != steps.end() && *it <= upTo && (best < 0 || *it < best))
                    best = *it;
            }
        }
        return best;
    }

    QStringList m_pieces;
    QStringList m_taken;
    std::vector<qsizetype> m_stepsOfPiece;  // steps applied to each piece
    std::vector<qsizetype> m_blankSince;    // step a piece turned blank, -1 while it is not
    std::unordered_map<std::u16string_view, std::vector<qsizetype>> m_stepsOf; // keyword -> its steps
    std::map<qsizetype, qsizetype> m_lengthCount; // keyword length -> how many
};

} // namespace

QStringList SplitQueryKeywords(const QString& keywords)
{
    return KeywordSplitter(keywords).run();
}

namespace {

// SQLite refuses a LIKE pattern of more than 50,000 bytes.
constexpr qsizetype kMaxLikePatternBytes = 40000;

// LIKE reads U+FFFE and U+FFFF as U+FFFD, in the pattern as in the text, so
// that any of the three would find the others; and a long paste makes a
// pattern LIKE refuses. Such a keyword is compared by its bytes instead,
// ASCII letters folded as LIKE folds them.
bool NeedsByteCompare(const QString& keyword)
{
    // Escaping may double each byte.
    if (keyword.size() * 6 + 2 > kMaxLikePatternBytes && keyword.toUtf8().size() * 2 + 2 > kMaxLikePatternBytes)
        return true;
    for (const QChar c : keyword)
        if (c.unicode() >= 0xFFFD)
            return true;
    return false;
}

// "(Title LIKE p ESCAPE '\' OR ... OR Notes LIKE p ESCAPE '\')"
QString KeywordClause(const QString& keyword)
{
    const QString fields[] = {g_strColTitle, g_strColUserName, g_strColURL, g_strColEmail, g_strColNotes};
    QStringList tests;
    if (NeedsByteCompare(keyword)) {
        const QString literal = QStringLiteral("lower(%1)").arg(quoteSqlText(keyword));
        for (const QString& field : fields)
            tests << QStringLiteral("instr(lower(%1),%2)>0").arg(field, literal);
    } else {
        const QString like = likeContainsLiteral(keyword) + QStringLiteral(" ESCAPE '\\'");
        for (const QString& field : fields)
            tests << field + QStringLiteral(" LIKE ") + like;
    }
    return QLatin1Char('(') + tests.join(QStringLiteral(" OR ")) + QLatin1Char(')');
}

// The keywords' clauses joined by AND as a balanced tree: a chain of a few
// hundred is deeper than SQLite lets an expression be.
void AppendConjunction(QString& sql, const QStringList& keywords, qsizetype from, qsizetype to)
{
    if (to - from == 1) {
        sql += KeywordClause(keywords[from]);
        return;
    }
    const qsizetype middle = from + (to - from) / 2;
    sql += QLatin1Char('(');
    AppendConjunction(sql, keywords, from, middle);
    sql += QStringLiteral(" AND ");
    AppendConjunction(sql, keywords, middle, to);
    sql += QLatin1Char(')');
}

} // namespace

QString BuildQueryStatement(const QString& keywords)
{
    const QStringList taken = SplitQueryKeywords(keywords);
    // The entry table is searched as a scan followed by a sort: walking the
    // (Title, UserName) index instead visits the table pages in key order and
    // reads and decrypts each of them many times over when the page cache
    // cannot hold the vault (about 1.1 s against 55 ms at 100,000 entries).
    QString sql = FormatText(QStringLiteral("SELECT * FROM %s NOT INDEXED WHERE "), g_strTnPwEntry);
    AppendConjunction(sql, taken, 0, taken.size());
    sql += FormatText(QStringLiteral(" ORDER BY %s ASC,%s ASC"), g_strColTitle, g_strColUserName);
    return sql;
}
