// CSV export and import on the settings page, on real vault files with
// scripted choosers, dialogs and message boxes.
#include <sys/stat.h>

#include <QDir>
#include <QFile>

#include "SettingsFixture.h"
#include "foundation/storage/DlgMsgSuc.h"
#include "vault/CsvFormat.h"
#include "vault/DlgConfirmPasswd.h"
#include "vault/StoreFixture.h"

namespace {

using D = CVaultwickDlg;

class CsvFileOpsTest : public SettingsFixture {
protected:
    static PwEntryArray VaultEntries()
    {
        PwEntryArray all;
        g_pPwSettings->SelectAllEntry(&all);
        std::sort(all.begin(), all.end(), [](const ST_PW_ENTRY& a, const ST_PW_ENTRY& b) {
            return std::tie(a.strTitle, a.strUserName) < std::tie(b.strTitle, b.strUserName);
        });
        return all;
    }
    static void Store(ST_PW_ENTRY e) { ASSERT_EQ(g_pPwSettings->InsertEntry(&e, 0), 0); }
    static QByteArray Read(const QString& file)
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void Write(const QString& file, const QByteArray& bytes)
    {
        QFile f(path() + file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    static mode_t Mode(const QString& file)
    {
        struct stat st {};
        return ::stat(file.toLocal8Bit().constData(), &st) == 0 ? st.st_mode & 0777 : 0;
    }
    void ExpectReport(QString& report)
    {
        m_driver.AnswerNextDialog([this, &report](CDialogEx& c) {
            EXPECT_EQ(c.GetTemplateId(), CDlgMsgSuc::IDD);
            report = static_cast<CDlgMsgSuc&>(c).GetText();
            m_driver.Click(c, CDlgMsgSuc::IDC_OK);
        });
    }
    void AnswerConfirm(const QString& passwd)
    {
        m_driver.AnswerNextDialog([this, passwd](CDialogEx& c) {
            ASSERT_EQ(c.GetTemplateId(), CDlgConfirmPasswd::IDD);
            m_driver.SetText(c, CDlgConfirmPasswd::IDC_PASSWD, passwd);
            m_driver.Click(c, IDOK);
            if (c.IsWindowVisible())
                m_driver.Click(c, IDCANCEL);
        });
    }
    static constexpr const char* kWarningStart = "The CSV file holds every password of the vault as plain text";
};

TEST_F(CsvFileOpsTest, ExportWarnsAsksTheMasterPasswordAndNeverReplacesAFile)
{
    PrepareProgramFolder({.masterPasswd = QString("pw")});
    ScriptedLogin login(QString("pw"));
    QDir().mkpath(path() + "out");
    Write("out/keys.csv", "mine");
    const QString target = path() + "out/keys.csv";
    CVaultwickDlg dlg;
    RunMain(dlg, [&](CDialogEx&) {
        Settle(dlg);
        // Warning declined: nothing asked, nothing written.
        m_driver.AnswerNextMessageBox(IDCANCEL);
        m_driver.AnswerNextChooser(path() + "out/new.csv");
        m_driver.Click(dlg, D::IDC_EXPORT);
        EXPECT_TRUE(m_driver.Choosers().back().filter.contains("*.csv"));
        ASSERT_EQ(m_driver.MessageTexts().size(), 1);
        EXPECT_TRUE(m_driver.LastMessage().startsWith(kWarningStart));
        EXPECT_FALSE(QFile::exists(path() + "out/new.csv"));

        // Password prompt cancelled: nothing written.
        m_driver.ClearMessages();
        m_driver.AnswerNextDialog(IDCANCEL);
        m_driver.AnswerNextChooser(path() + "out/new.csv");
        m_driver.Click(dlg, D::IDC_EXPORT);
        EXPECT_FALSE(QFile::exists(path() + "out/new.csv"));

        // A wrong password is refused by the prompt; the right one exports.
        m_driver.ClearMessages();
        AnswerConfirm("wrong");
        m_driver.AnswerNextChooser(target);
        m_driver.Click(dlg, D::IDC_EXPORT);
        EXPECT_FALSE(QFile::exists(path() + "out/keys2.csv"));
        m_driver.ClearMessages();
        AnswerConfirm("pw");
        m_driver.AnswerNextChooser(target);
        m_driver.Click(dlg, D::IDC_EXPORT);
        const QStringList texts = m_driver.MessageTexts();
        ASSERT_EQ(texts.size(), 3);
        EXPECT_TRUE(texts[0].startsWith(kWarningStart));
        EXPECT_EQ(texts[1], "Target file is exist, will rename as 'keys2.csv'");
        EXPECT_EQ(texts[2], "3 entries exported to '" + path() + "out/keys2.csv'.");
        dlg.OnTrayCommand(IDCANCEL);
    });
    EXPECT_EQ(Read(target), "mine");
    EXPECT_EQ(Mode(path() + "out/keys2.csv"), mode_t(0600));
    StCsvImport back;
    StCsvProblem problem;
    ASSERT_TRUE(ReadCsvEntries(Read(path() + "out/keys2.csv"), back, problem));
    EXPECT_EQ(back.dialect, EnumCsvDialect::Vaultwick);
    EXPECT_EQ(back.entries.size(), 3);
}

TEST_F(CsvFileOpsTest, ExportAndImportGiveBackIdenticalEntries)
{
    PrepareProgramFolder({});
    const PwEntryArray awkward = {
        {QString(), "Quote \"q\", comma", "=SUM(A1)", "+1-2\t@tab", "-http://x/?a=1,b=2", "@me",
         "line one\r\nline two\r\n\r\nend"},
        {QString(), "Ключ 鍵 🔑", "ユーザー", "pässwörd🙂", "https://例え.jp", "", "it's 100% 'quoted'"},
        {QString(), "'; DROP TABLE TnPwEntry; --", "u", "\"\"", "", "", "ends with a quote\""},
    };
    CVaultwickDlg dlg;
    RunMain(dlg, [&](CDialogEx&) {
        Settle(dlg);
        QString err;
        ASSERT_EQ(g_pSqlite->ExecSQL_W("DELETE FROM TnPwEntry", nullptr, err), 0);
        for (const ST_PW_ENTRY& e : awkward)
            Store(e);
        const PwEntryArray before = VaultEntries();
        // No master password: no prompt, only the warning.
        m_driver.AnswerNextChooser(path() + "all.csv");
        m_driver.Click(dlg, D::IDC_EXPORT);
        EXPECT_EQ(m_driver.MessageTexts().size(), 2);
        ASSERT_EQ(g_pSqlite->ExecSQL_W("DELETE FROM TnPwEntry", nullptr, err), 0);

        QString report;
        ExpectReport(report);
        m_driver.AnswerNextChooser(path() + "all.csv");
        m_driver.Click(dlg, D::IDC_IMPORT);
        EXPECT_EQ(report, "Import finished!\r\nEntries read: 3; entries imported: 3.\r\nEntries checked for "
                          "duplicates: 3 (a duplicate gets \"-Import\" added to its title).\r\nEntries failed: 0.");
        EXPECT_EQ(VaultEntries(), before);
        dlg.OnTrayCommand(IDCANCEL);
    });
}

TEST_F(CsvFileOpsTest, ImportRenamesDuplicatesAndCountsRowsThatAreNoLogins)
{
    PrepareProgramFolder({});
    Write("bw.csv", "folder,favorite,type,name,notes,fields,reprompt,login_uri,login_username,login_password,login_totp\n"
                    ",,login,111,,,,https://a.example,111,new,\n"
                    "Work,,login,Wiki,,,,https://wiki.example,ann,pw,\n"
                    ",,note,Shopping,milk,,,,,,\n");
    CVaultwickDlg dlg;
    RunMain(dlg, [&](CDialogEx&) {
        Settle(dlg);
        QString report;
        ExpectReport(report);
        m_driver.AnswerNextChooser(path() + "bw.csv");
        m_driver.Click(dlg, D::IDC_IMPORT);
        EXPECT_EQ(report, "Import finished!\r\nEntries read: 3; entries imported: 2.\r\nEntries checked for "
                          "duplicates: 2 (a duplicate gets \"-Import\" added to its title).\r\nEntries failed: 0."
                          "\r\nRows that hold no login, left out: 1.");
        QStringList titles;
        for (const ST_PW_ENTRY& e : VaultEntries())
            titles << e.strTitle;
        EXPECT_EQ(titles, QStringList({"111", "111-Import", "121", "132", "Wiki"}));
        dlg.OnTrayCommand(IDCANCEL);
    });
    EXPECT_TRUE(m_driver.MessageTexts().isEmpty());
}

TEST_F(CsvFileOpsTest, ABadFileNamesItsLineAndStoresNothing)
{
    PrepareProgramFolder({});
    Write("broken.csv", "name,url,username,password\n"
                        "ok,https://ok.example,u,p\n"
                        "\"open,https://x.example,u,p\n");
    Write("foreign.csv", "Account;Secret\nx;y\n");
    Write("binary.csv", QByteArray("name,url,username,password\n\x00\x01\x02", 30));
    {
        QFile big(path() + "big.csv");
        ASSERT_TRUE(big.open(QIODevice::WriteOnly));
        ASSERT_TRUE(big.resize(101 * 1024 * 1024));  // sparse: no time spent writing it
    }
    CVaultwickDlg dlg;
    RunMain(dlg, [&](CDialogEx&) {
        Settle(dlg);
        const PwEntryArray before = VaultEntries();
        const struct {
            const char* file;
            QString message;
        } cases[] = {
            {"broken.csv", "Line 3 of '" + path() + "broken.csv': a quoted field is not closed, or text follows its "
                                                     "closing quote."},
            {"foreign.csv", "Line 1 of '" + path() + "foreign.csv': the header row is not that of a known export "
                            "(KeePassXC, Bitwarden, Chromium-based browsers, Firefox, Vaultwick)."},
            {"binary.csv", "Line 2 of '" + path() + "binary.csv': the file holds binary data, not text."},
        };
        for (const auto& c : cases) {
            m_driver.ClearMessages();
            m_driver.AnswerNextChooser(path() + c.file);
            m_driver.Click(dlg, D::IDC_IMPORT);
            EXPECT_EQ(m_driver.MessageTexts(),
                      QStringList{"Import failed, nothing was imported.\r\n" + c.message});
            EXPECT_EQ(VaultEntries(), before);
        }
        m_driver.ClearMessages();
        m_driver.AnswerNextChooser(path() + "big.csv");
        m_driver.Click(dlg, D::IDC_IMPORT);
        EXPECT_EQ(m_driver.MessageTexts(),
                  QStringList{"Import failed, the file '" + path() + "big.csv' is larger than 100 MiB; nothing was "
                                                                      "imported."});
        EXPECT_EQ(VaultEntries(), before);
        dlg.OnTrayCommand(IDCANCEL);
    });
    EXPECT_TRUE(MessageIdsInLanguageFile({{15000, 1500060}, {15000, 1500061}, {15000, 1500062}, {15000, 1500063},
                                          {15000, 1500064}, {15000, 1500065}, {15000, 1500066}, {15000, 1500067},
                                          {15000, 1500068}, {15000, 1500069}, {15000, 1500070}, {15000, 1500071},
                                          {15000, 1500072}},
                                         VW_SOURCE_DIR "/lang/Lang_enu.xml"));
}

} // namespace
