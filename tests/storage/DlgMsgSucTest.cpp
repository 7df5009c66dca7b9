#include "foundation/storage/DlgMsgSuc.h"
#include "support/DialogDriver.h"
#include "ui/UiFixture.h"

namespace {

class DlgMsgSucTest : public UiTest {
protected:
    DialogDriver d;
};

TEST_F(DlgMsgSucTest, ShowsTheCallersTextAndEndsWithOk)
{
    ASSERT_TRUE(QFile::copy(VW_SOURCE_DIR "/lang/Lang_enu.xml", file("Lang_enu.xml")));
    const QString report = "Import finished!\r\nEntries read: 3; entries imported: 3.\r\nR&D 100%";
    CDlgMsgSuc dlg(report, 1);
    const int r = d.RunModal(dlg, [&](CDialogEx&) {
        EXPECT_EQ(dlg.GetWindowText(), "Import finished");
        // The text is the caller's, kept through the language fill; '&' is not a mnemonic.
        EXPECT_EQ(dlg.GetDlgItemText(CDlgMsgSuc::IDC_MESSAGE).remove('&'), QString(report).remove('&'));
        EXPECT_TRUE(dlg.GetDlgItem(CDlgMsgSuc::IDC_OK).IsWindowVisible());
        d.SaveScreenshot(dlg, "/tmp/vw-msgsuc.png");
        d.Click(dlg, CDlgMsgSuc::IDC_OK);
    });
    EXPECT_EQ(r, IDOK);
    EXPECT_TRUE(RegisteredIdsInLanguageFile(dlg, VW_SOURCE_DIR "/lang/Lang_enu.xml"));
}

TEST_F(DlgMsgSucTest, FlagZeroShowsNoButton)
{
    CDlgMsgSuc dlg("Done", 0);
    d.RunModal(dlg, [&](CDialogEx&) {
        EXPECT_FALSE(dlg.GetDlgItem(CDlgMsgSuc::IDC_OK).IsWindowVisible());
        dlg.SendMessage(WM_CLOSE);
    });
    EXPECT_FALSE(dlg.IsRunning());
}

TEST_F(DlgMsgSucTest, ALongReportMakesTheWindowTallerAndKeepsTheButtonBelowIt)
{
    const auto run = [this](const QString& text, CRect& window, CRect& message, CRect& ok) {
        CDlgMsgSuc dlg(text, 1);
        d.RunModal(dlg, [&](CDialogEx&) {
            dlg.GetClientRect(window);
            dlg.GetDlgItem(CDlgMsgSuc::IDC_MESSAGE).GetWindowRect(message);
            dlg.ScreenToClient(message);
            dlg.GetDlgItem(CDlgMsgSuc::IDC_OK).GetWindowRect(ok);
            dlg.ScreenToClient(ok);
            EXPECT_GE(message.Height(), dlg.GetDlgItem(CDlgMsgSuc::IDC_MESSAGE).GetHeightForWidth(message.Width()));
            d.Click(dlg, CDlgMsgSuc::IDC_OK);
        });
    };
    CRect shortWindow, shortMessage, shortOk;
    run("Done", shortWindow, shortMessage, shortOk);
    QString report = "Import finished!";
    for (int i = 0; i < 12; ++i)
        report += QStringLiteral("\r\nLine %1 of a long report, long enough to be broken in two.").arg(i);
    CRect window, message, ok;
    run(report, window, message, ok);
    EXPECT_GT(window.Height(), shortWindow.Height());
    EXPECT_EQ(window.Width(), shortWindow.Width());
    EXPECT_GE(ok.top, message.bottom);
    EXPECT_LE(ok.bottom, window.bottom);
}

} // namespace
