// Export, import, the automatic-backup switch and the data-folder move, on
// real vault files with scripted choosers, dialogs and message boxes.
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "SettingsFixture.h"
#include "foundation/storage/DlgMsgSuc.h"
#include "vault/DlgDbLogin.h"
#include "vault/StoreFixture.h"

namespace {

using D = CVaultwickDlg;

ST_PW_ENTRY Entry(const QString& title, const QString& user)
{
    return {QString(), title, user, "pw of " + title, "https://example.com", "a@example.com", "n"};
}

class FileOpsTest : public SettingsFixture {
protected:
    void SetUp() override
    {
        SettingsFixture::SetUp();
        m_delay = CDlgDbLogin::s_iWrongPasswdDelayMs;
        CDlgDbLogin::s_iWrongPasswdDelayMs = 0;
    }
    void TearDown() override
    {
        CDlgDbLogin::s_iWrongPasswdDelayMs = m_delay;
        SettingsFixture::TearDown();
    }

    // Another vault file as Vaultwick writes it (with its three example
    // entries unless `examples` is false), before the main window starts.
    void MakeVault(const QString& file, const PwEntryArray& entries, bool examples,
                   std::optional<QString> passwd = std::nullopt)
    {
        g_pSqlite = new CDbSqlite3(file);
        g_pPwSettings = new CPasswdSetting;
        ASSERT_TRUE(g_pPwSettings->CreateDbPasswd());
        ASSERT_TRUE(g_pSqlite->ConfirmPasswd(QString(), 0));
        QString err;
        if (!examples) {
            ASSERT_EQ(g_pSqlite->ExecSQL_W("DELETE FROM TnPwEntry", nullptr, err), 0);
        }
        for (ST_PW_ENTRY e : entries)
            ASSERT_EQ(g_pPwSettings->InsertEntry(&e, 0), 0);
        if (passwd) {
            ASSERT_TRUE(g_pSqlite->ConfirmAndChangePasswd(QString(), *passwd, 0));
        }
        delete g_pPwSettings;
        g_pPwSettings = nullptr;
        delete g_pSqlite;
        g_pSqlite = nullptr;
    }
    static PwEntryArray VaultEntries()
    {
        PwEntryArray all;
        g_pPwSettings->SelectAllEntry(&all);
        return all;
    }
    static QStringList Titles(const PwEntryArray& entries)
    {
        QStringList titles;
        for (const ST_PW_ENTRY& e : entries)
            titles << e.strTitle;
        titles.sort();
        return titles;
    }
    static bool OpensWith(const QString& file, const QString& passwd)
    {
        CDbSqlite3 db(file);
        return db.ConfirmPasswd(passwd, 0);
    }
    // The success dialog comes up next; its report is kept.
    void ExpectReport(QString& report)
    {
        m_driver.AnswerNextDialog([this, &report](CDialogEx& c) {
            EXPECT_EQ(c.GetTemplateId(), CDlgMsgSuc::IDD);
            EXPECT_EQ(c.GetWindowText(), "Import finished");
            report = static_cast<CDlgMsgSuc&>(c).GetText();
            m_driver.Click(c, CDlgMsgSuc::IDC_OK);
        });
    }
    // The data-folder control is hidden on the page; the tests show it to
    // choose a folder through its browse button as a user would.
    void ChooseDataFolder(CVaultwickDlg& dlg, const QString& folder)
    {
        dlg.GetDlgItem(D::IDC_DATA_FOLDER).ShowWindow(SW_SHOW);
        m_driver.AnswerNextChooser(folder);
        m_driver.Click(dlg, D::IDC_DATA_FOLDER);
    }

    int m_delay = 0;
};

TEST_F(FileOpsTest, ExportNeverOverwritesAndKeepsTheVaultPassword)
{
    PrepareProgramFolder({.masterPasswd = QString("pw")});
    ScriptedLogin login(QString("pw"));
    QDir().mkpath(path() + "out");
    QFile mine(path() + "out/keys.db");
    ASSERT_TRUE(mine.open(QIODevice::WriteOnly));
    mine.write("mine");
    mine.close();
    CVaultwickDlg dlg;
    RunMain(dlg, [&](CDialogEx&) {
        Settle(dlg);
        m_driver.AnswerNextChooser(QString());
        m_driver.Click(dlg, D::IDC_EXPORT);
        EXPECT_TRUE(m_driver.MessageTexts().isEmpty());
        ASSERT_EQ(m_driver.Choosers().size(), 1u);
        EXPECT_EQ(m_driver.Choosers()[0].kind, platform::ChooserKind::SaveFile);
        EXPECT_TRUE(m_driver.Choosers()[0].filter.contains("*.db"));

        m_driver.AnswerNextChooser(path() + "out/keys.db");
        m_driver.Click(dlg, D::IDC_EXPORT);
        EXPECT_FALSE(m_driver.Choosers().back().confirmReplace) << "the chooser never offers to replace";
        EXPECT_EQ(m_driver.MessageTexts(), QStringList({"Target file is exist, will rename as 'keys2.db'",
                                                        "The vault was exported to '" + path() + "out/keys2.db'."}));
        m_driver.ClearMessages();
        m_driver.AnswerNextChooser(path() + "out/keys.db");
        m_driver.Click(dlg, D::IDC_EXPORT);
        EXPECT_EQ(m_driver.MessageTexts(), QStringList({"Target file is exist, will rename as 'keys22.db'",
                                                        "The vault was exported to '" + path() + "out/keys22.db'."}));
        m_driver.ClearMessages();
        m_driver.AnswerNextChooser(path() + "out/fresh.db");
        m_driver.Click(dlg, D::IDC_EXPORT);
        EXPECT_EQ(m_driver.MessageTexts(), QStringList{"The vault was exported to '" + path() + "out/fresh.db'."});
        dlg.OnTrayCommand(IDCANCEL);
    });
    ASSERT_TRUE(mine.open(QIODevice::ReadOnly));
    EXPECT_EQ(mine.readAll(), "mine");
    for (const char* copy : {"out/keys2.db", "out/keys22.db", "out/fresh.db"}) {
        EXPECT_TRUE(OpensWith(path() + copy, "pw")) << copy;
        EXPECT_FALSE(OpensWith(path() + copy, QString())) << copy;
    }
}

TEST_F(FileOpsTest, WhatAStoppedExportLeftInItsFolderGoesAtTheNextStartAndTheNextCopy)
{
    PrepareProgramFolder({});
    const QString out = path() + "out/";
    QDir().mkpath(out);
    const auto plant = [&] {
        for (const char* name : {".keys.db.tmp-Ab12Cd", ".keys.db.tmp-Ab12Cd-journal", ".plain.CSV.tmp-Zz99zz"}) {
            QFile f(out + name);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("pw of Mail");
        }
    };
    // Names of other programs in the same folder are left alone.
    const QStringList foreign = {".notes.txt.tmp-Ab12Cd", ".keys.db.tmp-Ab12C", "keys.db.tmp-Ab12Cd"};
    for (const QString& name : foreign) {
        QFile f(out + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    const auto hidden = [&] {
        QStringList names = QDir(out).entryList(QStringList{".*"}, QDir::Files | QDir::Hidden);
        names.sort();
        return names;
    };
    const QStringList foreignHidden = {".keys.db.tmp-Ab12C", ".notes.txt.tmp-Ab12Cd"};
    {
        CVaultwickDlg dlg;
        RunMain(dlg, [&](CDialogEx&) {
            Settle(dlg);
            m_driver.AnswerNextChooser(out + "first.db");
            m_driver.Click(dlg, D::IDC_EXPORT);
            EXPECT_EQ(m_driver.MessageTexts(), QStringList{"The vault was exported to '" + out + "first.db'."});
            dlg.OnTrayCommand(IDCANCEL);
        });
    }
    // The folder is known from that export on: a start looks there.
    plant();
    {
        CVaultwickDlg dlg;
        RunMain(dlg, [&](CDialogEx&) {
            Settle(dlg);
            EXPECT_EQ(hidden(), foreignHidden);
            plant();
            // So does the next copy into any recorded folder.
            QDir().mkpath(path() + "other");
            m_driver.AnswerNextChooser(path() + "other/second.db");
            m_driver.Click(dlg, D::IDC_EXPORT);
            EXPECT_EQ(hidden(), foreignHidden);
            dlg.OnTrayCommand(IDCANCEL);
        });
    }
    for (const QString& name : foreign)
        EXPECT_TRUE(QFile::exists(out + name)) << name.toStdString();
    EXPECT_TRUE(OpensWith(path() + "other/second.db", QString()));
}

TEST_F(FileOpsTest, AFailedExportIsReportedAsAFailure)
{
    PrepareProgramFolder({});
    QDir().mkpath(path() + "out");
    // A name taken by a link to nothing: it looks free, but the copy may not replace it.
    ASSERT_TRUE(QFile::link(path() + "nowhere", path() + "out/keys.db"));
    CVaultwickDlg dlg;
    RunMain(dlg, [&](CDialogEx&) {
        Settle(dlg);
        m_driver.AnswerNextChooser(path() + "out/keys.db");
        m_driver.Click(dlg, D::IDC_EXPORT);
        EXPECT_EQ(m_driver.MessageTexts(),
                  QStringList{"Export faild, the vault could not be copied to '" + path() + "out/keys.db'!"});
        m_driver.ClearMessages();
        m_driver.AnswerNextChooser(path() + "no/such/keys.db");
        m_driver.Click(dlg, D::IDC_EXPORT);
        EXPECT_EQ(m_driver.MessageTexts(), QStringList{"Target path not exist!"});
        dlg.OnTrayCommand(IDCANCEL);
    });
    EXPECT_TRUE(QFileInfo(path() + "out/keys.db").isSymLink());
    EXPECT_FALSE(QFile::exists(path() + "nowhere"));
}

TEST_F(FileOpsTest, ImportOfAVaultWithoutPasswordNeedsNoLoginAndSkipsIdenticalEntries)
{
    PrepareProgramFolder({});
    MakeVault(path() + "other.db", {Entry("Mail", "me"), Entry("Bank 'x' 100%", "me")}, true);
    CVaultwickDlg dlg;
    RunMain(dlg, [&](CDialogEx&) {
        Settle(dlg);
        const QStringList before = Titles(VaultEntries());
        ASSERT_EQ(before.size(), 3);
        QString report;
        ExpectReport(report);
        m_driver.AnswerNextChooser(path() + "other.db");
        m_driver.Click(dlg, D::IDC_IMPORT);
        EXPECT_EQ(m_driver.Choosers().back().kind, platform::ChooserKind::OpenFile);
        // The other vault's three example entries are the same as these.
        EXPECT_EQ(report, "Import finished!\r\nEntries read: 5; entries imported: 5.\r\nNew entries added: 2; "
                          "already in the vault (the same in every field), skipped: 3; kept beside a different entry "
                          "of the same title and user name, with \"-Import\" added to the title: 0.\r\n"
                          "Entries failed: 0.");
        QStringList expected = before;
        expected << "Mail" << "Bank 'x' 100%";
        expected.sort();
        EXPECT_EQ(Titles(VaultEntries()), expected);
        dlg.OnTrayCommand(IDCANCEL);
    });
    EXPECT_TRUE(m_driver.MessageTexts().isEmpty());
}

TEST_F(FileOpsTest, ImportOfAVaultWithPasswordAsksForThatVaultsOwnPassword)
{
    PrepareProgramFolder({.masterPasswd = QString("main")});
    ScriptedLogin login(QString("main"));
    MakeVault(path() + "other.db", {Entry("Mail", "me")}, false, QString("other 'pw'"));
    CVaultwickDlg dlg;
    RunMain(dlg, [&](CDialogEx&) {
        Settle(dlg);
        // Cancelled: nothing is imported.
        m_driver.AnswerNextDialog([&](CDialogEx& c) {
            EXPECT_EQ(c.GetTemplateId(), CDlgDbLogin::IDD);
            m_driver.Click(c, IDCANCEL);
        });
        m_driver.AnswerNextChooser(path() + "other.db");
        m_driver.Click(dlg, D::IDC_IMPORT);
        EXPECT_EQ(m_driver.MessageTexts(), QStringList{"Import faild!"});
        EXPECT_EQ(VaultEntries().size(), 3);

        // The main vault's password does not open the other one; its own does.
        m_driver.ClearMessages();
        m_driver.AnswerNextDialog([&](CDialogEx& c) {
            m_driver.Type(c, CDlgDbLogin::IDC_PASSWD, "main");
            m_driver.Click(c, IDOK);
            EXPECT_EQ(m_driver.MessageTexts().size(), 1);
            c.SetDlgItemText(CDlgDbLogin::IDC_PASSWD, QString());
            m_driver.Type(c, CDlgDbLogin::IDC_PASSWD, "other 'pw'");
            m_driver.Click(c, IDOK);
        });
        QString report;
        ExpectReport(report);
        m_driver.AnswerNextChooser(path() + "other.db");
        m_driver.Click(dlg, D::IDC_IMPORT);
        EXPECT_TRUE(report.startsWith("Import finished!\r\nEntries read: 1; entries imported: 1."));
        EXPECT_TRUE(Titles(VaultEntries()).contains("Mail"));
        // The main vault stays open with its own password.
        EXPECT_TRUE(g_pSqlite->ConfirmPasswd("main", 2));
        dlg.OnTrayCommand(IDCANCEL);
    });
    EXPECT_TRUE(OpensWith(path() + "other.db", "other 'pw'"));
}

TEST_F(FileOpsTest, ImportOfAnEmptyVaultChangesNothing)
{
    PrepareProgramFolder({});
    MakeVault(path() + "empty.db", {}, false);
    CVaultwickDlg dlg;
    RunMain(dlg, [&](CDialogEx&) {
        Settle(dlg);
        const PwEntryArray before = VaultEntries();
        m_driver.AnswerNextChooser(path() + "empty.db");
        m_driver.Click(dlg, D::IDC_IMPORT);
        EXPECT_EQ(m_driver.MessageTexts(), QStringList{"No entry list in selected import database!"});
        EXPECT_EQ(VaultEntries(), before);
        dlg.OnTrayCommand(IDCANCEL);
    });
}

TEST_F(FileOpsTest, BackupSwitchRunsOneThreadAndStoresOnlyRealChanges)
{
    PrepareProgramFolder({});
    CVaultwickDlg dlg;
    RunMain(dlg, [&](CDialogEx&) {
        Settle(dlg);
        EXPECT_FALSE(dlg.IsBackupThreadRunning());
        m_driver.Click(dlg, D::IDC_AUTO_BACKUP);
        EXPECT_TRUE(dlg.IsBackupThreadRunning());
        EXPECT_EQ(StoredVault(g_strColAutoBackup), 1);
        // Switched on again while it runs: still the one thread.
        dlg.OnCheckAutoBackup();
        EXPECT_TRUE(dlg.IsBackupThreadRunning());
        EXPECT_TRUE(dlg.IsDlgButtonChecked(D::IDC_AUTO_BACKUP));

        m_driver.Click(dlg, D::IDC_AUTO_BACKUP);
        EXPECT_FALSE(dlg.IsBackupThreadRunning());
        EXPECT_EQ(StoredVault(g_strColAutoBackup), 0);
        // Off while no thread runs: nothing is stored.
        g_pPwSettings->UpdatePasswdSetting(g_strColAutoBackup, 1, 0);
        dlg.OnCheckAutoBackup();
        EXPECT_EQ(StoredVault(g_strColAutoBackup), 1);
        dlg.OnTrayCommand(IDCANCEL);
    });
    EXPECT_TRUE(m_driver.MessageTexts().isEmpty());
}

TEST_F(FileOpsTest, MovedVaultIsCopiedAndLaterWorkGoesToTheNewFolder)
{
    PrepareProgramFolder({});
    const QString moved = path() + "moved 'x' 100%";
    CVaultwickDlg dlg;
    RunMain(dlg, [&](CDialogEx&) {
        Settle(dlg);
        // The start-up's own filling of the control moved nothing.
        EXPECT_EQ(GetGlobalSetting(g_strColDataFolder), path());
        ChooseDataFolder(dlg, moved);
        EXPECT_TRUE(m_driver.MessageTexts().isEmpty());
        EXPECT_EQ(g_pSqlite->GetPathFile(), moved + "/Sqlite.db");
        EXPECT_EQ(GetGlobalSetting(g_strColDataFolder), moved + "/");
        EXPECT_EQ(g_strSavedDataPath, moved + "/");
        EXPECT_TRUE(dlg.GetDlgItem(D::IDC_SAVED_NOTICE).IsWindowVisible());
        ST_PW_ENTRY e = Entry("After move", "me");
        EXPECT_EQ(g_pPwSettings->InsertEntry(&e, 0), 0);
        dlg.OnTrayCommand(IDCANCEL);
    });
    // The old file stays; the new one has the later entry.
    EXPECT_TRUE(QFile::exists(path() + "Sqlite.db"));
    g_pSqlite = new CDbSqlite3(moved + "/Sqlite.db");
    g_pPwSettings = new CPasswdSetting;
    ASSERT_TRUE(g_pSqlite->ConfirmPasswd(QString(), 0));
    EXPECT_TRUE(Titles(VaultEntries()).contains("After move"));
    delete g_pPwSettings;
    g_pPwSettings = nullptr;
    delete g_pSqlite;
    g_pSqlite = nullptr;
}

TEST_F(FileOpsTest, MoveOntoAnExistingVaultFailsAndTheVaultStaysOpenWhereItWas)
{
    PrepareProgramFolder({});
    QDir().mkpath(path() + "taken");
    QFile theirs(path() + "taken/Sqlite.db");
    ASSERT_TRUE(theirs.open(QIODevice::WriteOnly));
    theirs.write("someone else's vault");
    theirs.close();
    CVaultwickDlg dlg;
    RunMain(dlg, [&](CDialogEx&) {
        Settle(dlg);
        ChooseDataFolder(dlg, path() + "taken");
        EXPECT_EQ(m_driver.MessageTexts(), QStringList{"Db move faild!"});
        EXPECT_EQ(g_pSqlite->GetPathFile(), path() + "Sqlite.db");
        EXPECT_EQ(VaultEntries().size(), 3);
        ST_PW_ENTRY e = Entry("Still here", "me");
        EXPECT_EQ(g_pPwSettings->InsertEntry(&e, 0), 0);
        EXPECT_EQ(GetGlobalSetting(g_strColDataFolder), path());
        EXPECT_EQ(dlg.GetDlgItemText(D::IDC_DATA_FOLDER), path());
        dlg.OnTrayCommand(IDCANCEL);
    });
    ASSERT_TRUE(theirs.open(QIODevice::ReadOnly));
    EXPECT_EQ(theirs.readAll(), "someone else's vault");
}

TEST_F(FileOpsTest, MoveOfAVaultWithPasswordAsksForItWithoutTouchingTheOpenVault)
{
    PrepareProgramFolder({.masterPasswd = QString("pw")});
    ScriptedLogin login(QString("pw"));
    CVaultwickDlg dlg;
    RunMain(dlg, [&](CDialogEx&) {
        Settle(dlg);
        m_driver.AnswerNextDialog([&](CDialogEx& c) {
            EXPECT_EQ(c.GetTemplateId(), CDlgDbLogin::IDD);
            m_driver.Type(c, CDlgDbLogin::IDC_PASSWD, "wrong");
            m_driver.Click(c, IDOK);
            m_driver.Click(c, IDCANCEL);
        });
        ChooseDataFolder(dlg, path() + "a");
        EXPECT_EQ(m_driver.MessageTexts().last(), "Db move faild!");
        // A wrong attempt left the open vault as it was.
        EXPECT_TRUE(g_pSqlite->IsLoggedIn());
        EXPECT_EQ(VaultEntries().size(), 3);
        EXPECT_FALSE(QFile::exists(path() + "a/Sqlite.db"));

        m_driver.ClearMessages();
        m_driver.AnswerNextDialog([&](CDialogEx& c) {
            m_driver.Type(c, CDlgDbLogin::IDC_PASSWD, "pw");
            m_driver.Click(c, IDOK);
        });
        ChooseDataFolder(dlg, path() + "b");
        EXPECT_TRUE(m_driver.MessageTexts().isEmpty());
        EXPECT_EQ(g_pSqlite->GetPathFile(), path() + "b/Sqlite.db");
        EXPECT_EQ(VaultEntries().size(), 3);
        dlg.OnTrayCommand(IDCANCEL);
    });
    EXPECT_TRUE(OpensWith(path() + "b/Sqlite.db", "pw"));
}

TEST_F(FileOpsTest, MessageIdsAreInTheLanguageFile)
{
    EXPECT_TRUE(MessageIdsInLanguageFile({{0, 1010005}, {15000, 1500013}, {15000, 1500014}, {15000, 1500015},
                                          {15000, 1500016}, {15000, 1500055}, {15000, 1500017}, {15000, 1500018},
                                          {15000, 1500019}, {15000, 1500020}, {15000, 1500021},
                                          {15000, 1500026}, {13600, 1370005}},
                                         VW_SOURCE_DIR "/lang/Lang_enu.xml"));
}

} // namespace
