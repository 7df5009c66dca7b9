#include "vault/SearchCache.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

#include "foundation/storage/FormatText.h"
#include "foundation/storage/SqlText.h"
#include "vault/PasswdSetting.h"
#include "vault/QueryStatement.h"

namespace {


// Writes one character, as SQLite's LIKE sees it, in a form in which equal
// characters have equal bytes and no character's bytes occur inside
// another's (UTF-8, stretched to 36 bits): LIKE compares decoded characters.
char* PutChar(char* out, std::uint32_t c)
{
    int extra = c < 0x800 ? 1 : c < 0x10000 ? 2 : c < 0x200000 ? 3 : c < 0x4000000 ? 4 : c < 0x80000000u ? 5 : 6;
    static const unsigned char lead[] = {0, 0xC0, 0xE0, 0xF0, 0xF8, 0xFC, 0xFE};
    *out++ = char(lead[extra] | (extra < 6 ? (c >> (6 * extra)) : 0));
    while (extra-- > 0)
        *out++ = char(0x80 | ((c >> (6 * extra)) & 0x3F));
    return out;
}

// A stored text as LIKE reads it: up to its first zero byte, each character
// decoded the way SQLite decodes UTF-8 (whatever the bytes), ASCII letters
// folded to lower case. Appended to `out`.
void AppendFolded(QByteArray& out, const char* text, int size)
{
    static const unsigned char trans1[] = {
        0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0a, 0x0b, 0x0c, 0x0d, 0x0e, 0x0f,
        0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1a, 0x1b, 0x1c, 0x1d, 0x1e, 0x1f,
        0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0a, 0x0b, 0x0c, 0x0d, 0x0e, 0x0f,
        0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x00, 0x01, 0x02, 0x03, 0x00, 0x01, 0x00, 0x00,
    };
    if (!text || size <= 0)
        return;
    // A byte becomes at most three (a lone lead byte reads as U+FFFD).
    const qsizetype start = out.size();
    out.resize(start + qsizetype(size) * 3);
    char* w = out.data() + start;
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    const auto* end = p + size;
    while (p < end && *p) {
        std::uint32_t c = *p++;
        if (c < 0x80) {
            *w++ = char(c - 'A' < 26u ? c + ('a' - 'A') : c);
            continue;
        }
        if (c >= 0xC0) {
            c = trans1[c - 0xC0];
            while (p < end && (*p & 0xC0) == 0x80)
                c = (c << 6) + (0x3F & *p++);
            if (c < 0x80 || (c & 0xFFFFF800) == 0xD800 || (c & 0xFFFFFFFE) == 0xFFFE)
                c = 0xFFFD;
        }
        w = PutChar(w, c);
    }
    out.truncate(w - out.constData());
}

// A keyword as the statement's pattern holds it, in the folded form; false
// when memory cannot promise the statement's answer for it.
bool FoldKeyword(const QString& keyword, QByteArray& folded)
{
    // SQLite reads any unpaired surrogate together with the unit after it;
    // a zero character ends the statement's text.
    for (qsizetype i = 0; i < keyword.size(); ++i) {
        const QChar c = keyword[i];
        if (c.unicode() == 0)
            return false;
        if (c.isHighSurrogate() && i + 1 < keyword.size() && keyword[i + 1].isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            return false;
    }
    // LIKE looks for a first character U+0080 as a single byte.
    if (!keyword.isEmpty() && keyword[0].unicode() == 0x80)
        return false;
    // The statement compares these by their bytes, where the folded texts
    // hold U+FFFD for all three.
    for (const QChar c : keyword)
        if (c.unicode() >= 0xFFFD)
            return false;
    const QByteArray utf8 = keyword.toUtf8();
    folded.clear();
    AppendFolded(folded, utf8.constData(), int(utf8.size()));
    return true;
}

qint64 ToInt64(const char* text, int size)
{
    return text ? QByteArray::fromRawData(text, size).toLongLong() : 0;
}

bool SameKey(const char* a, int aSize, const char* b, int bSize)
{
    if (!a || !b)
        return !a && !b;
    return aSize == bSize && std::memcmp(a, b, std::size_t(aSize)) == 0;
}

} // namespace

int CSearchCache::ReadStamp(CDbSqlite3& db, Stamp& stamp, QString& errText)
{
    // Writes of this connection count in total_changes(), those of any other
    // in data_version; both start again with a new connection. The first
    // statement also opens a file put in the vault's place.
    int code = db.ExecSQL_Visit(
        QStringLiteral("SELECT total_changes()"),
        [&](const SqlRowView& row) { stamp.changes = ToInt64(row.texts[0], row.sizes[0]); }, errText);
    if (code == 0)
        code = db.ExecSQL_Visit(
            QStringLiteral("PRAGMA data_version"),
            [&](const SqlRowView& row) { stamp.dataVersion = ToInt64(row.texts[0], row.sizes[0]); }, errText);
    stamp.generation = db.GetOpenGeneration();
    return code;
}

bool CSearchCache::IsCurrent(CDbSqlite3& db) const
{
    if (!m_bOrdered)
        return false;
    Stamp now;
    QString err;
    return ReadStamp(db, now, err) == 0 && now == m_stamp;
}

void CSearchCache::Clear()
{
    // Swapping with empty containers gives their memory back; clear() would keep it.
    m_text = QByteArray();
    std::vector<std::uint32_t>().swap(m_start);
    std::vector<qint64>().swap(m_rowIds);
    std::vector<std::uint32_t>().swap(m_rowOfPlace);
    std::vector<std::uint32_t>().swap(m_placeOfRow);
    std::vector<char>().swap(m_allNull);
    std::vector<std::pair<qint64, std::uint32_t>>().swap(m_byRowId);
    std::vector<QByteArray>().swap(m_prevKeywords);
    std::vector<int>().swap(m_prevPlaces);
    m_bPrevValid = false;
    m_bOrdered = false;
    m_bLoaded = false;
    m_bTies = false;
    m_bUndecided = false;
    m_stamp = Stamp();
}

qint64 CSearchCache::RowId(int place) const
{
    return place >= 0 && place < Count() ? m_rowIds[std::size_t(place)] : -1;
}

int CSearchCache::Load(CDbSqlite3& db, QString& errText)
{
    int code = BeginLoad(db, errText);
    while (code == 0 && !m_bLoaded)
        code = LoadMore(db, 1 << 30, errText);
    return code;
}

int CSearchCache::BeginLoad(CDbSqlite3& db, QString& errText)
{
    Clear();
    Stamp before;
    if (const int code = ReadStamp(db, before, errText))
        return code;

    // The order: the (title, user name) key alone, which the primary key's
    // index holds in that order, so no sort and no table page is needed.
    struct Key {
        std::string title, user;
        bool titleNull = true, userNull = true;
    } previous;
    bool first = true;
    int code = db.ExecSQL_Visit(
        FormatText(QStringLiteral("SELECT rowid, %s, %s FROM %s ORDER BY %s ASC,%s ASC"), g_strColTitle,
                   g_strColUserName, g_strTnPwEntry, g_strColTitle, g_strColUserName),
        [&](const SqlRowView& row) {
            m_rowIds.push_back(ToInt64(row.texts[0], row.sizes[0]));
            if (!first && SameKey(previous.titleNull ? nullptr : previous.title.data(), int(previous.title.size()),
                                  row.texts[1], row.sizes[1]) &&
                SameKey(previous.userNull ? nullptr : previous.user.data(), int(previous.user.size()), row.texts[2],
                        row.sizes[2]))
                m_bTies = true;
            first = false;
            if (!row.texts[1] && !row.texts[2])
                m_bUndecided = true;
            previous.titleNull = !row.texts[1];
            previous.userNull = !row.texts[2];
            previous.title.assign(row.texts[1] ? row.texts[1] : "", std::size_t(row.sizes[1]));
            previous.user.assign(row.texts[2] ? row.texts[2] : "", std::size_t(row.sizes[2]));
        },
        errText);
    if (code)
        return Clear(), code;

    m_stamp = before;
    m_bOrdered = true;
    if (m_rowIds.empty())
        return LoadMore(db, 0, errText);
    return 0;
}

int CSearchCache::ReadHead(CDbSqlite3& db, int rows, const QString& columns,
                           const std::function<void(int, const SqlRowView&)>& visit, QString& errText)
{
    Clear();
    // The order of the search statement, which the primary key's index
    // gives without a sort: only the rows shown are looked up in the table.
    // One row more than shown tells whether the last one ties with the next.
    struct Row {
        qint64 rowId;
        std::string title, user;
        bool titleNull, userNull;
    };
    std::vector<Row> read;
    int code = db.ExecSQL_Visit(
        FormatText(QStringLiteral("SELECT rowid, %s, %s, %s FROM %s ORDER BY %s ASC,%s ASC LIMIT %d"), g_strColTitle,
                   g_strColUserName, columns, g_strTnPwEntry, g_strColTitle, g_strColUserName, rows + 1),
        [&](const SqlRowView& row) {
            read.push_back({ToInt64(row.texts[0], row.sizes[0]),
                            std::string(row.texts[1] ? row.texts[1] : "", std::size_t(row.sizes[1])),
                            std::string(row.texts[2] ? row.texts[2] : "", std::size_t(row.sizes[2])), !row.texts[1],
                            !row.texts[2]});
            if (int(read.size()) <= rows)
                visit(int(read.size()) - 1, row);
        },
        errText);
    if (code)
        return Clear(), code;
    // Entries without title and user name, or tied in the order, are placed
    // by the statement alone: no head then.
    for (std::size_t i = 0; i < read.size(); ++i) {
        const Row& r = read[i];
        const bool tie = i > 0 && read[i - 1].titleNull == r.titleNull && read[i - 1].userNull == r.userNull &&
                         read[i - 1].title == r.title && read[i - 1].user == r.user;
        if ((r.titleNull && r.userNull) || tie) {
            errText = QStringLiteral("the statement orders these entries");
            return 21;  // SQLITE_MISUSE
        }
        if (int(i) < rows)
            m_rowIds.push_back(r.rowId);
    }
    return 0;
}

bool CSearchCache::MayHoldMore(CDbSqlite3& db, int rows) const
{
    qint64 largest = 0;
    QString err;
    const int code = db.ExecSQL_Visit(
        FormatText(QStringLiteral("SELECT max(rowid) FROM %s"), g_strTnPwEntry),
        [&](const SqlRowView& row) { largest = ToInt64(row.texts[0], row.sizes[0]); }, err);
    return code == 0 && largest > rows;
}

void CSearchCache::ListAll(std::vector<int>& places) const
{
    places.resize(m_rowIds.size());
    for (std::size_t place = 0; place < places.size(); ++place)
        places[place] = int(place);
}

int CSearchCache::LoadMore(CDbSqlite3& db, int rows, QString& errText)
{
    if (!m_bOrdered || m_bLoaded)
        return 0;
    // The texts in the table's own (rowid) order, each step going on from
    // the last entry read: sequential pages, read once.
    const std::size_t n = m_rowIds.size();
    bool consistent = true;
    const std::size_t from = m_start.size();
    if (from == 0) {
        // Left to the first step, so that listing every entry at once does
        // not wait for what only the search needs.
        m_byRowId.resize(n);
        for (std::size_t place = 0; place < n; ++place)
            m_byRowId[place] = {m_rowIds[place], std::uint32_t(place)};
        std::sort(m_byRowId.begin(), m_byRowId.end());
        m_start.reserve(n + 1);
        m_allNull.reserve(n);
        m_placeOfRow.reserve(n);
        m_text.reserve(qsizetype(n) * 64);
    }
    if (from < n) {
        const int code = db.ExecSQL_Visit(
            FormatText(QStringLiteral("SELECT rowid, %s, %s, %s, %s, %s FROM %s WHERE %s ORDER BY rowid LIMIT %d"),
                       g_strColTitle, g_strColUserName, g_strColURL, g_strColEmail, g_strColNotes, g_strTnPwEntry,
                       from == 0 ? QStringLiteral("1")
                                 : QStringLiteral("rowid > ") + QString::number(m_byRowId[from - 1].first),
                       rows),
            [&](const SqlRowView& row) {
                const std::size_t r = m_start.size();
                if (r >= n || m_byRowId[r].first != ToInt64(row.texts[0], row.sizes[0])) {
                    consistent = false;
                    return;
                }
                m_start.push_back(std::uint32_t(m_text.size()));
                bool allNull = true;
                for (int c = 1; c <= 5; ++c) {
                    allNull = allNull && !row.texts[c];
                    AppendFolded(m_text, row.texts[c], row.sizes[c]);
                    m_text.append('\0');
                }
                m_allNull.push_back(allNull ? 1 : 0);
                m_placeOfRow.push_back(m_byRowId[r].second);
            },
            errText);
        if (code)
            return Clear(), code;
    }
    const bool done = m_start.size() == n;
    Stamp now;
    if (!consistent || (m_start.size() == from && !done) || ReadStamp(db, now, errText) != 0 || !(now == m_stamp)) {
        Clear();
        errText = QStringLiteral("the vault changed while it was read");
        return 17;  // SQLITE_SCHEMA: read again
    }
    if (!done)
        return 0;
    m_start.push_back(std::uint32_t(m_text.size()));
    m_rowOfPlace.assign(n, 0);
    for (std::size_t r = 0; r < n; ++r)
        m_rowOfPlace[m_placeOfRow[r]] = std::uint32_t(r);
    m_text.squeeze();
    std::vector<std::pair<qint64, std::uint32_t>>().swap(m_byRowId);
    m_bLoaded = true;
    return 0;
}

bool CSearchCache::Matches(std::uint32_t row, const QByteArray& keyword) const
{
    if (m_allNull[row])
        return false;
    if (keyword.isEmpty())
        return true;
    const char* begin = m_text.constData() + m_start[row];
    const std::size_t size = m_start[row + 1] - m_start[row];
    return memmem(begin, size, keyword.constData(), std::size_t(keyword.size())) != nullptr;
}

int CSearchCache::Find(CDbSqlite3& db, const QString& keywords, std::vector<int>& places, QString& errText)
{
    places.clear();
    m_bLastFromMemory = false;
    const QStringList taken = SplitQueryKeywords(keywords);
    std::vector<QByteArray> folded(std::size_t(taken.size()));
    if (!m_bOrdered) {
        errText = QStringLiteral("the search cache is not read");
        return 21;  // SQLITE_MISUSE
    }
    bool inMemory = m_bLoaded && !m_bTies;
    for (qsizetype i = 0; inMemory && i < taken.size(); ++i)
        inMemory = FoldKeyword(taken[i], folded[std::size_t(i)]);
    if (!inMemory) {
        m_bPrevValid = false;
        return FindByStatement(db, keywords, places, errText);
    }

    // Longest first: it rules out the most entries.
    std::vector<QByteArray> order = folded;
    std::sort(order.begin(), order.end(), [](const QByteArray& a, const QByteArray& b) { return a.size() > b.size(); });

    // Each previous keyword inside one of the new ones: every entry found
    // now was found before.
    // Worth it while the previous result is a small part of the vault: one
    // pass over all texts beats a look at each of most entries.
    const bool narrowing = m_bPrevValid && m_prevPlaces.size() * 4 < m_rowIds.size() && std::all_of(m_prevKeywords.begin(), m_prevKeywords.end(), [&](const QByteArray& old) {
        return std::any_of(folded.begin(), folded.end(), [&](const QByteArray& now) { return now.contains(old); });
    });
    auto matchesAll = [&](std::uint32_t row, std::size_t from) {
        for (std::size_t k = from; k < order.size(); ++k)
            if (!Matches(row, order[k]))
                return false;
        return true;
    };
    if (narrowing) {
        for (int place : m_prevPlaces)
            if (matchesAll(m_rowOfPlace[std::size_t(place)], 0))
                places.push_back(place);
    } else {
        const std::size_t n = m_rowIds.size();
        std::vector<char> hit(n, 0);
        const QByteArray& first = order.front();
        if (first.isEmpty()) {
            for (std::uint32_t r = 0; r < n; ++r)
                hit[m_placeOfRow[r]] = matchesAll(r, 1);
        } else {
            // One pass over all texts; a field ends with a zero byte, which no
            // keyword holds, so a hit never spans two fields.
            const char* text = m_text.constData();
            const std::size_t size = std::size_t(m_text.size());
            std::size_t at = 0;
            std::uint32_t r = 0;
            while (at < size) {
                const void* found = memmem(text + at, size - at, first.constData(), std::size_t(first.size()));
                if (!found)
                    break;
                const auto offset = std::uint32_t(static_cast<const char*>(found) - text);
                while (m_start[r + 1] <= offset)
                    ++r;
                hit[m_placeOfRow[r]] = matchesAll(r, 1);
                at = m_start[r + 1];
                ++r;
            }
        }
        for (std::size_t place = 0; place < n; ++place)
            if (hit[place])
                places.push_back(int(place));
    }
    m_prevKeywords = std::move(folded);
    m_prevPlaces = places;
    m_bPrevValid = true;
    m_bLastFromMemory = true;
    return 0;
}

int CSearchCache::FindByStatement(CDbSqlite3& db, const QString& keywords, std::vector<int>& places,
                                  QString& errText)
{
    // The statement as it is, reading only which entries it finds.
    QString sql = BuildQueryStatement(keywords);
    const QString head = QStringLiteral("SELECT * ");
    if (!sql.startsWith(head)) {
        errText = QStringLiteral("unexpected search statement");
        return 21;  // SQLITE_MISUSE
    }
    sql.replace(0, head.size(), QStringLiteral("SELECT rowid "));
    std::vector<std::pair<qint64, int>> byRowId;
    byRowId.reserve(m_rowIds.size());
    for (std::size_t place = 0; place < m_rowIds.size(); ++place)
        byRowId.emplace_back(m_rowIds[place], int(place));
    std::sort(byRowId.begin(), byRowId.end());
    bool unknown = false;
    const int code = db.ExecSQL_Visit(
        sql,
        [&](const SqlRowView& row) {
            const qint64 id = ToInt64(row.texts[0], row.sizes[0]);
            const auto it = std::lower_bound(byRowId.begin(), byRowId.end(), std::make_pair(id, 0));
            if (it == byRowId.end() || it->first != id)
                unknown = true;
            else
                places.push_back(it->second);
        },
        errText);
    if (code)
        places.clear();
    else if (unknown) {
        places.clear();
        errText = QStringLiteral("the vault changed while it was searched");
        return 17;  // SQLITE_SCHEMA
    }
    return code;
}
