// The dialog framework through the test driver, on the sample dialog.
#include <QFile>
#include <QImage>
#include <QWidget>

#include "SampleDlg.h"
#include "UiFixture.h"
#include "support/DialogDriver.h"

namespace {

class DialogFrameworkTest : public UiTest {
protected:
    DialogDriver d;
};

const QByteArray kGermanish = R"(<?xml version="1.0" encoding="UTF-8"?>
<Tessel><LanguageString>
  <Window ID="13200" Type="-3" Tip="Kennwortsuche">
    <ItemCtrl id="13202" Type="0">Suchen</ItemCtrl>
    <ItemCtrl id="13203" Type="2"><Column id="0">Titel</Column><Column id="1">Benutzer</Column>
      <Column id="2">Kennwort</Column><Column id="3">Adresse</Column><Column id="4">E-Mail</Column>
      <Column id="5">Notizen</Column></ItemCtrl>
    <ItemCtrl id="13205" Type="0">Kennwort zeigen</ItemCtrl>
    <OtherString id="1320007">&amp;Bearbeiten</OtherString>
  </Window>
</LanguageString></Tessel>)";

TEST_F(DialogFrameworkTest, ModalRunReturnsTheEndDialogResult)
{
    CDlgSample dlg;
    EXPECT_EQ(d.RunModal(dlg, [&](CDialogEx&) { d.Click(dlg, IDCANCEL); }), IDCANCEL);
    CDlgSample again;
    EXPECT_EQ(d.RunModal(again, [&](CDialogEx& x) { x.EndDialog(IDOK); }), IDOK);
    EXPECT_FALSE(again.IsRunning());
}

TEST_F(DialogFrameworkTest, TextsComeFromTheLanguageFileBeforeTheFirstShow)
{
    WriteLangFile("Lang_enu.xml", kGermanish);
    CDlgSample dlg;
    d.RunModal(dlg, [&](CDialogEx&) {
        EXPECT_EQ(dlg.GetWindowText(), "Kennwortsuche");
        EXPECT_EQ(dlg.GetDlgItemText(CDlgSample::IDC_SEARCH), "Suchen");
        EXPECT_EQ(dlg.GetDlgItemText(CDlgSample::IDC_SHOW_PASSWD), "Kennwort zeigen");
        // Not in the file: the template's English stays.
        EXPECT_EQ(dlg.GetDlgItemText(CDlgSample::IDC_CHECK_ALL), "Check All");
        QString caption;
        CExListCtrl(dlg.GetDlgItem(CDlgSample::IDC_LIST)).GetColumnName(1, caption);
        EXPECT_EQ(caption, "Benutzer");
        // The first position change acted once, before the window was shown.
        EXPECT_GE(dlg.m_posChanges, 1);
        EXPECT_GE(dlg.m_activations, 1);
        EXPECT_TRUE(dlg.GetDlgItem(CDlgSample::IDC_KEYWORDS).HasFocus());
        dlg.EndDialog(IDOK);
    });
}

TEST_F(DialogFrameworkTest, MissingLanguageFileKeepsEnglishTemplateTexts)
{
    CDlgSample dlg;
    d.RunModal(dlg, [&](CDialogEx&) {
        EXPECT_EQ(dlg.GetWindowText(), "Passwd Query");
        EXPECT_EQ(dlg.GetDlgItemText(CDlgSample::IDC_SEARCH), "Search");
        dlg.EndDialog(IDOK);
    });
}

TEST_F(DialogFrameworkTest, LanguageSwitchReachesAnOpenWindowOnActivation)
{
    WriteLangFile("Lang_deu.xml", kGermanish);
    CDlgSample dlg;
    ASSERT_TRUE(d.Open(dlg));
    EXPECT_EQ(dlg.GetDlgItemText(CDlgSample::IDC_SEARCH), "Search");
    CRect before;
    dlg.GetWindowRect(before);
    CBaseResizeAndMultiLang::s_eLanguage = LANG_DEU;
    dlg.SendMessage(WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(dlg.GetDlgItemText(CDlgSample::IDC_SEARCH), "Suchen");
    EXPECT_EQ(dlg.GetLang(), LANG_DEU);
    CRect after;
    dlg.GetWindowRect(after);
    EXPECT_EQ(before, after);  // scaling off: texts and font change, the window stays
    CBaseResizeAndMultiLang::s_eLanguage = LANG_ENU;
    d.Close(dlg);
}

TEST_F(DialogFrameworkTest, LeavingAndReturningIsOneDeactivationAndOneActivation)
{
    CDlgSample dlg;
    d.RunModal(dlg, [&](CDialogEx&) {
        const int before = dlg.m_activations;
        d.Activate(dlg);  // already active: nothing new
        EXPECT_EQ(dlg.m_activations, before);
        d.DeactivateAll();
        d.Activate(dlg);
        EXPECT_EQ(dlg.m_activations, before + 1);
        dlg.EndDialog(IDOK);
    });
}

TEST_F(DialogFrameworkTest, HiddenModalWindowKeepsRunningItsTimersAndMessages)
{
    CDlgSample dlg;
    const int result = d.RunModal(dlg, [&](CDialogEx&) {
        dlg.ShowWindow(SW_HIDE);
        d.ProcessEvents();
        EXPECT_TRUE(dlg.IsRunning());
        EXPECT_FALSE(dlg.IsWindowVisible());
        dlg.PostMessage(WM_SETTIMER_REQUEST, 3, 10000);
        d.ProcessEvents();
        EXPECT_EQ(dlg.GetTimerElapse(3), 10000);
        dlg.ShowWindow(SW_SHOW);
        EXPECT_TRUE(dlg.IsWindowVisible());
        dlg.EndDialog(IDOK);
    });
    EXPECT_EQ(result, IDOK);
}

TEST_F(DialogFrameworkTest, EndingTheOuterDialogWhileAnInnerOneRunsEndsBothInTurn)
{
    CDlgSample outer;
    CDlgSample inner(&outer);
    d.AnswerNextDialog([&](CDialogEx&) {
        outer.EndDialog(IDCANCEL);  // e.g. from a timer of the outer window
        EXPECT_TRUE(inner.IsRunning());
        inner.EndDialog(IDOK);
    });
    int innerResult = 0;
    const int outerResult = d.RunModal(outer, [&](CDialogEx&) { innerResult = inner.DoModal(); });
    EXPECT_EQ(innerResult, IDOK);
    EXPECT_EQ(outerResult, IDCANCEL);
}

TEST_F(DialogFrameworkTest, KeyHookSeesKeysBeforeTheControlsAndEnterIsConsumed)
{
    CDlgSample dlg;
    d.RunModal(dlg, [&](CDialogEx&) {
        d.Type(dlg, CDlgSample::IDC_KEYWORDS, "ab");
        EXPECT_EQ(dlg.GetDlgItemText(CDlgSample::IDC_KEYWORDS), "ab");
        EXPECT_TRUE(dlg.m_keysSeen.contains('A'));
        EXPECT_TRUE(dlg.m_keysSeen.contains('B'));
        d.PressKey(dlg, VK_RETURN);
        EXPECT_EQ(dlg.m_searches, 1);
        EXPECT_EQ(dlg.m_lastKeywords, "ab");
        EXPECT_TRUE(dlg.IsRunning());  // the hook consumed Enter: no default button press
        d.PressKey(dlg, VK_ESCAPE);     // Escape is Cancel
    });
    EXPECT_EQ(dlg.m_searches, 1);
}

TEST_F(DialogFrameworkTest, TimersFireOnDemandAndStopWhenKilled)
{
    CDlgSample dlg;
    ASSERT_TRUE(d.Open(dlg));
    EXPECT_FALSE(d.FireTimer(dlg, CDlgSample::TIMER_HIDE_NOTICE));
    d.Click(dlg, CDlgSample::IDC_SEARCH);
    EXPECT_TRUE(dlg.GetDlgItem(CDlgSample::IDC_NOTICE).IsWindowVisible());
    EXPECT_EQ(dlg.GetTimerElapse(CDlgSample::TIMER_HIDE_NOTICE), 4500);
    EXPECT_TRUE(d.FireTimer(dlg, CDlgSample::TIMER_HIDE_NOTICE));
    EXPECT_FALSE(dlg.GetDlgItem(CDlgSample::IDC_NOTICE).IsWindowVisible());
    EXPECT_EQ(dlg.GetTimerElapse(CDlgSample::TIMER_HIDE_NOTICE), -1);
    d.Close(dlg);
}

TEST_F(DialogFrameworkTest, PostedPrivateMessageArrivesWithItsParameters)
{
    CDlgSample dlg;
    ASSERT_TRUE(d.Open(dlg));
    dlg.PostMessage(WM_SETTIMER_REQUEST, 3, 10000);
    EXPECT_EQ(dlg.m_lastPrivate, 0);  // queued, not sent
    d.ProcessEvents();
    EXPECT_EQ(dlg.m_lastPrivate, 1);
    EXPECT_EQ(dlg.GetTimerElapse(3), 10000);
    d.Close(dlg);
    EXPECT_FALSE(dlg.PostMessage(WM_SETTIMER_REQUEST, 3, 10000));
}

TEST_F(DialogFrameworkTest, NestedModalDialogsAndMessageBoxesAreAnsweredInOrder)
{
    CDlgSample outer;
    CDlgSample inner(&outer);
    d.AnswerNextDialog([&](CDialogEx& dlg) {
        EXPECT_EQ(&dlg, &inner);
        d.Type(dlg, CDlgSample::IDC_KEYWORDS, "x");
        dlg.EndDialog(IDOK);
    });
    d.AnswerNextMessageBox(IDNO);
    int innerResult = 0;
    int boxResult = 0;
    d.RunModal(outer, [&](CDialogEx&) {
        innerResult = inner.DoModal();
        boxResult = platform::ShowMessageBox("Delete?", QString(), MB_YESNO);
        outer.EndDialog(IDOK);
    });
    EXPECT_EQ(innerResult, IDOK);
    EXPECT_EQ(inner.m_lastKeywords, "");
    EXPECT_EQ(boxResult, IDNO);
    EXPECT_EQ(d.MessageTexts(), QStringList{"Delete?"});
    EXPECT_EQ(d.Log(), (QStringList{"dialog 13200", "dialog 13200", "box: Delete?", "dialog 13200 -> 1"}));
}

TEST_F(DialogFrameworkTest, ListNotificationsCheckBoxesAndPopupMenu)
{
    WriteLangFile("Lang_enu.xml", kGermanish);
    CDlgSample dlg;
    ASSERT_TRUE(d.Open(dlg));
    CListCtrl list = dlg.GetDlgItem(CDlgSample::IDC_LIST);
    for (int i = 0; i < 3; ++i) {
        const int row = list.InsertItem(i, QStringLiteral("t%1").arg(i));
        list.SetItemText(row, 1, QStringLiteral("u%1").arg(i));
    }
    d.SelectListRow(dlg, CDlgSample::IDC_LIST, 2);
    EXPECT_EQ(dlg.m_selectedRows, QList<int>{2});
    EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), 2);
    d.DoubleClickListRow(dlg, CDlgSample::IDC_LIST, 1);
    EXPECT_EQ(dlg.m_doubleClicked, 1);

    d.ToggleListCheck(dlg, CDlgSample::IDC_LIST, 0);
    EXPECT_EQ(dlg.IsDlgButtonChecked(CDlgSample::IDC_CHECK_ALL), UINT(BST_INDETERMINATE));
    EXPECT_TRUE(dlg.GetDlgItem(CDlgSample::IDC_DELETE_CHECKED).IsWindowEnabled());

    d.AnswerNextMenu(32780);
    d.RightClickListRow(dlg, CDlgSample::IDC_LIST, 1);
    EXPECT_EQ(dlg.m_menuChoice, 32780u);
    ASSERT_EQ(d.Menus().size(), 1u);
    EXPECT_EQ(d.Menus()[0][0].text, "&Bearbeiten");
    EXPECT_TRUE(d.Menus()[0][2].enabled);

    d.Click(dlg, CDlgSample::IDC_DELETE_CHECKED);
    EXPECT_EQ(list.GetItemCount(), 2);
    EXPECT_EQ(list.GetItemText(0, 1), "u1");
    d.Close(dlg);
}

TEST_F(DialogFrameworkTest, ThreeStateCheckBoxCyclesAsOnWindows)
{
    CDlgSample dlg;
    ASSERT_TRUE(d.Open(dlg));
    CListCtrl list = dlg.GetDlgItem(CDlgSample::IDC_LIST);
    list.InsertItem(0, "a");
    list.InsertItem(1, "b");
    d.Click(dlg, CDlgSample::IDC_CHECK_ALL);  // unchecked -> checked: every row checked
    EXPECT_TRUE(list.GetCheck(0) && list.GetCheck(1));
    EXPECT_EQ(dlg.IsDlgButtonChecked(CDlgSample::IDC_CHECK_ALL), UINT(BST_CHECKED));
    d.Click(dlg, CDlgSample::IDC_CHECK_ALL);  // checked -> indeterminate: the handler clears all
    EXPECT_FALSE(list.GetCheck(0) || list.GetCheck(1));
    EXPECT_EQ(dlg.IsDlgButtonChecked(CDlgSample::IDC_CHECK_ALL), UINT(BST_UNCHECKED));
    d.Close(dlg);
}

TEST_F(DialogFrameworkTest, ScreenshotOfTheSampleWithLanguageTexts)
{
    QFile::copy(VW_SOURCE_DIR "/lang/Lang_enu.xml", file("Lang_enu.xml"));
    CDlgSample dlg;
    ASSERT_TRUE(d.Open(dlg));
    CListCtrl list = dlg.GetDlgItem(CDlgSample::IDC_LIST);
    list.InsertItem(0, "Bank");
    list.SetItemText(0, 1, "alice");
    list.SetItemText(0, 2, "********");
    d.Click(dlg, CDlgSample::IDC_SEARCH);
    const QString png = "/tmp/vaultwick-sample-dialog.png";
    ASSERT_TRUE(d.SaveScreenshot(dlg, png));
    const QImage image(png);
    EXPECT_EQ(image.width(), dlg.GetWidget()->width());
    EXPECT_TRUE(RegisteredIdsInLanguageFile(dlg, file("Lang_enu.xml")));
    EXPECT_TRUE(MessageIdsInLanguageFile({{13200, 1320007}, {0, 1003}}, file("Lang_enu.xml")));
    EXPECT_FALSE(MessageIdsInLanguageFile({{13200, 1329999}}, file("Lang_enu.xml")));
    d.Close(dlg);
}

} // namespace

namespace {

TEST_F(DialogFrameworkTest, ChineseTextsRenderWithAnInstalledStandInForTheLanguageFont)
{
    WriteLangFile("Lang_chs.xml", R"(<Tessel><LanguageString>
  <Window ID="13200" Type="-3" Tip="密码查询">
    <ItemCtrl id="13202" Type="0">搜索</ItemCtrl>
    <ItemCtrl id="13205" Type="0">显示密码</ItemCtrl>
    <ItemCtrl id="13211" Type="0">全选</ItemCtrl>
    <ItemCtrl id="13203" Type="2"><Column id="0">标题</Column><Column id="1">用户名</Column><Column id="2">密码</Column>
      <Column id="3">网址</Column><Column id="4">电子邮件</Column><Column id="5">备注</Column></ItemCtrl>
  </Window></LanguageString></Tessel>)");
    CBaseResizeAndMultiLang::s_eLanguage = LANG_CHS;
    CDlgSample dlg;
    ASSERT_TRUE(d.Open(dlg));
    EXPECT_EQ(dlg.GetDlgItemText(CDlgSample::IDC_SEARCH), "搜索");
    LOGFONT lf;
    ASSERT_TRUE(dlg.GetDlgItem(CDlgSample::IDC_SEARCH).GetLogFont(lf));
    EXPECT_FALSE(lf.lfFaceName.isEmpty());
    EXPECT_TRUE(d.SaveScreenshot(dlg, "/tmp/vaultwick-sample-chs.png"));
    d.Close(dlg);
}

} // namespace
