// Reading the exports of other password managers and writing this program's
// own, with sample files written here.
#include <gtest/gtest.h>

#include "vault/CsvFormat.h"

namespace {

StCsvImport Read(const QByteArray& bytes)
{
    StCsvImport result;
    StCsvProblem problem;
    EXPECT_TRUE(ReadCsvEntries(bytes, result, problem)) << "fault " << problem.kind << " at line " << problem.line;
    return result;
}

StCsvProblem Refused(const QByteArray& bytes)
{
    StCsvImport result;
    StCsvProblem problem;
    EXPECT_FALSE(ReadCsvEntries(bytes, result, problem));
    EXPECT_TRUE(result.entries.isEmpty());
    return problem;
}

TEST(CsvFormatTest, KeePassXcExportKeepsGroupAndExtraColumnsInTheNotes)
{
    const QByteArray file =
        "\"Group\",\"Title\",\"Username\",\"Password\",\"URL\",\"Notes\",\"TOTP\",\"Icon\",\"Last Modified\",\"Created\"\r\n"
        "\"Root/Mail\",\"Mail\",\"ann@example.org\",\"p\"\"w,1\",\"https://mail.example.org\",\"line 1\nline 2\",\"\",\"0\","
        "\"2024-01-02T03:04:05Z\",\"2023-01-01T00:00:00Z\"\r\n"
        "\"Root\",\"Bank\",\"ann\",\"secret\",\"\",\"\",\"\",\"\",\"\",\"\"\r\n";
    const StCsvImport in = Read(file);
    EXPECT_EQ(in.dialect, EnumCsvDialect::KeePassXC);
    ASSERT_EQ(in.entries.size(), 2);
    const ST_PW_ENTRY& mail = in.entries[0];
    EXPECT_EQ(mail.strTitle, "Mail");
    EXPECT_EQ(mail.strUserName, "ann@example.org");
    EXPECT_EQ(mail.strEmail, "ann@example.org");  // a user name that is an address
    EXPECT_EQ(mail.strPasswd, "p\"w,1");
    EXPECT_EQ(mail.strURL, "https://mail.example.org");
    EXPECT_EQ(mail.strNotes, "line 1\nline 2\nGroup: Root/Mail\nIcon: 0\nLast Modified: 2024-01-02T03:04:05Z\n"
                             "Created: 2023-01-01T00:00:00Z");
    EXPECT_EQ(in.entries[1].strEmail, "");
    EXPECT_EQ(in.entries[1].strNotes, "Group: Root");
}

TEST(CsvFormatTest, BitwardenExportSkipsRowsThatAreNoLogins)
{
    const QByteArray file =
        "\xEF\xBB\xBF" "folder,favorite,type,name,notes,fields,reprompt,login_uri,login_username,login_password,login_totp\n"
        "Work,1,login,Intranet,,,0,\"https://intra.example.com,https://sso.example.com\",bob,hunter2,\n"
        ",,note,Shopping list,milk,,0,,,,\n"
        ",,card,Visa,,,0,,,,\n"
        ",,login,,,,0,https://www.example.net/login,carol@example.net,pw,\n";
    const StCsvImport in = Read(file);
    EXPECT_EQ(in.dialect, EnumCsvDialect::Bitwarden);
    EXPECT_EQ(in.skipped, 2);
    ASSERT_EQ(in.entries.size(), 2);
    EXPECT_EQ(in.entries[0].strTitle, "Intranet");
    EXPECT_EQ(in.entries[0].strURL, "https://intra.example.com");
    EXPECT_EQ(in.entries[0].strNotes, "folder: Work\nfavorite: 1\nreprompt: 0\nlogin_uri: https://sso.example.com");
    EXPECT_EQ(in.entries[1].strTitle, "www.example.net");  // no name: the address's host
    EXPECT_EQ(in.entries[1].strEmail, "carol@example.net");
}

TEST(CsvFormatTest, BrowserExportsTakeTheTitleFromTheirColumnsOrTheHost)
{
    const StCsvImport chromium = Read("name,url,username,password,note\n"
                                      "example.com,https://example.com/,dave,pw1,my note\n"
                                      ",https://shop.example.org/cart,eve,pw2,\n");
    EXPECT_EQ(chromium.dialect, EnumCsvDialect::Chromium);
    ASSERT_EQ(chromium.entries.size(), 2);
    EXPECT_EQ(chromium.entries[0].strTitle, "example.com");
    EXPECT_EQ(chromium.entries[0].strNotes, "my note");
    EXPECT_EQ(chromium.entries[1].strTitle, "shop.example.org");

    const StCsvImport firefox = Read(
        "\"url\",\"username\",\"password\",\"httpRealm\",\"formActionOrigin\",\"guid\",\"timeCreated\","
        "\"timeLastUsed\",\"timePasswordChanged\"\r\n"
        "\"https://forum.example.com\",\"frank\",\"pw3\",,\"https://forum.example.com\",\"{abc}\",\"1700000000000\","
        "\"1700000000001\",\"1700000000002\"\r\n");
    EXPECT_EQ(firefox.dialect, EnumCsvDialect::Firefox);
    ASSERT_EQ(firefox.entries.size(), 1);
    EXPECT_EQ(firefox.entries[0].strTitle, "forum.example.com");
    EXPECT_EQ(firefox.entries[0].strUserName, "frank");
    EXPECT_EQ(firefox.entries[0].strPasswd, "pw3");
    EXPECT_TRUE(firefox.entries[0].strNotes.startsWith("formActionOrigin: https://forum.example.com\nguid: {abc}"));
}

TEST(CsvFormatTest, HeaderIsRecognisedWithoutCaseOrOrder)
{
    EXPECT_EQ(CsvDialectOf({" URL ", "Password", "Username", "Name"}), EnumCsvDialect::Chromium);
    EXPECT_EQ(CsvDialectOf(g_csvExportColumns), EnumCsvDialect::Vaultwick);
    EXPECT_EQ(CsvDialectOf({"title", "user", "pass"}), EnumCsvDialect::Unknown);
}

TEST(CsvFormatTest, OwnExportReadsBackIdenticallyWithAwkwardText)
{
    const PwEntryArray entries = {
        {"Common", "Quote \"q\", comma", "=cmd|' /C calc'!A0", "+1-2\t@tab", "-http://x/?a=1,b=2", "@me",
         "line one\r\nline two\nline three\r\n"},
        {"Common", "Ключ 鍵 🔑", "ユーザー", "pässwörd🙂", "", "", ""},
        {"Common", " leading and trailing ", "u", "\"\"", "", "", "ends with a quote\""},
    };
    const QByteArray file = WriteCsvEntries(entries);
    EXPECT_TRUE(file.startsWith("\"Title\",\"Username\",\"Password\",\"URL\",\"Email\",\"Notes\",\"Type\"\r\n"));
    EXPECT_FALSE(file.startsWith("\xEF\xBB\xBF"));
    const StCsvImport in = Read(file);
    EXPECT_EQ(in.dialect, EnumCsvDialect::Vaultwick);
    EXPECT_EQ(in.entries, entries);
}

TEST(CsvFormatTest, LineEndingsAndBlankLinesAreAccepted)
{
    QList<StCsvRecord> records;
    StCsvProblem problem;
    ASSERT_TRUE(ParseCsv("a,b\r\n\r\n\"x\ny\",\"\"\n\nlast,\n", records, problem));
    ASSERT_EQ(records.size(), 3);
    EXPECT_EQ(records[1].fields, QStringList({"x\ny", ""}));
    EXPECT_EQ(records[1].line, 3);
    EXPECT_EQ(records[2].fields, QStringList({"last", ""}));
    EXPECT_EQ(records[2].line, 6);
}

TEST(CsvFormatTest, HostileFilesAreRefusedWithTheirLine)
{
    const QByteArray header = "name,url,username,password\n";
    struct Case {
        QByteArray bytes;
        StCsvProblem::Kind kind;
        int line;
    };
    const Case cases[] = {
        {header + "a,b,c,d\n\"open,b,c,d\nmore\n", StCsvProblem::Quoting, 3},
        {header + "a,b\"x,c,d\n", StCsvProblem::Quoting, 2},
        {header + "\"a\"junk,b,c,d\n", StCsvProblem::Quoting, 2},
        {header + "a,b,c,d\na,b,c\n", StCsvProblem::FieldCount, 3},
        {header + "a,b,c,d,e\n", StCsvProblem::FieldCount, 2},
        {header + "a,b,c,d\n" + QByteArray("\0PK,b,c,d\n", 11), StCsvProblem::Binary, 3},
        {header + "a,b,c,d\nPK\x03\x04,b,c,d\n", StCsvProblem::Binary, 3},
        {header + "a,b,\xC3\x28,d\n", StCsvProblem::Encoding, 2},
        {"Account,Login,Secret\nx,y,z\n", StCsvProblem::Header, 1},
        {header, StCsvProblem::NoRows, 2},
        {"", StCsvProblem::NoRows, 1},
        {"\xEF\xBB\xBF\r\n\r\n", StCsvProblem::NoRows, 1},
    };
    for (const Case& c : cases) {
        const StCsvProblem problem = Refused(c.bytes);
        EXPECT_EQ(problem.kind, c.kind) << c.bytes.toStdString();
        EXPECT_EQ(problem.line, c.line) << c.bytes.toStdString();
    }
}

} // namespace
