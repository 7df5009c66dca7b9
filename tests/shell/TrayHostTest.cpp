// The main window on desktops without a tray, with a panel that starts late,
// and with one that restarts: the window never ends up out of reach.
#include "MainWindowFixture.h"
#include "platform/TrayIcon.h"
#include "vault/StoreFixture.h"

namespace {

bool Minimised(CVaultwickDlg& dlg) { return dlg.IsWindowVisible() && dlg.IsIconic(); }

} // namespace

TEST_F(MainWindowTest, WithoutATrayCloseMinimiseAndEscapeGoToTheTaskBarAndALateTrayTakesOver)
{
    PrepareProgramFolder({.miniToTray = 1, .closeToTray = 1});
    m_bTrayHost = false;
    CVaultwickDlg dlg;
    RunMain(dlg, [&](CDialogEx&) {
        EXPECT_TRUE(dlg.IsWindowVisible());
        dlg.SendMessage(WM_CLOSE);
        EXPECT_TRUE(Minimised(dlg));
        EXPECT_TRUE(dlg.IsRunning());
        ASSERT_EQ(m_driver.MessageTexts().size(), 1);
        const QString notice = m_driver.MessageTexts()[0];
        EXPECT_TRUE(notice.contains("no notification area")) << notice.toStdString();
        for (const char* command : {" --query", " --add", " --show"})
            EXPECT_TRUE(notice.contains(path() + "Vaultwick" + command)) << command;

        // Told once: minimise and Escape say nothing more.
        dlg.ShowMainWindow();
        EXPECT_FALSE(dlg.IsIconic());
        dlg.SendMessage(WM_SYSCOMMAND, SC_MINIMIZE);
        EXPECT_TRUE(Minimised(dlg));
        dlg.ShowMainWindow();
        m_driver.PressKey(dlg, VK_ESCAPE);
        EXPECT_TRUE(Minimised(dlg));
        EXPECT_EQ(m_driver.MessageTexts().size(), 1);

        // The panel starts: the icon appears and hiding works from then on.
        m_bTrayHost = true;
        dlg.GetTrayIcon()->CheckHost();
        EXPECT_TRUE(dlg.GetTrayIcon()->IsVisible());
        dlg.ShowMainWindow();
        dlg.SendMessage(WM_CLOSE);
        EXPECT_FALSE(dlg.IsWindowVisible());

        // The panel goes away while the window hides in it: it comes back to
        // the task bar; the panel back, the icon is back.
        m_bTrayHost = false;
        dlg.GetTrayIcon()->CheckHost();
        EXPECT_TRUE(Minimised(dlg));
        EXPECT_FALSE(dlg.GetTrayIcon()->IsVisible());
        m_bTrayHost = true;
        dlg.GetTrayIcon()->CheckHost();
        EXPECT_TRUE(dlg.GetTrayIcon()->IsVisible());
        EXPECT_EQ(m_driver.MessageTexts().size(), 1);
        dlg.OnTrayCommand(IDCANCEL);
    });
}

TEST_F(MainWindowTest, AHiddenStartWithoutATrayShowsTheWindowMinimisedAndTellsOnlyIfNoPanelComes)
{
    PrepareProgramFolder({.startMini = 1, .miniToTray = 1});
    m_bTrayHost = false;
    {
        CVaultwickDlg dlg;
        RunMain(dlg, [&](CDialogEx&) {
            m_driver.ProcessEvents();  // the posted minimise
            EXPECT_TRUE(Minimised(dlg));
            // At log-on the panel may still be on its way: no word yet.
            EXPECT_TRUE(m_driver.MessageTexts().isEmpty());
            EXPECT_EQ(dlg.GetTimerElapse(CVaultwickDlg::TIMER_NO_TRAY_NOTICE),
                      int(CVaultwickDlg::s_iNoTrayGraceMs));
            EXPECT_TRUE(m_driver.FireTimer(dlg, CVaultwickDlg::TIMER_NO_TRAY_NOTICE));
            ASSERT_EQ(m_driver.MessageTexts().size(), 1);
            EXPECT_TRUE(m_driver.MessageTexts()[0].contains("no notification area"));
            dlg.OnTrayCommand(IDCANCEL);
        });
    }
    m_driver.ClearMessages();
    {
        CVaultwickDlg dlg;
        RunMain(dlg, [&](CDialogEx&) {
            m_driver.ProcessEvents();
            EXPECT_TRUE(Minimised(dlg));
            m_bTrayHost = true;  // the panel comes after the program
            dlg.GetTrayIcon()->CheckHost();
            EXPECT_EQ(dlg.GetTimerElapse(CVaultwickDlg::TIMER_NO_TRAY_NOTICE), -1);
            EXPECT_TRUE(dlg.GetTrayIcon()->IsVisible());
            dlg.OnTrayCommand(IDCANCEL);
        });
    }
    EXPECT_TRUE(m_driver.MessageTexts().isEmpty());
}

TEST_F(MainWindowTest, ASecondStartBringsTheWindowForwardEvenAfterACancelledLoginOrFromTheTaskBar)
{
    PrepareProgramFolder({.startMini = 1, .miniToTray = 1, .masterPasswd = QString("pw")});
    ScriptedLogin login(std::nullopt);
    CVaultwickDlg dlg;
    RunMain(dlg, [&](CDialogEx&) {
        m_driver.ProcessEvents();
        EXPECT_FALSE(dlg.IsWindowVisible());
        EXPECT_TRUE(dlg.RunCommand("show"));  // what a second start sends
        EXPECT_EQ(login.calls(), 1);
        EXPECT_TRUE(dlg.IsWindowVisible());
        EXPECT_FALSE(dlg.IsIconic());

        dlg.ShowWindow(SW_MINIMIZE);
        EXPECT_TRUE(dlg.RunCommand("show"));
        EXPECT_TRUE(dlg.IsWindowVisible());
        EXPECT_FALSE(dlg.IsIconic());
        dlg.OnTrayCommand(IDCANCEL);
    });
}
