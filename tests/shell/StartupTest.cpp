// Start-up and shutdown of the main window on real files.
#include <sys/stat.h>

#include <QDir>
#include <QFileInfo>

#include "MainWindowFixture.h"
#include "foundation/storage/DlgInitSettings.h"
#include "vault/DlgSetPasswd.h"
#include "platform/TrayIcon.h"
#include "vault/StoreFixture.h"

namespace {

int FileMode(const QString& path)
{
    struct stat st {};
    if (stat(path.toLocal8Bit().constData(), &st) != 0)
        return -1;
    return int(st.st_mode & 0777);
}

} // namespace

TEST_F(MainWindowTest, FirstRunCreatesPrivateFilesAsksOnceAndOpensTheShippedHelpPageOnce)
{
    ASSERT_TRUE(QFile::copy(VW_SOURCE_DIR "/shell/help/Vaultwick-help.html", path() + "Vaultwick-help.html"));
    ScriptedLogin login(std::nullopt);
    int firstRunDialogs = 0;
    m_driver.AnswerNextDialog([&](CDialogEx& first) {
        EXPECT_EQ(first.GetTemplateId(), CDlgInitSettings::IDD);
        ++firstRunDialogs;
        first.EndDialog(IDOK);
    });
    // Offered a master password at once; Cancel keeps the vault without one.
    m_driver.AnswerNextDialog([&](CDialogEx& set) {
        EXPECT_EQ(set.GetTemplateId(), CDlgSetPasswd::IDD);
        set.EndDialog(IDCANCEL);
    });
    CVaultwickDlg dlg;
    const int r = RunMain(dlg, [&](CDialogEx&) {
        EXPECT_TRUE(dlg.IsFirstRun());
        EXPECT_TRUE(dlg.IsLoggedIn());  // an empty master password needs no login
        EXPECT_EQ(g_bNeedPasswd, 0);
        EXPECT_TRUE(g_pSqlite->ConfirmPasswd(QString(), 0));
        EXPECT_EQ(dlg.IsDlgButtonChecked(CVaultwickDlg::IDC_NEED_LOGIN_PASSWD), UINT(BST_UNCHECKED));
        EXPECT_EQ(FileMode(path() + "db.init"), 0600);
        EXPECT_EQ(FileMode(path() + "Sqlite.db"), 0600);
        // The stored defaults start minimised, but never on the first run.
        m_driver.ProcessEvents();
        EXPECT_TRUE(dlg.IsWindowVisible());
        EXPECT_FALSE(dlg.IsIconic());
        dlg.OnTrayCommand(IDCANCEL);
    });
    EXPECT_EQ(r, IDCANCEL);
    EXPECT_EQ(firstRunDialogs, 1);
    EXPECT_EQ(login.calls(), 0);
    ASSERT_EQ(m_urls.urls.size(), 1);
    // The page the tray's Help opens, shipped beside the program; no web address.
    EXPECT_EQ(m_urls.urls[0].toLocalFile(), path() + "Vaultwick-help.html");
    // Offscreen there is no X server to grab the default hot keys from: the
    // user is told, and the program runs on.
    EXPECT_EQ(m_driver.MessageTexts(),
              QStringList({"'Add' HOTKEY set faild, please reset it!", "'Query' HOTKEY set faild, please reset it!"}));
    // Shutdown released every process-wide object.
    EXPECT_EQ(g_pPwSettings, nullptr);
    EXPECT_EQ(g_pSqlite, nullptr);
    EXPECT_EQ(g_pSqliteInit, nullptr);
    EXPECT_EQ(g_pXmlLang, nullptr);
}

TEST_F(MainWindowTest, FirstRunSetsTheMasterPasswordOfferedAfterTheFirstRunDialog)
{
    ScriptedLogin login(std::nullopt);
    m_driver.AnswerNextDialog(IDOK);  // the first-run dialog
    m_driver.AnswerNextDialog([&](CDialogEx& set) {
        EXPECT_EQ(set.GetTemplateId(), CDlgSetPasswd::IDD);
        m_driver.Type(set, CDlgSetPasswd::IDC_NEW, "Tr0ub4dor&3");
        m_driver.Type(set, CDlgSetPasswd::IDC_REPEAT, "Tr0ub4dor&3");
        m_driver.Click(set, IDOK);
    });
    CVaultwickDlg dlg;
    RunMain(dlg, [&](CDialogEx&) {
        EXPECT_TRUE(dlg.IsLoggedIn());
        EXPECT_EQ(g_bNeedPasswd, 1);
        // The settings page says so, and lets the password be changed.
        EXPECT_EQ(dlg.IsDlgButtonChecked(CVaultwickDlg::IDC_NEED_LOGIN_PASSWD), UINT(BST_CHECKED));
        EXPECT_TRUE(dlg.GetDlgItem(CVaultwickDlg::IDC_CHANGE_LOGIN_PASSWD).IsWindowEnabled());
        dlg.OnTrayCommand(IDCANCEL);
    });
    EXPECT_EQ(login.calls(), 0);  // the password was just given
    // The vault opens with that password only.
    CDbSqlite3 vault(path() + "Sqlite.db");
    ASSERT_EQ(vault.InitDB(), 0);
    EXPECT_FALSE(vault.ConfirmPasswd(QString(), 0));
    EXPECT_TRUE(vault.ConfirmPasswd("Tr0ub4dor&3", 0));
    // The next start is no first one: nothing is offered, the password is
    // asked when the (hidden) window is first shown.
    ScriptedLogin again(QStringLiteral("Tr0ub4dor&3"));
    CVaultwickDlg second;
    RunMain(second, [&](CDialogEx&) {
        EXPECT_FALSE(second.IsFirstRun());
        second.OnHotKey(CVaultwickDlg::HOTKEY_SHOW);
        EXPECT_TRUE(second.IsLoggedIn());
        second.OnTrayCommand(IDCANCEL);
    });
    EXPECT_EQ(again.calls(), 1);
}

TEST_F(MainWindowTest, CancelledFirstRunDialogEndsTheStart)
{
    m_driver.AnswerNextDialog(IDCANCEL);
    CVaultwickDlg dlg;
    dlg.DoModal();
    EXPECT_FALSE(dlg.IsStartedUp());
    EXPECT_TRUE(m_urls.urls.isEmpty());
    EXPECT_EQ(g_pSqliteInit, nullptr);
}

TEST_F(MainWindowTest, HiddenStartWithMasterPasswordAsksOnFirstShow)
{
    PrepareProgramFolder({.startMini = 1, .miniToTray = 1, .masterPasswd = QString("s3cret 'x' %s")});
    ScriptedLogin login(QString("s3cret 'x' %s"));
    CVaultwickDlg dlg;
    RunMain(dlg, [&](CDialogEx&) {
        m_driver.ProcessEvents();  // the posted minimise hides to the tray
        EXPECT_EQ(login.calls(), 0);
        EXPECT_FALSE(dlg.IsLoggedIn());
        EXPECT_FALSE(dlg.IsWindowVisible());
        EXPECT_FALSE(dlg.IsFirstRun());

        dlg.OnHotKey(CVaultwickDlg::HOTKEY_SHOW);
        EXPECT_EQ(login.calls(), 1);
        EXPECT_TRUE(dlg.IsLoggedIn());
        EXPECT_EQ(g_bNeedPasswd, 1);
        EXPECT_TRUE(dlg.IsWindowVisible());
        dlg.OnHotKey(CVaultwickDlg::HOTKEY_SHOW);
        EXPECT_EQ(login.calls(), 1);
        dlg.OnTrayCommand(IDCANCEL);
    });
    EXPECT_TRUE(m_urls.urls.isEmpty());
    EXPECT_TRUE(m_driver.MessageTexts().isEmpty());
}

TEST_F(MainWindowTest, ShownStartWithMasterPasswordAsksAtOnce)
{
    PrepareProgramFolder({.masterPasswd = QString("pw")});
    ScriptedLogin login(QString("pw"));
    CVaultwickDlg dlg;
    RunMain(dlg, [&](CDialogEx&) {
        EXPECT_EQ(login.calls(), 1);
        EXPECT_TRUE(dlg.IsLoggedIn());
        EXPECT_TRUE(dlg.IsWindowVisible());
        dlg.OnTrayCommand(IDCANCEL);
    });
}

TEST_F(MainWindowTest, CancelledLoginKeepsRunningAndTheNextShowAsksAgain)
{
    PrepareProgramFolder({.masterPasswd = QString("pw")});
    ScriptedLogin login(std::nullopt);
    CVaultwickDlg dlg;
    RunMain(dlg, [&](CDialogEx&) {
        EXPECT_EQ(login.calls(), 1);
        EXPECT_FALSE(dlg.IsLoggedIn());
        // Alt+F1 shows only after a login ...
        dlg.HideToTray();
        dlg.OnHotKey(CVaultwickDlg::HOTKEY_SHOW);
        EXPECT_EQ(login.calls(), 2);
        EXPECT_FALSE(dlg.IsWindowVisible());
        // ... a double click on the tray icon shows the window whatever the login gave.
        ASSERT_NE(dlg.GetTrayIcon(), nullptr);
        emit dlg.GetTrayIcon()->doubleClicked();
        EXPECT_EQ(login.calls(), 3);
        EXPECT_TRUE(dlg.IsWindowVisible());
        EXPECT_FALSE(dlg.IsLoggedIn());
        dlg.OnTrayCommand(IDCANCEL);
    });
}

TEST_F(MainWindowTest, DamagedInitDatabaseEndsTheStartWithoutTouchingIt)
{
    QFile f(path() + "db.init");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(8192, 'x'));
    f.close();
    CVaultwickDlg dlg;
    dlg.DoModal();
    EXPECT_FALSE(dlg.IsStartedUp());
    EXPECT_FALSE(QFile::exists(path() + "Sqlite.db"));
    EXPECT_EQ(QFileInfo(path() + "db.init").size(), 8192);
}

TEST_F(MainWindowTest, RegisteredIdsAndMessagesAreInTheLanguageFile)
{
    // The language list holds a language per file present, as in the program folder.
    for (const QString& name : QDir(VW_SOURCE_DIR "/lang").entryList({"Lang_*.xml"}))
        QFile::copy(VW_SOURCE_DIR "/lang/" + name, path() + name);
    PrepareProgramFolder({});
    CVaultwickDlg dlg;
    RunMain(dlg, [&](CDialogEx&) { dlg.OnTrayCommand(IDCANCEL); });
    EXPECT_TRUE(RegisteredIdsInLanguageFile(dlg, VW_SOURCE_DIR "/lang/Lang_enu.xml"));
    EXPECT_TRUE(MessageIdsInLanguageFile({{0, 1010005}, {15000, 1500010}, {15000, 1500011}, {15000, 1500012},
                                          {15000, 1500022}, {15000, 1500023}, {15000, 1500024},
                                          {15000, 1500025}},
                                         VW_SOURCE_DIR "/lang/Lang_enu.xml"));
}
