#include "vault/CsvFormat.h"

#include <QHash>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QUrl>

const QStringList g_csvExportColumns = {QStringLiteral("Title"), QStringLiteral("Username"),
                                        QStringLiteral("Password"), QStringLiteral("URL"),
                                        QStringLiteral("Email"), QStringLiteral("Notes"),
                                        QStringLiteral("Type")};

namespace {

constexpr char kBom[] = "\xEF\xBB\xBF";

int LineOfOffset(const QByteArray& bytes, qsizetype offset)
{
    return 1 + int(QByteArrayView(bytes).first(offset).count('\n'));
}

// Text files hold no control characters but tab and line breaks; anything
// else (a NUL above all) means a binary file, which is refused before it is
// read as text.
bool FindBinary(const QByteArray& bytes, StCsvProblem& problem)
{
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c < 0x20 && c != '\t' && c != '\r' && c != '\n') {
            problem = {StCsvProblem::Binary, LineOfOffset(bytes, i)};
            return true;
        }
    }
    return false;
}

bool DecodeUtf8(const QByteArray& bytes, QString& text, StCsvProblem& problem)
{
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    text = decoder.decode(bytes);
    if (!decoder.hasError())
        return true;
    // Only on failure: find the first line that does not decode.
    const QList<QByteArray> lines = bytes.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QStringDecoder lineDecoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        [[maybe_unused]] const QString decoded = lineDecoder.decode(lines[i]);  // decodes on conversion
        if (lineDecoder.hasError()) {
            problem = {StCsvProblem::Encoding, int(i) + 1};
            return false;
        }
    }
    problem = {StCsvProblem::Encoding, int(lines.size())};
    return false;
}

QString Normalised(const QString& name)
{
    return name.trimmed().toLower();
}

// Where the parts of an entry are in one dialect's rows (-1: not there).
struct ColumnMap {
    int title = -1, userName = -1, passwd = -1, url = -1, email = -1, notes = -1, type = -1;
    int group = -1;  // group or folder, first of the lines added to the notes
};

ColumnMap MapColumns(EnumCsvDialect dialect, const QHash<QString, int>& at)
{
    const auto col = [&](const char* name) { return at.value(QString::fromLatin1(name), -1); };
    ColumnMap m;
    switch (dialect) {
    case EnumCsvDialect::Vaultwick:
        m = {col("title"), col("username"), col("password"), col("url"), col("email"), col("notes"), col("type")};
        break;
    case EnumCsvDialect::KeePassXC:
        m = {col("title"), col("username"), col("password"), col("url"), -1, col("notes"), -1, col("group")};
        break;
    case EnumCsvDialect::Bitwarden:
        m = {col("name"), col("login_username"), col("login_password"), col("login_uri"), -1, col("notes"),
             col("type"), col("folder")};
        break;
    case EnumCsvDialect::Chromium:
        m = {col("name"), col("username"), col("password"), col("url"), -1, col("note")};
        break;
    case EnumCsvDialect::Firefox:
        m = {-1, col("username"), col("password"), col("url")};
        break;
    case EnumCsvDialect::Unknown:
        break;
    }
    return m;
}

bool LooksLikeEmail(const QString& text)
{
    static const QRegularExpression email(QStringLiteral("^[^@\\s]+@[^@\\s]+\\.[^@\\s]+$"));
    return email.match(text).hasMatch();
}

QString HostOf(const QString& url)
{
    const QUrl parsed = QUrl::fromUserInput(url);
    return parsed.isValid() ? parsed.host() : QString();
}

QString Field(const QStringList& fields, int index)
{
    return index >= 0 ? fields[index] : QString();
}

QString Quoted(const QString& field)
{
    QString out;
    out.reserve(field.size() + 2);
    out += QLatin1Char('"');
    for (const QChar c : field) {
        if (c == QLatin1Char('"'))
            out += QLatin1Char('"');
        out += c;
    }
    out += QLatin1Char('"');
    return out;
}

} // namespace

bool ParseCsv(const QByteArray& input, QList<StCsvRecord>& records, StCsvProblem& problem)
{
    records.clear();
    problem = {};
    const QByteArray bytes = input.startsWith(kBom) ? input.mid(3) : input;
    if (FindBinary(bytes, problem))
        return false;
    QString text;
    if (!DecodeUtf8(bytes, text, problem))
        return false;

    const QChar* p = text.constData();
    const qsizetype n = text.size();
    const auto lineEnd = [&](qsizetype i) { return i >= n || p[i] == u'\r' || p[i] == u'\n'; };
    qsizetype i = 0;
    int line = 1;
    while (i < n) {
        StCsvRecord record;
        record.line = line;
        bool anyQuoted = false;
        for (;;) {
            QString field;
            if (i < n && p[i] == u'"') {
                anyQuoted = true;
                const int openLine = line;
                ++i;
                for (;;) {
                    if (i >= n) {
                        problem = {StCsvProblem::Quoting, openLine};
                        return false;
                    }
                    if (p[i] == u'"') {
                        if (i + 1 < n && p[i + 1] == u'"') {
                            field += u'"';
                            i += 2;
                            continue;
                        }
                        ++i;
                        break;
                    }
                    if (p[i] == u'\n')
                        ++line;
                    field += p[i++];
                }
                if (!lineEnd(i) && p[i] != u',') {
                    problem = {StCsvProblem::Quoting, line};
                    return false;
                }
            } else {
                const qsizetype start = i;
                while (!lineEnd(i) && p[i] != u',') {
                    if (p[i] == u'"') {
                        problem = {StCsvProblem::Quoting, line};
                        return false;
                    }
                    ++i;
                }
                field = QString(p + start, i - start);
            }
            record.fields.append(std::move(field));
            if (i < n && p[i] == u',') {
                ++i;
                continue;
            }
            break;
        }
        const bool blank = !anyQuoted && record.fields.size() == 1 && record.fields[0].isEmpty();
        if (!blank)
            records.append(std::move(record));
        if (i < n) {
            if (p[i] == u'\r' && i + 1 < n && p[i + 1] == u'\n')
                ++i;
            ++i;
            ++line;
        }
    }
    return true;
}

EnumCsvDialect CsvDialectOf(const QStringList& header)
{
    QSet<QString> names;
    for (const QString& name : header)
        names.insert(Normalised(name));
    const auto has = [&](std::initializer_list<const char*> wanted) {
        for (const char* name : wanted)
            if (!names.contains(QString::fromLatin1(name)))
                return false;
        return true;
    };
    if (has({"title", "username", "password", "url", "email", "notes", "type"}) && !names.contains("group"))
        return EnumCsvDialect::Vaultwick;
    if (has({"group", "title", "username", "password", "url", "notes"}))
        return EnumCsvDialect::KeePassXC;
    if (has({"type", "name", "login_uri", "login_username", "login_password"}))
        return EnumCsvDialect::Bitwarden;
    if (has({"url", "username", "password", "guid"}) && (names.contains("httprealm") || names.contains("formactionorigin")))
        return EnumCsvDialect::Firefox;
    if (has({"name", "url", "username", "password"}))
        return EnumCsvDialect::Chromium;
    return EnumCsvDialect::Unknown;
}

bool ReadCsvEntries(const QByteArray& bytes, StCsvImport& result, StCsvProblem& problem)
{
    result = {};
    QList<StCsvRecord> records;
    if (!ParseCsv(bytes, records, problem))
        return false;
    if (records.isEmpty()) {
        problem = {StCsvProblem::NoRows, 1};
        return false;
    }
    const StCsvRecord& header = records.first();
    const EnumCsvDialect dialect = CsvDialectOf(header.fields);
    if (dialect == EnumCsvDialect::Unknown) {
        problem = {StCsvProblem::Header, header.line};
        return false;
    }
    if (records.size() == 1) {
        problem = {StCsvProblem::NoRows, header.line + 1};
        return false;
    }

    QHash<QString, int> at;
    for (int c = int(header.fields.size()) - 1; c >= 0; --c)
        at.insert(Normalised(header.fields[c]), c);  // the first of equal names wins
    const ColumnMap m = MapColumns(dialect, at);
    const QList<int> mapped = {m.title, m.userName, m.passwd, m.url, m.email, m.notes, m.type, m.group};
    // Every other column is kept in the notes, the group or folder first.
    QList<int> extras;
    if (m.group >= 0)
        extras.append(m.group);
    for (int c = 0; c < header.fields.size(); ++c)
        if (!mapped.contains(c))
            extras.append(c);

    StCsvImport out;
    out.dialect = dialect;
    out.entries.reserve(records.size() - 1);
    const qsizetype columns = header.fields.size();
    for (qsizetype r = 1; r < records.size(); ++r) {
        const StCsvRecord& row = records[r];
        if (row.fields.size() != columns) {
            problem = {StCsvProblem::FieldCount, row.line};
            return false;
        }
        const QStringList& f = row.fields;
        QString type = Field(f, m.type);
        if (dialect == EnumCsvDialect::Bitwarden) {
            if (!type.isEmpty() && Normalised(type) != QLatin1String("login")) {
                ++out.skipped;
                continue;
            }
            type.clear();
        }
        ST_PW_ENTRY e;
        e.strEntryType = type.isEmpty() ? QStringLiteral("Common") : type;
        e.strUserName = Field(f, m.userName);
        e.strPasswd = Field(f, m.passwd);
        e.strURL = Field(f, m.url);
        e.strEmail = Field(f, m.email);
        e.strNotes = Field(f, m.notes);
        e.strTitle = Field(f, m.title);
        if (dialect != EnumCsvDialect::Vaultwick) {
            if (e.strTitle.isEmpty() && e.strUserName.isEmpty() && e.strPasswd.isEmpty() && e.strURL.isEmpty()) {
                ++out.skipped;  // a row with nothing to log in with
                continue;
            }
            // Several addresses of one login: the first is the entry's, the others go to the notes.
            QStringList moreUrls;
            if (dialect == EnumCsvDialect::Bitwarden && e.strURL.contains(u',')) {
                moreUrls = e.strURL.split(u',', Qt::SkipEmptyParts);
                e.strURL = moreUrls.isEmpty() ? QString() : moreUrls.takeFirst().trimmed();
            }
            if (e.strTitle.isEmpty())
                e.strTitle = HostOf(e.strURL);
            if (e.strTitle.isEmpty())
                e.strTitle = !e.strURL.isEmpty() ? e.strURL : e.strUserName;
            if (LooksLikeEmail(e.strUserName))
                e.strEmail = e.strUserName;
            QStringList lines;
            if (!e.strNotes.isEmpty())
                lines.append(e.strNotes);
            for (int c : extras)
                if (!f[c].isEmpty())
                    lines.append(header.fields[c].trimmed() + QStringLiteral(": ") + f[c]);
            for (const QString& url : moreUrls)
                lines.append(header.fields[m.url].trimmed() + QStringLiteral(": ") + url.trimmed());
            e.strNotes = lines.join(u'\n');
        }
        out.entries.append(std::move(e));
    }
    result = std::move(out);
    return true;
}

QByteArray WriteCsvEntries(const PwEntryArray& entries)
{
    QString text;
    const auto record = [&text](const QStringList& fields) {
        for (qsizetype i = 0; i < fields.size(); ++i) {
            if (i)
                text += u',';
            text += Quoted(fields[i]);
        }
        text += QStringLiteral("\r\n");
    };
    record(g_csvExportColumns);
    for (const ST_PW_ENTRY& e : entries)
        record({e.strTitle, e.strUserName, e.strPasswd, e.strURL, e.strEmail, e.strNotes,
                e.strEntryType.isEmpty() ? QStringLiteral("Common") : e.strEntryType});
    return text.toUtf8();
}
