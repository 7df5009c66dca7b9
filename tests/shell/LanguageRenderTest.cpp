// The main settings window in every language, chosen as the user chooses it
// (the language list): rendered to PNGs (under /tmp/vw-lang, or
// VW_SCREENSHOT_DIR) and checked for texts that do not fit their controls.
#include <QWidget>

#include "SettingsFixture.h"
#include "foundation/storage/Language.h"
#include "ui/LanguageRenderCheck.h"

namespace {

using D = CVaultwickDlg;

class LanguageRenderSettingsTest : public SettingsFixture {};

TEST_F(LanguageRenderSettingsTest, SettingsWindowFitsEveryLanguageAndArabicReadsFromTheRight)
{
    for (int i = 1; i < g_iLangNum; ++i)
        ShipLanguage(GetLangFile(i));
    PrepareProgramFolder({});
    const QString dir = langcheck::RenderDir();
    QStringList clipped;
    CVaultwickDlg dlg;
    RunMain(dlg, [&](CDialogEx&) {
        Settle(dlg);
        CComboBox list = dlg.GetDlgItem(D::IDC_LANGUAGE);
        for (int i = 0; i < list.GetCount(); ++i) {
            m_driver.SelectComboItem(dlg, D::IDC_LANGUAGE, i);
            const ENUM_LANGUAGE lang = GetLangByStr(list.GetLBText(i));
            ASSERT_EQ(CBaseResizeAndMultiLang::s_eLanguage, lang);
            const QString code = GetLangFile(lang).mid(5, 3);
            EXPECT_EQ(dlg.GetWidget()->layoutDirection(), lang == LANG_ARA ? Qt::RightToLeft : Qt::LeftToRight)
                << code.toStdString();
            EXPECT_TRUE(m_driver.SaveScreenshot(dlg, QStringLiteral("%1/settings-%2.png").arg(dir, code)));
            for (const QString& c : langcheck::ClippedTexts(dlg))
                clipped << code + ": " + c;
        }
        dlg.OnTrayCommand(IDCANCEL);
    });
    EXPECT_TRUE(clipped.isEmpty()) << clipped.join('\n').toStdString();
}

} // namespace
