// The multi-language window base: registration, texts, combos, lists,
// fonts, size steps and the "Init Param Exception!" guard.
#include <QWidget>

#include "UiFixture.h"
#include "foundation/storage/SysHelpers.h"
#include "foundation/ui/BaseDlg.h"
#include "foundation/ui/BasePage.h"
#include "foundation/ui/ExListCtrl.h"
#include "support/DialogDriver.h"

namespace {

enum : int { IDD_T = 14000, IDC_LABEL = 14001, IDC_COMBO = 14002, IDC_LIST = 14003, IDC_OTHER_COMBO = 14004 };

const DialogTemplate kTemplate = {
    IDD_T, "Template caption", {0, 0, 200, 140},
    {
        {IDC_LABEL, Control::Static, "Label", {10, 20, 100, 25}},
        {IDC_COMBO, Control::ComboBox, "", {10, 50, 100, 60}},
        {IDC_OTHER_COMBO, Control::ComboBox, "", {110, 50, 80, 60}},
        {IDC_LIST, Control::ListCtrl, "list", {10, 70, 180, 40}},
        {IDOK, Control::Button, "OK", {80, 120, 50, 14}, Style::DefaultButton},
        {IDCANCEL, Control::Button, "Cancel", {140, 120, 50, 14}},
    }};

class CDlgBaseProbe : public CBaseDlg {
public:
    enum class Registration { Full, OwnIdOnly, UnknownControl };
    explicit CDlgBaseProbe(Registration r = Registration::Full) : CBaseDlg(kTemplate), m_registration(r) {}

    int m_initCount = 0;

protected:
    void InitResizeAndMultiLangParam_Individual() override
    {
        ++m_initCount;
        switch (m_registration) {
        case Registration::OwnIdOnly:
            RegisterItems({IDD_T}, {m_eWndType});
            break;
        case Registration::UnknownControl:
            RegisterItems({IDD_T, IDC_LABEL, 14999, IDOK}, {m_eWndType, WND_TYPE_TEXT, WND_TYPE_TEXT, WND_TYPE_TEXT});
            break;
        case Registration::Full:
            RegisterItems({IDD_T, IDC_LABEL, IDC_COMBO, IDC_OTHER_COMBO, IDC_LIST, IDOK},
                          {m_eWndType, WND_TYPE_TEXT, WND_TYPE_COMBO, WND_TYPE_COMBO, WND_TYPE_LIST, WND_TYPE_TEXT});
            break;
        }
    }
    BOOL OnInitDialog() override
    {
        CComboBox combo = GetDlgItem(IDC_COMBO);
        for (const char* item : {"a", "b", "c"})
            combo.AddString(item);
        combo.SetCurSel(1);
        CComboBox other = GetDlgItem(IDC_OTHER_COMBO);
        other.AddString("only");
        other.SetCurSel(0);
        CListCtrl list = GetDlgItem(IDC_LIST);
        list.InsertColumn(0, "Title", 100);
        list.InsertColumn(1, "User", 50);
        return TRUE;
    }

private:
    Registration m_registration;
};

QByteArray langXml(const QByteArray& firstColumn = "Titel")
{
    return R"(<Tessel><LanguageString>
  <Window ID="14000" Type="-3" Tip="Fenster">
    <ItemCtrl id="14001" Type="0">Beschriftung</ItemCtrl>
    <ItemCtrl id="14002" Type="3"><ComboItem id="0">x</ComboItem><ComboItem id="1">y</ComboItem><ComboItem id="2">z</ComboItem></ItemCtrl>
    <ItemCtrl id="14004" Type="3"><ComboItem id="0">eins</ComboItem><ComboItem id="1">zwei</ComboItem></ItemCtrl>
    <ItemCtrl id="14003" Type="2"><Column id="0">)" + firstColumn + R"(</Column><Column id="1">Benutzer</Column></ItemCtrl>
    <ItemCtrl id="1" Type="0">Gut</ItemCtrl>
  </Window></LanguageString></Tessel>)";
}

class WindowBaseTest : public UiTest {
protected:
    DialogDriver d;
};

TEST_F(WindowBaseTest, CombosTakeTranslatedItemsOnlyWhenTheCountsMatch)
{
    WriteLangFile("Lang_enu.xml", langXml());
    CDlgBaseProbe dlg;
    ASSERT_TRUE(d.Open(dlg));
    CComboBox combo = dlg.GetDlgItem(IDC_COMBO);
    ASSERT_EQ(combo.GetCount(), 3);
    EXPECT_EQ(combo.GetLBText(0), "x");
    EXPECT_EQ(combo.GetLBText(2), "z");
    EXPECT_EQ(combo.GetCurSel(), 1);
    CComboBox other = dlg.GetDlgItem(IDC_OTHER_COMBO);
    EXPECT_EQ(other.GetCount(), 1);
    EXPECT_EQ(other.GetLBText(0), "only");
    EXPECT_EQ(dlg.GetWindowText(), "Fenster");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_LABEL), "Beschriftung");
    EXPECT_EQ(dlg.GetDlgItemText(IDCANCEL), "Cancel");  // not registered
    QString caption;
    CExListCtrl(dlg.GetDlgItem(IDC_LIST)).GetColumnName(0, caption);
    EXPECT_EQ(caption, "Titel");
    EXPECT_TRUE(RegisteredIdsInLanguageFile(dlg, file("Lang_enu.xml")) == false);  // 14004 has 2 items, not 1
    d.Close(dlg);
}

TEST_F(WindowBaseTest, OwnIdOnlyGivesTheCaptionAndNothingElse)
{
    WriteLangFile("Lang_enu.xml", langXml());
    CDlgBaseProbe dlg(CDlgBaseProbe::Registration::OwnIdOnly);
    ASSERT_TRUE(d.Open(dlg));
    EXPECT_EQ(dlg.GetWindowText(), "Fenster");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_LABEL), "Label");
    EXPECT_EQ(CComboBox(dlg.GetDlgItem(IDC_COMBO)).GetLBText(0), "a");
    d.Close(dlg);
}

TEST_F(WindowBaseTest, ColumnCaptionOf256CharactersIsNotSet)
{
    WriteLangFile("Lang_enu.xml", langXml(QByteArray(256, 'W')));
    CDlgBaseProbe dlg;
    ASSERT_TRUE(d.Open(dlg));
    CExListCtrl list = dlg.GetDlgItem(IDC_LIST);
    QString caption;
    list.GetColumnName(0, caption);
    EXPECT_EQ(caption, "Title");
    list.GetColumnName(1, caption);
    EXPECT_EQ(caption, "Benutzer");
    d.Close(dlg);
}

TEST_F(WindowBaseTest, UnknownRegisteredIdIsReportedAndTheWindowKeepsItsTemplateTexts)
{
    WriteLangFile("Lang_enu.xml", langXml());
    CDlgBaseProbe dlg(CDlgBaseProbe::Registration::UnknownControl);
    ASSERT_TRUE(d.Open(dlg));
    EXPECT_EQ(d.MessageTexts(), QStringList{"Init Param Exception!"});
    EXPECT_EQ(dlg.GetWindowText(), "Template caption");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_LABEL), "Label");
    EXPECT_TRUE(dlg.GetItemIds().isEmpty());
    // Later activations and language changes do not trip over the arrays.
    CBaseResizeAndMultiLang::s_eLanguage = LANG_DEU;
    dlg.SendMessage(WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(d.MessageTexts().size(), 1);
    d.Close(dlg);
}

TEST_F(WindowBaseTest, ADialogObjectRunTwiceIsFilledBothTimes)
{
    WriteLangFile("Lang_enu.xml", langXml());
    CDlgBaseProbe dlg;
    for (int run = 0; run < 2; ++run) {
        d.RunModal(dlg, [&](CDialogEx&) {
            EXPECT_EQ(dlg.GetDlgItemText(IDC_LABEL), "Beschriftung") << "run " << run;
            EXPECT_EQ(CComboBox(dlg.GetDlgItem(IDC_COMBO)).GetLBText(0), "x") << "run " << run;
            dlg.EndDialog(IDOK);
        });
    }
    EXPECT_EQ(dlg.m_initCount, 2);
}

TEST_F(WindowBaseTest, ScalingRoundsEachEdgeOfTheDesignRectangle)
{
    const float f = 1.2f;
    EXPECT_EQ(CBaseResizeAndMultiLang::ScaleValue(10, f), 12);
    EXPECT_EQ(CBaseResizeAndMultiLang::ScaleValue(20, f), 24);
    EXPECT_EQ(CBaseResizeAndMultiLang::ScaleValue(110, f), 132);
    EXPECT_EQ(CBaseResizeAndMultiLang::ScaleValue(45, f), 54);
    // The product in single precision: 1.4f * 5 is 7.0000001, not a tie below.
    EXPECT_EQ(CBaseResizeAndMultiLang::ScaleValue(5, 1.4f), 7);
    EXPECT_EQ(CBaseResizeAndMultiLang::ScaleValue(3, 1.5f), 5);
}

TEST_F(WindowBaseTest, SizeStepsScaleControlsColumnsAndKeepTheWindowCentred)
{
    CBaseResizeAndMultiLang::s_bSizeSwitchOpened = 1;
    CDlgBaseProbe dlg;
    ASSERT_TRUE(d.Open(dlg));
    const CRect design = dlg.GetItemRects()[1];
    CRect before;
    dlg.GetWindowRect(before);
    CBaseResizeAndMultiLang::SetNewSize(1, &dlg);
    EXPECT_FLOAT_EQ(CBaseResizeAndMultiLang::s_fMultiple, 1.2f);
    EXPECT_EQ(CBaseResizeAndMultiLang::s_iTextFontSize, 12);
    dlg.SendMessage(WM_ACTIVATE, WA_ACTIVE, 0);
    CRect label;
    CWnd child = dlg.GetDlgItem(IDC_LABEL);
    child.GetWindowRect(label);
    dlg.ScreenToClient(label);
    EXPECT_EQ(label.left, CBaseResizeAndMultiLang::ScaleValue(design.left, 1.2f));
    EXPECT_EQ(label.bottom, CBaseResizeAndMultiLang::ScaleValue(design.bottom, 1.2f));
    EXPECT_EQ(CListCtrl(dlg.GetDlgItem(IDC_LIST)).GetColumnWidth(0), 120);
    EXPECT_EQ(dlg.GetCurrentSize(), 1);
    CRect after;
    dlg.GetWindowRect(after);
    EXPECT_NEAR(after.CenterPoint().x, before.CenterPoint().x, 1);
    EXPECT_NEAR(after.Width(), CBaseResizeAndMultiLang::ScaleValue(before.Width(), 1.2f), 1);
    LOGFONT lf;
    ASSERT_TRUE(CBaseResizeAndMultiLang::s_Font.GetLogFont(lf));
    EXPECT_EQ(lf.lfHeight, -((12 * dlg.GetLogPixelsY() + 36) / 72));
    EXPECT_EQ(lf.lfWeight, FW_NORMAL);
    d.Close(dlg);
    CBaseResizeAndMultiLang::SetNewSize(0, nullptr);
}

TEST_F(WindowBaseTest, FontFaceFollowsTheLanguage)
{
    CDlgBaseProbe dlg;
    ASSERT_TRUE(d.Open(dlg));
    LOGFONT lf;
    CBaseResizeAndMultiLang::s_eLanguage = LANG_CHS;
    CBaseResizeAndMultiLang::SetNewFont(&dlg);
    CBaseResizeAndMultiLang::s_Font.GetLogFont(lf);
    EXPECT_EQ(lf.lfFaceName, "宋体");
    CBaseResizeAndMultiLang::s_eLanguage = LANG_CHT;
    CBaseResizeAndMultiLang::SetNewFont(&dlg);
    CBaseResizeAndMultiLang::s_Font.GetLogFont(lf);
    EXPECT_EQ(lf.lfFaceName, "MingLiU");
    CBaseResizeAndMultiLang::s_eLanguage = LANG_ENU;
    CBaseResizeAndMultiLang::SetNewFont(&dlg);
    CBaseResizeAndMultiLang::s_Font.GetLogFont(lf);
    EXPECT_EQ(lf.lfFaceName, "Arial");
    CBaseResizeAndMultiLang::s_eLanguage = LANG_DEU;
    CBaseResizeAndMultiLang::SetNewFont(&dlg);
    CBaseResizeAndMultiLang::s_Font.GetLogFont(lf);
    EXPECT_EQ(lf.lfFaceName, "");
    // Faces that are not installed fall back to an installed one; the window keeps a font.
    dlg.GetDlgItem(IDC_LABEL).SetFont(&CBaseResizeAndMultiLang::s_Font);
    CBaseResizeAndMultiLang::s_eLanguage = LANG_CHS;
    CBaseResizeAndMultiLang::SetNewFont(&dlg);
    dlg.GetDlgItem(IDC_LABEL).SetFont(&CBaseResizeAndMultiLang::s_Font);
    LOGFONT applied;
    ASSERT_TRUE(dlg.GetDlgItem(IDC_LABEL).GetLogFont(applied));
    EXPECT_FALSE(applied.lfFaceName.isEmpty());
    d.Close(dlg);
}

TEST_F(WindowBaseTest, PointFontsBecomePixelHeightsAndUnknownFacesKeepAFace)
{
    CDlgBaseProbe dlg;
    ASSERT_TRUE(d.Open(dlg));
    CFont font;
    font.CreatePointFont(120, "No Such Face 123", FW_BOLD);
    CWnd label = dlg.GetDlgItem(IDC_LABEL);
    LOGFONT before;
    label.GetLogFont(before);
    label.SetFont(&font);
    LOGFONT after;
    ASSERT_TRUE(label.GetLogFont(after));
    EXPECT_EQ(after.lfHeight, -((120 * label.GetLogPixelsY() + 360) / 720));
    EXPECT_EQ(after.lfWeight, FW_BOLD);
    EXPECT_EQ(after.lfFaceName, before.lfFaceName);
    d.Close(dlg);
}

TEST_F(WindowBaseTest, WithoutScalingTheLanguageFontReachesTheControls)
{
    CDlgBaseProbe dlg;
    ASSERT_TRUE(d.Open(dlg));
    CBaseResizeAndMultiLang::s_eLanguage = LANG_CHS;
    dlg.SendMessage(WM_ACTIVATE, WA_ACTIVE, 0);
    LOGFONT expected;
    LOGFONT applied;
    CBaseResizeAndMultiLang::s_Font.GetLogFont(expected);
    dlg.GetDlgItem(IDC_LABEL).GetLogFont(applied);
    EXPECT_EQ(expected.lfFaceName, "宋体");
    EXPECT_EQ(applied.lfHeight, expected.lfHeight);
    d.Close(dlg);
}

} // namespace

namespace {

const DialogTemplate kPageTemplate = {
    10100, "Page", {0, 0, 120, 60}, {{14201, Control::Static, "Text", {5, 5, 100, 12}}}};

class CPageProbe : public CBasePage {
public:
    explicit CPageProbe(CDialogEx* sheet) : CBasePage(kPageTemplate, sheet) {}
    int m_after = 0;

protected:
    void InitResizeAndMultiLangParam_Individual() override
    {
        RegisterItems({10100, 14201}, {m_eWndType, WND_TYPE_TEXT});
    }
    void AfterInitDialog() override { ++m_after; }
};

TEST_F(WindowBaseTest, PageTakesItsTitleAndNamesItselfInTheSheetCaption)
{
    WriteLangFile("Lang_enu.xml", R"(<Tessel><LanguageString>
  <Window ID="10100" Type="-2" Tip="Einstellungen"><ItemCtrl id="14201" Type="0">Seite</ItemCtrl></Window>
</LanguageString></Tessel>)");
    CDlgBaseProbe sheet;
    ASSERT_TRUE(d.Open(sheet));
    CPageProbe page(&sheet);
    ASSERT_TRUE(d.Open(page));
    d.ProcessEvents();
    EXPECT_EQ(page.GetWndType(), WND_TYPE_PAGE);
    EXPECT_EQ(page.m_after, 1);
    EXPECT_EQ(page.GetDlgItemText(14201), "Seite");
    EXPECT_EQ(page.GetPageTitle(), "Einstellungen");
    EXPECT_TRUE(sheet.GetWindowText().endsWith(" - Einstellungen"));
    d.Close(page);
    d.Close(sheet);
}

TEST_F(WindowBaseTest, PageTitlesReplaceOnlyTheTitlesTheFileHas)
{
    WriteLangFile("Lang_enu.xml", R"(<Tessel><LanguageString>
  <Window ID="10100" Type="-2" Tip="Einstellungen"/><Window ID="10400" Type="-3" Tip="Kein Titel"/>
</LanguageString></Tessel>)");
    const QString savedSet = g_strTitleSet;
    const QString savedAbout = g_strTitleAbout;
    CBaseResizeAndMultiLang::GetPageTitles();
    EXPECT_EQ(g_strTitleSet, "Einstellungen");
    EXPECT_EQ(g_strTitleAbout, savedAbout);  // a dialog, not a page
    g_strTitleSet = savedSet;
}

} // namespace
