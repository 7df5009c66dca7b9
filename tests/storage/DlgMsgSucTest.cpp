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
        EXPECT_EQ(dlg.GetWindowText(), "Successfully");
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

} // namespace
