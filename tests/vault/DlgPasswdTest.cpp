// The master-password dialogs: login (and its place behind the store's login
// prompt), set, change and confirm.
#include "DlgFixture.h"
#include "vault/DlgChangePasswd.h"
#include "vault/DlgConfirmPasswd.h"
#include "vault/DlgDbLogin.h"
#include "vault/DlgSetPasswd.h"

namespace {

const QString kWrongLogin = "Password Error, please input passwd again!";

class DlgPasswdTest : public DlgTest {
protected:
    void SetUp() override
    {
        DlgTest::SetUp();
        m_savedDelay = CDlgDbLogin::s_iWrongPasswdDelayMs;
    }
    void TearDown() override
    {
        CDlgDbLogin::s_iWrongPasswdDelayMs = m_savedDelay;
        DlgTest::TearDown();
    }
    int m_savedDelay = 0;
};

// ---- login ----

TEST_F(DlgPasswdTest, LoginWaitsASecondAfterEachWrongPasswordAndNeverLocksOut)
{
    EXPECT_EQ(CDlgDbLogin::s_iWrongPasswdDelayMs, 1000);
    setMasterPassword("s3cret");
    CDlgDbLogin dlg(g_pSqlite);
    const int r = d.RunModal(dlg, [&](CDialogEx&) {
        for (int attempt = 0; attempt < 3; ++attempt) {
            d.Type(dlg, CDlgDbLogin::IDC_PASSWD, "wrong" + QString::number(attempt));
            d.Click(dlg, IDOK);
            // Nothing said yet; no input until the wait is over.
            EXPECT_TRUE(d.MessageTexts().size() == attempt);
            EXPECT_EQ(dlg.GetTimerElapse(1), 1000);
            EXPECT_FALSE(dlg.GetDlgItem(IDOK).IsWindowEnabled());
            EXPECT_FALSE(dlg.GetDlgItem(CDlgDbLogin::IDC_PASSWD).IsWindowEnabled());
            dlg.SendMessage(WM_COMMAND, IDOK, 0);  // a second OK while waiting does nothing
            ASSERT_TRUE(d.FireTimer(dlg, 1));
            EXPECT_EQ(dlg.GetTimerElapse(1), -1);
            EXPECT_EQ(d.LastMessage(), kWrongLogin);
            EXPECT_EQ(d.MessageTexts().size(), attempt + 1);
            EXPECT_EQ(dlg.GetDlgItemText(CDlgDbLogin::IDC_PASSWD), "");
            EXPECT_TRUE(HasFocus(dlg, CDlgDbLogin::IDC_PASSWD));
            EXPECT_TRUE(dlg.GetDlgItem(IDOK).IsWindowEnabled());
        }
        d.Type(dlg, CDlgDbLogin::IDC_PASSWD, "s3cret");
        d.PressKey(dlg, VK_RETURN);
    });
    EXPECT_EQ(r, IDOK);
    EXPECT_EQ(dlg.GetPasswd(), "s3cret");
    EXPECT_TRUE(g_pSqlite->IsLoggedIn());
}

TEST_F(DlgPasswdTest, LoginWithoutDelayAsksAgainAtOnceAndCancelForgetsThePassword)
{
    CDlgDbLogin::s_iWrongPasswdDelayMs = 0;
    setMasterPassword("s3cret");
    CDlgDbLogin dlg(g_pSqlite);
    const int r = d.RunModal(dlg, [&](CDialogEx&) {
        d.Type(dlg, CDlgDbLogin::IDC_PASSWD, "S3CRET");  // case matters
        d.Click(dlg, IDOK);
        EXPECT_EQ(d.LastMessage(), kWrongLogin);
        EXPECT_EQ(dlg.GetTimerElapse(1), -1);
        d.Type(dlg, CDlgDbLogin::IDC_PASSWD, "s3cret-typed-but-cancelled");
        d.PressKey(dlg, VK_ESCAPE);
    });
    EXPECT_EQ(r, IDCANCEL);
    EXPECT_EQ(dlg.GetPasswd(), "");
}

TEST_F(DlgPasswdTest, LoginCancelledDuringTheWaitEndsAtOnce)
{
    setMasterPassword("s3cret");
    CDlgDbLogin dlg(g_pSqlite);
    const int r = d.RunModal(dlg, [&](CDialogEx&) {
        d.Type(dlg, CDlgDbLogin::IDC_PASSWD, "wrong");
        d.Click(dlg, IDOK);
        EXPECT_EQ(dlg.GetTimerElapse(1), 1000);
        d.Click(dlg, IDCANCEL);
    });
    EXPECT_EQ(r, IDCANCEL);
    EXPECT_TRUE(d.MessageTexts().isEmpty());
    EXPECT_EQ(dlg.GetPasswd(), "");
}

TEST_F(DlgPasswdTest, LoginPromptFollowsTheBackupFlagAndTheLanguageFile)
{
    CDlgDbLogin plain(g_pSqlite);
    d.RunModal(plain, [&](CDialogEx&) {
        EXPECT_EQ(plain.GetDlgItemText(CDlgDbLogin::IDC_PROMPT), "Please input login passwd:");
        EXPECT_TRUE(HasFocus(plain, CDlgDbLogin::IDC_PASSWD));
        plain.EndDialog(IDCANCEL);
    });
    EXPECT_TRUE(RegisteredIdsInLanguageFile(plain, kLangFile));
    EXPECT_TRUE(MessageIdsInLanguageFile({{13400, 1340001}, {13400, 1340002}, {13400, 1340003}}, kLangFile));

    // The label's own file text must not win over the prompt of the mode.
    WriteLangFile(R"(<?xml version="1.0" encoding="UTF-8"?>
<Tessel><LanguageString><Window ID="13400" Type="-3" Tip="Anmelden">
  <ItemCtrl id="13401" Type="0">Label text</ItemCtrl>
  <OtherString id="1340001">Kennwort der Sicherung:</OtherString>
  <OtherString id="1340002">Kennwort:</OtherString>
</Window></LanguageString></Tessel>)");
    CDlgDbLogin backup(g_pSqlite);
    backup.SetTypeBackup(1);
    d.RunModal(backup, [&](CDialogEx&) {
        EXPECT_EQ(backup.GetWindowText(), "Anmelden");
        EXPECT_EQ(backup.GetDlgItemText(CDlgDbLogin::IDC_PROMPT), "Kennwort der Sicherung:");
        backup.EndDialog(IDCANCEL);
    });
    CDlgDbLogin again(g_pSqlite);
    d.RunModal(again, [&](CDialogEx&) {
        EXPECT_EQ(again.GetDlgItemText(CDlgDbLogin::IDC_PROMPT), "Kennwort:");
        again.EndDialog(IDCANCEL);
    });
}

TEST_F(DlgPasswdTest, InstalledLoginDialogAnswersTheStoresPrompt)
{
    CDlgDbLogin::s_iWrongPasswdDelayMs = 0;
    setMasterPassword("s3cret");
    LockVault();
    InstallLoginDialog();
    d.AnswerNextDialog([&](CDialogEx& c) {
        EXPECT_EQ(c.GetTemplateId(), CDlgDbLogin::IDD);
        EXPECT_EQ(c.GetDlgItemText(CDlgDbLogin::IDC_PROMPT), "Please input login passwd:");
        d.Type(c, CDlgDbLogin::IDC_PASSWD, "nope");
        d.Click(c, IDOK);
        d.Type(c, CDlgDbLogin::IDC_PASSWD, "s3cret");
        d.Click(c, IDOK);
    });
    EXPECT_EQ(store().ConfirmLogin(), 1);
    EXPECT_EQ(d.MessageTexts(), QStringList{kWrongLogin});
    EXPECT_TRUE(VaultReadable());  // the connection is keyed again

    // Another vault's password (import): the backup prompt; Cancel passes through.
    QString out = "untouched";
    d.AnswerNextDialog([&](CDialogEx& c) {
        EXPECT_EQ(c.GetDlgItemText(CDlgDbLogin::IDC_PROMPT), "Please Input Backup DB Passwd:");
        d.Click(c, IDCANCEL);
    });
    EXPECT_EQ(ShowLoginPrompt(g_pSqlite, 1, out), IDCANCEL);
    EXPECT_EQ(out, "untouched");
}

// ---- set password ----

TEST_F(DlgPasswdTest, SetPasswordOnAVaultWithOneEndsWithCancelAndTheFlag)
{
    setMasterPassword("old");
    CDlgSetPasswd dlg;
    const int r = d.RunModal(dlg, [&](CDialogEx&) {
        d.Type(dlg, CDlgSetPasswd::IDC_NEW, "new");
        d.Type(dlg, CDlgSetPasswd::IDC_REPEAT, "new");
        d.Click(dlg, IDOK);
    });
    EXPECT_EQ(r, IDCANCEL);
    EXPECT_EQ(dlg.m_bOldPasswdExist, 1);
    EXPECT_EQ(d.MessageTexts(), QStringList{"Old passwd is not empty, please check it!"});
    EXPECT_TRUE(VaultReadable());  // the open vault keeps its key
    EXPECT_FALSE(g_pSqlite->ConfirmPasswd("new", 0));
    EXPECT_TRUE(g_pSqlite->ConfirmPasswd("old", 0));
}

TEST_F(DlgPasswdTest, SetPasswordChecksBothFieldsThenReallyEncryptsTheVault)
{
    ST_PW_ENTRY e = entry("Bank", "me", "pin");
    ASSERT_EQ(store().InsertEntry(&e, 0), 0);
    const int entries = entryCount();
    CDlgSetPasswd dlg;
    const int r = d.RunModal(dlg, [&](CDialogEx&) {
        d.Type(dlg, CDlgSetPasswd::IDC_NEW, "Secret");
        d.Type(dlg, CDlgSetPasswd::IDC_REPEAT, "secret");
        d.Click(dlg, IDOK);
        EXPECT_EQ(d.LastMessage(), "The 'Repeat Passwd' must the same as 'New Passwd'!");
        EXPECT_EQ(dlg.GetDlgItemText(CDlgSetPasswd::IDC_NEW), "");
        EXPECT_EQ(dlg.GetDlgItemText(CDlgSetPasswd::IDC_REPEAT), "");
        EXPECT_TRUE(HasFocus(dlg, CDlgSetPasswd::IDC_NEW));

        d.Click(dlg, IDOK);
        EXPECT_EQ(d.LastMessage(), "The 'New Passwd' can not be empty!");
        EXPECT_TRUE(HasFocus(dlg, CDlgSetPasswd::IDC_NEW));

        d.Type(dlg, CDlgSetPasswd::IDC_NEW, "Secret#2024");
        d.Type(dlg, CDlgSetPasswd::IDC_REPEAT, "Secret#2024");
        d.Click(dlg, IDOK);
    });
    EXPECT_EQ(r, IDOK);
    EXPECT_EQ(dlg.m_bOldPasswdExist, 0);
    EXPECT_EQ(d.MessageTexts().size(), 2);
    EXPECT_TRUE(RegisteredIdsInLanguageFile(dlg, kLangFile));
    EXPECT_TRUE(MessageIdsInLanguageFile(
        {{13600, 1370001}, {13600, 1370002}, {13600, 1370003}, {13600, 1370004}, {13600, 1370005}}, kLangFile));

    // Encrypted on disk with the new key, entries kept.
    QFile f(m_vaultPath);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_FALSE(f.read(16).startsWith("SQLite format 3"));
    f.close();
    EXPECT_FALSE(g_pSqlite->ConfirmPasswd(QString(), 0));
    EXPECT_TRUE(g_pSqlite->ConfirmPasswd("Secret#2024", 0));
    EXPECT_EQ(entryCount(), entries);
}

// A new master password is scored as the editor scores an entry's, and a
// weak one (below 45, the red and purple bands) is taken only when the user
// says so after a warning.
TEST_F(DlgPasswdTest, SetAndChangeScoreTheNewPasswordAndWarnBeforeTakingAWeakOne)
{
    const QString weakWarning = "This master password scores only 8 of 100";
    CDlgSetPasswd set;
    EXPECT_EQ(d.RunModal(set, [&](CDialogEx&) {
        EXPECT_EQ(set.GetDlgItemText(CDlgSetPasswd::IDC_STRENGTH), "  0/100 (Passwd Strength)");
        d.Type(set, CDlgSetPasswd::IDC_NEW, "aaaa");
        EXPECT_EQ(set.GetDlgItemText(CDlgSetPasswd::IDC_STRENGTH), "  9/100 (Passwd Strength)");
        d.SetText(set, CDlgSetPasswd::IDC_NEW, "a");
        d.Type(set, CDlgSetPasswd::IDC_REPEAT, "a");
        d.AnswerNextMessageBox(IDNO);
        d.Click(set, IDOK);
        EXPECT_TRUE(d.LastMessage().startsWith(weakWarning)) << d.LastMessage().toStdString();
        // Kept open for a better one; the vault still has none.
        EXPECT_TRUE(set.IsRunning());
        EXPECT_TRUE(HasFocus(set, CDlgSetPasswd::IDC_NEW));
        EXPECT_TRUE(g_pSqlite->ConfirmPasswd(QString(), 0));
        d.AnswerNextMessageBox(IDYES);
        d.Click(set, IDOK);
    }), IDOK);
    EXPECT_EQ(d.MessageTexts().size(), 2);
    EXPECT_TRUE(g_pSqlite->ConfirmPasswd("a", 0));
    EXPECT_TRUE(MessageIdsInLanguageFile({{13600, 1360040}}, kLangFile));

    d.ClearMessages();
    CDlgChangePasswd change;
    EXPECT_EQ(d.RunModal(change, [&](CDialogEx&) {
        EXPECT_EQ(change.GetDlgItemText(CDlgChangePasswd::IDC_STRENGTH), "  0/100 (Passwd Strength)");
        d.Type(change, CDlgChangePasswd::IDC_OLD, "a");
        d.Type(change, CDlgChangePasswd::IDC_NEW, "a");
        d.Type(change, CDlgChangePasswd::IDC_REPEAT, "a");
        EXPECT_EQ(change.GetDlgItemText(CDlgChangePasswd::IDC_STRENGTH), "  8/100 (Passwd Strength)");
        d.AnswerNextMessageBox(IDNO);
        d.Click(change, IDOK);
        EXPECT_TRUE(d.LastMessage().startsWith(weakWarning));
        EXPECT_TRUE(change.IsRunning());
        EXPECT_TRUE(g_pSqlite->ConfirmPasswd("a", 0));
        // A strong one goes through without a word.
        d.ClearMessages();
        d.SetText(change, CDlgChangePasswd::IDC_NEW, "Tr0ub4dor&3");
        d.SetText(change, CDlgChangePasswd::IDC_REPEAT, "Tr0ub4dor&3");
        EXPECT_EQ(change.GetDlgItemText(CDlgChangePasswd::IDC_STRENGTH), "  82/100 (Passwd Strength)");
        d.Click(change, IDOK);
    }), IDOK);
    EXPECT_TRUE(d.MessageTexts().isEmpty());
    EXPECT_TRUE(g_pSqlite->ConfirmPasswd("Tr0ub4dor&3", 0));
}

// ---- change password ----

TEST_F(DlgPasswdTest, ChangePasswordRefusesAWrongOldOneAndMismatchesThenRekeys)
{
    setMasterPassword("old");
    CDlgChangePasswd dlg;
    const int r = d.RunModal(dlg, [&](CDialogEx&) {
        EXPECT_TRUE(HasFocus(dlg, CDlgChangePasswd::IDC_OLD));
        d.Type(dlg, CDlgChangePasswd::IDC_OLD, "OLD");
        d.Type(dlg, CDlgChangePasswd::IDC_NEW, "new");
        d.Type(dlg, CDlgChangePasswd::IDC_REPEAT, "new");
        d.Click(dlg, IDOK);
        EXPECT_EQ(d.LastMessage(), "Old passwd is mistake, please input again!");
        EXPECT_TRUE(VaultReadable());
        EXPECT_EQ(dlg.GetDlgItemText(CDlgChangePasswd::IDC_OLD), "");
        EXPECT_EQ(dlg.GetDlgItemText(CDlgChangePasswd::IDC_NEW), "new");
        EXPECT_TRUE(HasFocus(dlg, CDlgChangePasswd::IDC_OLD));

        d.Type(dlg, CDlgChangePasswd::IDC_OLD, "old");
        d.Type(dlg, CDlgChangePasswd::IDC_REPEAT, "x");
        d.Click(dlg, IDOK);
        EXPECT_EQ(d.LastMessage(), "The 'Repeat Passwd' must the same as 'New Passwd'!");
        EXPECT_EQ(dlg.GetDlgItemText(CDlgChangePasswd::IDC_NEW), "");
        EXPECT_EQ(dlg.GetDlgItemText(CDlgChangePasswd::IDC_REPEAT), "");
        EXPECT_TRUE(HasFocus(dlg, CDlgChangePasswd::IDC_NEW));

        d.Click(dlg, IDOK);
        EXPECT_EQ(d.LastMessage(), "The 'New Passwd' can not be empty!");

        d.Type(dlg, CDlgChangePasswd::IDC_NEW, "n\u00e9w 'pw'");
        d.Type(dlg, CDlgChangePasswd::IDC_REPEAT, "n\u00e9w 'pw'");
        d.Click(dlg, IDOK);
    });
    EXPECT_EQ(r, IDOK);
    EXPECT_EQ(d.MessageTexts().size(), 3);
    EXPECT_TRUE(RegisteredIdsInLanguageFile(dlg, kLangFile));
    EXPECT_TRUE(MessageIdsInLanguageFile({{13300, 1330001}, {13300, 1330002}, {13300, 1330003}, {13300, 1330004}},
                                         kLangFile));
    EXPECT_FALSE(g_pSqlite->ConfirmPasswd("old", 0));
    EXPECT_TRUE(g_pSqlite->ConfirmPasswd("n\u00e9w 'pw'", 0));
}

TEST_F(DlgPasswdTest, CancelChangesNothing)
{
    setMasterPassword("old");
    CDlgChangePasswd dlg;
    EXPECT_EQ(d.RunModal(dlg, [&](CDialogEx&) {
        d.Type(dlg, CDlgChangePasswd::IDC_OLD, "old");
        d.Type(dlg, CDlgChangePasswd::IDC_NEW, "new");
        d.Type(dlg, CDlgChangePasswd::IDC_REPEAT, "new");
        d.Click(dlg, IDCANCEL);
    }), IDCANCEL);
    EXPECT_TRUE(d.MessageTexts().isEmpty());
    EXPECT_TRUE(VaultReadable());  // still keyed with the old password
    EXPECT_TRUE(g_pSqlite->ConfirmPasswd("old", 0));
}

// ---- confirm ----

TEST_F(DlgPasswdTest, ConfirmRefusesAnEmptyEntryWithoutTouchingTheConnection)
{
    setMasterPassword("pw");
    CDlgConfirmPasswd dlg;
    dlg.SetHotKeyFlag(1);
    const int r = d.RunModal(dlg, [&](CDialogEx&) {
        EXPECT_TRUE(HasFocus(dlg, CDlgConfirmPasswd::IDC_PASSWD));
        d.Click(dlg, IDOK);
        EXPECT_EQ(d.LastMessage(), "The 'New Passwd' can not be empty!");
        // Still open and keyed: a reopened connection could not read the vault.
        EXPECT_TRUE(g_pSqlite->IsLoggedIn());
        EXPECT_TRUE(VaultReadable());

        d.Type(dlg, CDlgConfirmPasswd::IDC_PASSWD, "PW");
        d.Click(dlg, IDOK);
        EXPECT_EQ(d.LastMessage(), "Passwd is mistake, please input again!");
        EXPECT_EQ(dlg.GetDlgItemText(CDlgConfirmPasswd::IDC_PASSWD), "");
        EXPECT_TRUE(HasFocus(dlg, CDlgConfirmPasswd::IDC_PASSWD));
        // A typing error does not lock the open vault.
        EXPECT_TRUE(g_pSqlite->IsLoggedIn());
        EXPECT_TRUE(VaultReadable());

        d.Type(dlg, CDlgConfirmPasswd::IDC_PASSWD, "pw");
        d.PressKey(dlg, VK_RETURN);
    });
    EXPECT_EQ(r, IDOK);
    EXPECT_EQ(dlg.GetInputPasswd(), "pw");
    EXPECT_EQ(dlg.GetHotKeyFlag(), 1);
    EXPECT_EQ(d.MessageTexts().size(), 2);
    EXPECT_TRUE(RegisteredIdsInLanguageFile(dlg, kLangFile));
    EXPECT_TRUE(MessageIdsInLanguageFile({{13500, 1350001}, {13500, 1350002}, {13500, 1350003}}, kLangFile));
}

TEST_F(DlgPasswdTest, ConfirmOnALockedVaultKeysItWithTheRightPassword)
{
    setMasterPassword("pw");
    LockVault();
    ASSERT_FALSE(VaultReadable());
    CDlgConfirmPasswd dlg;
    const int r = d.RunModal(dlg, [&](CDialogEx&) {
        d.Type(dlg, CDlgConfirmPasswd::IDC_PASSWD, "nope");
        d.Click(dlg, IDOK);
        EXPECT_EQ(d.LastMessage(), "Passwd is mistake, please input again!");
        EXPECT_FALSE(VaultReadable());
        d.Type(dlg, CDlgConfirmPasswd::IDC_PASSWD, "pw");
        d.Click(dlg, IDOK);
    });
    EXPECT_EQ(r, IDOK);
    EXPECT_TRUE(g_pSqlite->IsLoggedIn());
    EXPECT_TRUE(VaultReadable());
}

TEST_F(DlgPasswdTest, ConfirmNamesAVaultFileThatCannotBeOpened)
{
    const QString vault = g_pSqlite->GetPathFile();
    g_pSqlite->CloseDB();
    g_pSqlite->SetPathFile(path() + "missing/folder/Sqlite.db");
    CDlgConfirmPasswd dlg;
    const int r = d.RunModal(dlg, [&](CDialogEx&) {
        d.Type(dlg, CDlgConfirmPasswd::IDC_PASSWD, "pw");
        d.Click(dlg, IDOK);
        EXPECT_EQ(d.LastMessage(), "Failed to open the database '" + path() + "missing/folder/Sqlite.db'!");
        d.Click(dlg, IDCANCEL);
    });
    EXPECT_EQ(r, IDCANCEL);
    g_pSqlite->SetPathFile(vault);
    ASSERT_EQ(g_pSqlite->InitDB(), 0);
}

} // namespace

namespace {

// Pictures of the four dialogs for a look.
TEST_F(DlgPasswdTest, Screenshots)
{
    const QString dir = ScreenshotDir();
    CDlgDbLogin login(g_pSqlite);
    d.RunModal(login, [&](CDialogEx&) {
        d.Type(login, CDlgDbLogin::IDC_PASSWD, "secret");
        EXPECT_TRUE(d.SaveScreenshot(login, dir + "/login.png"));
        login.EndDialog(IDCANCEL);
    });
    CDlgSetPasswd set;
    d.RunModal(set, [&](CDialogEx&) {
        EXPECT_TRUE(d.SaveScreenshot(set, dir + "/vw-setpasswd.png"));
        set.EndDialog(IDCANCEL);
    });
    CDlgChangePasswd change;
    d.RunModal(change, [&](CDialogEx&) {
        EXPECT_TRUE(d.SaveScreenshot(change, dir + "/vw-changepasswd.png"));
        change.EndDialog(IDCANCEL);
    });
    CDlgConfirmPasswd confirm;
    d.RunModal(confirm, [&](CDialogEx&) {
        EXPECT_TRUE(d.SaveScreenshot(confirm, dir + "/vw-confirmpasswd.png"));
        confirm.EndDialog(IDCANCEL);
    });
}

} // namespace
