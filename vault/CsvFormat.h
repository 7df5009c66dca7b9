#pragma once

// Comma-separated files of vault entries: the reader for the exports of other
// password managers and of this program, and the writer of this program's own
// export. RFC 4180: quoted fields, doubled quotes, commas and line breaks
// inside quotes, CRLF or LF, UTF-8 with or without a byte-order mark.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include "vault/PwTypes.h"
#include "vault/VaultcoreApi.h"

// The exports whose header rows the reader knows.
enum class EnumCsvDialect : int {
    Unknown,
    Vaultwick,  // "Title","Username","Password","URL","Email","Notes","Type"
    KeePassXC,  // "Group","Title","Username","Password","URL","Notes", ...
    Bitwarden,  // folder,favorite,type,name,notes,fields,reprompt,login_uri,...
    Chromium,   // name,url,username,password[,note]
    Firefox,    // url,username,password,httpRealm,formActionOrigin,guid,...
};

// Why a file was refused; `line` is the 1-based line of the file where the
// fault was found (for a quoted field left open, the line it opened on).
struct StCsvProblem {
    enum Kind : int {
        None,
        Binary,       // a NUL or other control character outside \t \r \n
        Encoding,     // not UTF-8
        Quoting,      // a quote inside an unquoted field, text after a closing quote, an open quote at the end
        FieldCount,   // a row with more or fewer fields than the header
        Header,       // a header row that no known export has
        NoRows,       // a header and nothing else, or an empty file
    };
    Kind kind = None;
    int line = 0;
};

// One record of the file and the line it starts on.
struct StCsvRecord {
    QStringList fields;
    int line = 0;
};

// What a file gives: the entries in file order, and the rows that hold no
// login (notes, cards, identities), which are left out and counted.
struct StCsvImport {
    EnumCsvDialect dialect = EnumCsvDialect::Unknown;
    PwEntryArray entries;
    int skipped = 0;
};

// The column set of this program's export, in order.
VAULTCORE_API extern const QStringList g_csvExportColumns;

// Splits the file into records. Blank lines between records are skipped. false
// with the problem when the bytes are no well-formed UTF-8 CSV.
VAULTCORE_API bool ParseCsv(const QByteArray& bytes, QList<StCsvRecord>& records, StCsvProblem& problem);

// The dialect named by a header row (names compared without case, surrounding
// spaces ignored, columns in any order).
VAULTCORE_API EnumCsvDialect CsvDialectOf(const QStringList& header);

// The whole import: parse, recognise the header, map every row. false with
// the problem; `result` then holds nothing.
VAULTCORE_API bool ReadCsvEntries(const QByteArray& bytes, StCsvImport& result, StCsvProblem& problem);

// This program's export of `entries`: the header and one record per entry,
// every field quoted, CRLF after each record, UTF-8 without a byte-order mark.
// Text is written as typed (no spreadsheet escaping of = + - @), so reading
// the file back gives the same entries.
VAULTCORE_API QByteArray WriteCsvEntries(const PwEntryArray& entries);
