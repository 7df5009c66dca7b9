// The main window at work: hot-key controls, timers, the clipboard promise,
// show and hide, the tray commands and the About window.
#include <QApplication>
#include <QDate>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QWidget>

#include "MainWindowFixture.h"
#include "platform/Clipboard.h"
#include "platform/GlobalHotKeys.h"
#include "platform/TrayIcon.h"
#include "vault/DlgPasswdQuery.h"
#include "shell/DlgAbout.h"
#include "vault/DlgEditEntry.h"

namespace {

QString Clipboard() { return QGuiApplication::clipboard()->text(); }

} // namespace

TEST_F(MainWindowTest, HotKeyControlIsAppliedWhenItsTimerFiresAndARefusedGrabClearsTheBox)
{
    PrepareProgramFolder({});
    CVaultwickDlg dlg;
    RunMain(dlg, [&](CDialogEx&) {
        EXPECT_FALSE(platform::GlobalHotKeys::IsAvailable());
        m_driver.Click(dlg, CVaultwickDlg::IDC_CHECK_HOTKEY_ADD);
        // Checking the box applies the stored Alt+A, which offscreen cannot be grabbed.
        EXPECT_EQ(m_driver.LastMessage(), "'Add' HOTKEY set faild, please reset it!");
        EXPECT_EQ(dlg.IsDlgButtonChecked(CVaultwickDlg::IDC_CHECK_HOTKEY_ADD), UINT(BST_UNCHECKED));
        m_driver.ClearMessages();

        dlg.CheckDlgButton(CVaultwickDlg::IDC_CHECK_HOTKEY_ADD, BST_CHECKED);
        m_driver.Focus(dlg, CVaultwickDlg::IDC_HOTKEY_ADD);
        m_driver.PressKey(dlg, 'K', HOTKEYF_CONTROL | HOTKEYF_ALT);
        // Nothing is applied while the user may still be typing.
        EXPECT_EQ(dlg.GetTimerElapse(CVaultwickDlg::HOTKEY_ADD), 500);
        EXPECT_TRUE(m_driver.MessageTexts().isEmpty());
        EXPECT_TRUE(m_driver.FireTimer(dlg, CVaultwickDlg::HOTKEY_ADD));
        EXPECT_EQ(dlg.GetTimerElapse(CVaultwickDlg::HOTKEY_ADD), -1);
        EXPECT_EQ(m_driver.MessageTexts(), QStringList({"'Add' HOTKEY set faild, please reset it!"}));
        EXPECT_EQ(dlg.IsDlgButtonChecked(CVaultwickDlg::IDC_CHECK_HOTKEY_ADD), UINT(BST_UNCHECKED));
        // The value is kept even though the grab was refused.
        EXPECT_EQ(GetGlobalSetting(g_strColHotKeyAdd), "393291");
        EXPECT_EQ(GetGlobalSetting(g_strColCheckHotKeyAdd), "0");
        EXPECT_EQ(dlg.m_dwHotKeyAdd, 0u);
        // The saved notice is shown and hidden by timer 2.
        EXPECT_TRUE(dlg.GetDlgItem(CVaultwickDlg::IDC_SAVED_NOTICE).IsWindowVisible());
        EXPECT_TRUE(m_driver.FireTimer(dlg, CVaultwickDlg::TIMER_SAVED_NOTICE));
        EXPECT_FALSE(dlg.GetDlgItem(CVaultwickDlg::IDC_SAVED_NOTICE).IsWindowVisible());
        dlg.OnTrayCommand(IDCANCEL);
    });
}

TEST_F(MainWindowTest, PlainLetterInAHotKeyControlIsClearedAndNothingIsRegistered)
{
    PrepareProgramFolder({});
    CVaultwickDlg dlg;
    RunMain(dlg, [&](CDialogEx&) {
        // The state of a checked box: its control enabled.
        dlg.CheckDlgButton(CVaultwickDlg::IDC_CHECK_HOTKEY_QUERY, BST_CHECKED);
        dlg.GetDlgItem(CVaultwickDlg::IDC_HOTKEY_QUERY).EnableWindow(TRUE);
        ASSERT_TRUE(m_driver.Focus(dlg, CVaultwickDlg::IDC_HOTKEY_QUERY));
        m_driver.PressKey(dlg, 'K');
        EXPECT_TRUE(m_driver.FireTimer(dlg, CVaultwickDlg::HOTKEY_QUERY));
        EXPECT_TRUE(m_driver.MessageTexts().isEmpty());
        EXPECT_EQ(CHotKeyCtrl(dlg.GetDlgItem(CVaultwickDlg::IDC_HOTKEY_QUERY)).GetHotKey(), 0u);
        EXPECT_FALSE(dlg.GetHotKeys()->IsRegistered(CVaultwickDlg::HOTKEY_QUERY));
        EXPECT_EQ(dlg.m_dwHotKeyQuery, 0u);
        EXPECT_EQ(GetGlobalSetting(g_strColCheckHotKeyQuery), "1");
        // Unchecking disables the control.
        m_driver.Click(dlg, CVaultwickDlg::IDC_CHECK_HOTKEY_QUERY);
        EXPECT_FALSE(dlg.GetDlgItem(CVaultwickDlg::IDC_HOTKEY_QUERY).IsWindowEnabled());
        EXPECT_EQ(GetGlobalSetting(g_strColCheckHotKeyQuery), "0");
        dlg.OnTrayCommand(IDCANCEL);
    });
}

TEST_F(MainWindowTest, ClipboardIsEmptiedTenSecondsLaterOnlyWhileItHoldsThePassword)
{
    PrepareProgramFolder({});
    CVaultwickDlg dlg;
    RunMain(dlg, [&](CDialogEx&) {
        ASSERT_TRUE(platform::SetClipboardSecret("pw-1"));
        dlg.PostMessage(WM_SETTIMER_REQUEST, CVaultwickDlg::TIMER_CLEAR_CLIPBOARD, 10000);
        m_driver.ProcessEvents();
        EXPECT_EQ(dlg.GetTimerElapse(CVaultwickDlg::TIMER_CLEAR_CLIPBOARD), 10000);
        EXPECT_TRUE(m_driver.FireTimer(dlg, CVaultwickDlg::TIMER_CLEAR_CLIPBOARD));
        EXPECT_EQ(dlg.GetTimerElapse(CVaultwickDlg::TIMER_CLEAR_CLIPBOARD), -1);
        EXPECT_TRUE(Clipboard().isEmpty());

        // Text the user copied meanwhile stays.
        ASSERT_TRUE(platform::SetClipboardSecret("pw-2"));
        EXPECT_EQ(dlg.SendMessage(WM_SETTIMER_REQUEST, CVaultwickDlg::TIMER_CLEAR_CLIPBOARD, 10000), 1);
        QGuiApplication::clipboard()->setText("the user's own text");
        EXPECT_TRUE(m_driver.FireTimer(dlg, CVaultwickDlg::TIMER_CLEAR_CLIPBOARD));
        EXPECT_EQ(Clipboard(), "the user's own text");
        dlg.OnTrayCommand(IDCANCEL);
    });
}

// The editor's shown password, copied with Ctrl+C, is a copy like the query
// window's: marked secret and emptied by the main window's timer.
TEST_F(MainWindowTest, PasswordCopiedOutOfTheEditorIsClearedLikeTheQueryWindowsCopies)
{
    PrepareProgramFolder({});
    CVaultwickDlg dlg;
    RunMain(dlg, [&](CDialogEx&) {
        QGuiApplication::clipboard()->clear();
        m_driver.AnswerNextDialog([&](CDialogEx& editor) {
            m_driver.Type(editor, CDlgEditEntry::IDC_PASSWD, "Edit0r pw");
            m_driver.Focus(editor, CDlgEditEntry::IDC_PASSWD);
            m_driver.PressKey(editor, 'A', HOTKEYF_CONTROL);
            m_driver.PressKey(editor, 'C', HOTKEYF_CONTROL);
            EXPECT_TRUE(Clipboard().isEmpty());  // masked: nothing leaves
            m_driver.Click(editor, CDlgEditEntry::IDC_SHOW_PASSWD);
            m_driver.Focus(editor, CDlgEditEntry::IDC_PASSWD);
            m_driver.PressKey(editor, 'A', HOTKEYF_CONTROL);
            m_driver.PressKey(editor, 'C', HOTKEYF_CONTROL);
            EXPECT_EQ(Clipboard(), "Edit0r pw");
            EXPECT_EQ(QGuiApplication::clipboard()->mimeData()->data("x-kde-passwordManagerHint"), "secret");
            EXPECT_EQ(dlg.GetTimerElapse(CVaultwickDlg::TIMER_CLEAR_CLIPBOARD), CDlgPasswdQuery::s_iClipboardKeepMs);
            m_driver.AnswerNextMessageBox(IDYES);  // discard the typing
            editor.SendMessage(WM_COMMAND, IDCANCEL, 0);
        });
        dlg.OnHotKey(CVaultwickDlg::HOTKEY_ADD);
        // The promise is kept after the editor has gone.
        EXPECT_TRUE(m_driver.FireTimer(dlg, CVaultwickDlg::TIMER_CLEAR_CLIPBOARD));
        EXPECT_TRUE(Clipboard().isEmpty());
        dlg.OnTrayCommand(IDCANCEL);
    });
}

TEST_F(MainWindowTest, AddHotKeyPressedTwiceOpensOneEditor)
{
    PrepareProgramFolder({});
    CVaultwickDlg dlg;
    int editors = 0;
    RunMain(dlg, [&](CDialogEx&) {
        m_driver.AnswerNextDialog([&](CDialogEx& editor) {
            EXPECT_EQ(editor.GetTemplateId(), CDlgEditEntry::IDD);
            ++editors;
            dlg.OnHotKey(CVaultwickDlg::HOTKEY_ADD);  // a second editor would fail the test
            editor.EndDialog(IDCANCEL);
        });
        dlg.OnHotKey(CVaultwickDlg::HOTKEY_ADD);
        EXPECT_EQ(editors, 1);
        // Once it is closed the hot key opens it again.
        m_driver.AnswerNextDialog(IDCANCEL);
        m_driver.Click(dlg, CVaultwickDlg::IDC_ADD_NOW);
        dlg.OnTrayCommand(IDCANCEL);
    });
    EXPECT_EQ(m_driver.Log().filter("dialog 13100").size(), 2);
}

TEST_F(MainWindowTest, EscapeAndCloseHideToTheTrayWhileMinimiseFollowsItsSetting)
{
    PrepareProgramFolder({.closeToTray = 1});
    CVaultwickDlg dlg;
    const int r = RunMain(dlg, [&](CDialogEx&) {
        m_driver.PressKey(dlg, VK_ESCAPE);
        EXPECT_FALSE(dlg.IsWindowVisible());
        EXPECT_TRUE(dlg.IsRunning());
        dlg.OnTrayCommand(CVaultwickDlg::ID_TRAY_SHOW);
        EXPECT_TRUE(dlg.IsWindowVisible());
        dlg.SendMessage(WM_CLOSE);
        EXPECT_FALSE(dlg.IsWindowVisible());
        EXPECT_TRUE(dlg.IsRunning());
        dlg.OnTrayCommand(CVaultwickDlg::ID_TRAY_SHOW);
        // With "Close To System Tray" off, closing ends the program.
        dlg.m_bCloseToTray = 0;
        dlg.SendMessage(WM_CLOSE);
    });
    EXPECT_EQ(r, IDCANCEL);
}

TEST_F(MainWindowTest, AboutWindowLinksTheShippedHelpPageAsHelpDoes)
{
    PrepareProgramFolder({});
    QFile help(path() + "Vaultwick-help.html");
    ASSERT_TRUE(help.open(QIODevice::WriteOnly));
    help.write("<html></html>");
    help.close();
    CVaultwickDlg dlg;
    RunMain(dlg, [&](CDialogEx&) {
        m_driver.AnswerNextDialog([&](CDialogEx& about) {
            EXPECT_EQ(about.GetTemplateId(), CDlgAbout::IDD);
            EXPECT_EQ(about.GetDlgItemText(CDlgAbout::IDC_LINK), "Vaultwick-help.html");
            m_driver.Click(about, CDlgAbout::IDC_LINK);
            EXPECT_TRUE(RegisteredIdsInLanguageFile(static_cast<CDlgAbout&>(about),
                                                    VW_SOURCE_DIR "/lang/Lang_enu.xml"));
            EXPECT_EQ(about.GetDlgItemText(CDlgAbout::IDC_VERSION).remove(QChar(0x2068)).remove(QChar(0x2069)),
                      QString("Version %1, built on %2").arg(CDlgAbout::s_strVersion, CDlgAbout::s_strBuildDate));
            EXPECT_TRUE(QDate::fromString(CDlgAbout::s_strBuildDate, Qt::ISODate).isValid());
            EXPECT_FALSE(about.GetDlgItem(IDCANCEL)) << "the window closes with OK";
            m_driver.Click(about, IDOK);
        });
        emit dlg.GetTrayIcon()->menuCommand(CVaultwickDlg::ID_TRAY_ABOUT);
        emit dlg.GetTrayIcon()->menuCommand(CVaultwickDlg::ID_TRAY_HELP);
        dlg.OnTrayCommand(IDCANCEL);
    });
    ASSERT_EQ(m_urls.urls.size(), 2);
    EXPECT_EQ(m_urls.urls[0].toLocalFile(), path() + "Vaultwick-help.html");
    EXPECT_EQ(m_urls.urls[1].toLocalFile(), path() + "Vaultwick-help.html");
}

// Alt+Q with the query window open brings it to the front with the keyboard,
// wherever the keys were, restored if it was minimised; a prompt it waits
// for gets the keys instead, as the window itself cannot take them then.
TEST_F(MainWindowTest, QueryHotKeyAlwaysBringsTheOpenQueryWindowBackWithTheKeyboard)
{
    PrepareProgramFolder({});
    CVaultwickDlg dlg;
    int queries = 0;
    // A window the user went to meanwhile.
    QWidget other;
    other.resize(100, 50);
    const auto elsewhere = [&] {
        other.show();
        other.activateWindow();
        m_driver.ProcessEvents();
        ASSERT_EQ(QApplication::activeWindow(), &other);
    };
    RunMain(dlg, [&](CDialogEx&) {
        m_driver.AnswerNextDialog([&](CDialogEx& query) {
            EXPECT_EQ(query.GetTemplateId(), CDlgPasswdQuery::IDD);
            ++queries;
            elsewhere();
            dlg.OnHotKey(CVaultwickDlg::HOTKEY_QUERY);
            m_driver.ProcessEvents();
            EXPECT_EQ(QApplication::activeWindow(), query.GetWidget());
            query.ShowWindow(SW_MINIMIZE);
            ASSERT_TRUE(query.IsIconic());
            dlg.OnHotKey(CVaultwickDlg::HOTKEY_QUERY);
            m_driver.ProcessEvents();
            EXPECT_FALSE(query.IsIconic());
            EXPECT_EQ(QApplication::activeWindow(), query.GetWidget());

            m_driver.AnswerNextDialog([&](CDialogEx& prompt) {
                elsewhere();
                dlg.OnHotKey(CVaultwickDlg::HOTKEY_QUERY);
                m_driver.ProcessEvents();
                EXPECT_EQ(QApplication::activeWindow(), prompt.GetWidget());
                other.hide();
                prompt.EndDialog(IDCANCEL);
            });
            CDlgAbout prompt(&query);
            prompt.DoModal();
            m_driver.ProcessEvents();
            // Closed, it hands the keyboard back to the query window.
            EXPECT_EQ(QApplication::activeWindow(), query.GetWidget());
            query.EndDialog(IDCANCEL);
        });
        dlg.OnHotKey(CVaultwickDlg::HOTKEY_QUERY);
        dlg.OnTrayCommand(IDCANCEL);
    });
    EXPECT_EQ(queries, 1);
}
