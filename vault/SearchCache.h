#pragma once

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include <QByteArray>
#include <QString>

#include "foundation/storage/DbSqlite3.h"
#include "vault/VaultcoreApi.h"

// What the query window searches, held in memory while it is open, so that a
// keystroke costs one pass over memory instead of the search statement over
// the encrypted vault: the title, user name, URL, e-mail and notes of every
// entry (never the password), as LIKE compares them (ASCII letters folded,
// characters as SQLite decodes them), and each entry's place in the
// statement's order (title, then user name). A search gives exactly the
// statement's rows in the statement's order; where memory cannot promise
// that (keywords SQLite refuses or reads in its own way, entries that tie in
// the order), the statement itself runs.
class VAULTCORE_API CSearchCache {
public:
    // Reads every entry. The SQLite code, 0 = read.
    int Load(CDbSqlite3& db, QString& errText);
    // Reading in steps, so that a large vault is listed at once and searched
    // once its texts are in: the order of every entry (a short read of the
    // primary key's index), then the texts, `rows` entries a step.
    int BeginLoad(CDbSqlite3& db, QString& errText);
    int LoadMore(CDbSqlite3& db, int rows, QString& errText);
    // The first `rows` entries of the statement's order alone, each row given
    // to `visit` with its place (rowid, title, user name, then `columns`):
    // what a window shows first, in one statement, before the order of every
    // entry is read. The places stand until the next BeginLoad. The SQLite
    // code, 0 = read; not 0 also where only the statement can order them.
    int ReadHead(CDbSqlite3& db, int rows, const QString& columns,
                 const std::function<void(int place, const SqlRowView&)>& visit, QString& errText);
    // The vault may hold more than `rows` entries (the largest rowid, one
    // look into the table's tree; deleted entries may leave it too high).
    bool MayHoldMore(CDbSqlite3& db, int rows) const;
    bool IsOrdered() const { return m_bOrdered; }
    bool IsLoaded() const { return m_bLoaded; }
    // Every entry (the result of no keywords) is known from the order alone.
    bool CanListAll() const { return m_bOrdered && !m_bTies && !m_bUndecided; }
    void ListAll(std::vector<int>& places) const;
    // Ordered, and nothing has been written to the vault since.
    bool IsCurrent(CDbSqlite3& db) const;
    // Forgets everything and gives the memory back.
    void Clear();

    int Count() const { return int(m_rowIds.size()); }
    // The entry at `place` of the statement's order.
    qint64 RowId(int place) const;

    // The places of the entries that the search statement for `keywords`
    // finds, in its order. Keywords that only extend the previous ones look
    // at the previous result alone. The SQLite code, 0 = found.
    int Find(CDbSqlite3& db, const QString& keywords, std::vector<int>& places, QString& errText);

    // How the last Find was answered: from memory, or by the statement.
    bool LastFromMemory() const { return m_bLastFromMemory; }

private:
    struct Stamp {
        qint64 changes = -1;
        qint64 dataVersion = -1;
        qint64 generation = -1;  // another file opened under the vault's name
        bool operator==(const Stamp&) const = default;
    };
    static int ReadStamp(CDbSqlite3& db, Stamp& stamp, QString& errText);
    int FindByStatement(CDbSqlite3& db, const QString& keywords, std::vector<int>& places, QString& errText);
    bool Matches(std::uint32_t row, const QByteArray& keyword) const;

    // Folded texts of entry r (rowid order): m_text[m_start[r] .. m_start[r + 1]),
    // five fields each closed by a zero byte.
    QByteArray m_text;
    std::vector<std::uint32_t> m_start;
    std::vector<qint64> m_rowIds;           // by place
    std::vector<std::uint32_t> m_rowOfPlace;
    std::vector<std::uint32_t> m_placeOfRow;
    std::vector<char> m_allNull;            // by row: no field to match, not even ""
    bool m_bOrdered = false;
    bool m_bLoaded = false;
    bool m_bUndecided = false;              // entries without title and user name
    std::vector<std::pair<qint64, std::uint32_t>> m_byRowId;  // while loading
    bool m_bTies = false;                   // entries whose order the statement leaves open
    Stamp m_stamp;

    // The previous search, for narrowing.
    std::vector<QByteArray> m_prevKeywords;
    std::vector<int> m_prevPlaces;
    bool m_bPrevValid = false;
    bool m_bLastFromMemory = false;
};
