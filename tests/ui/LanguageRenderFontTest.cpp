// Every language is shown in fonts that draw all of its letters, and Arabic
// windows read from the right.
#include <QFile>
#include <QFontInfo>
#include <QWidget>
#include <QXmlStreamReader>

#include "LanguageRenderCheck.h"
#include "SampleDlg.h"
#include "UiFixture.h"
#include "foundation/storage/Language.h"
#include "platform/Fonts.h"
#include "support/DialogDriver.h"

namespace {

// Every text of a language file: element texts and Tip attributes.
QString AllTexts(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QString all;
    QXmlStreamReader xml(&f);
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isCharacters() && !xml.isWhitespace())
            all += xml.text();
        else if (xml.isStartElement())
            all += xml.attributes().value(QLatin1String("Tip"));
    }
    return all;
}

class LanguageRenderFontTest : public UiTest {
protected:
    DialogDriver d;

    void ShipAllLanguages()
    {
        for (int i = 0; i < g_iLangNum; ++i)
            QFile::copy(VW_SOURCE_DIR "/lang/" + GetLangFile(i), file(GetLangFile(i)));
    }
    QRect Geometry(CDlgSample& dlg, int id) { return dlg.GetDlgItem(id).GetWidget()->geometry(); }
};

// A missing font package shows here as the letters it would have drawn.
TEST_F(LanguageRenderFontTest, EveryLanguageWindowHasAFontForEveryLetterOfItsFile)
{
    ShipAllLanguages();
    for (int lang = LANG_ENU; lang < g_iLangNum; ++lang) {
        SCOPED_TRACE(GetLangFile(lang).toStdString());
        const QString texts = AllTexts(file(GetLangFile(lang)));
        ASSERT_GT(texts.size(), 1000);
        CBaseResizeAndMultiLang::s_eLanguage = ENUM_LANGUAGE(lang);
        CDlgSample dlg;
        ASSERT_TRUE(d.Open(dlg));
        const QFont font = dlg.GetDlgItem(CDlgSample::IDC_SEARCH).GetWidget()->font();
        EXPECT_EQ(langcheck::LettersWithoutFont(font, texts), QString()) << font.families().join(", ").toStdString();
        d.Close(dlg);
    }
}

TEST_F(LanguageRenderFontTest, LanguageFacesResolveToInstalledFonts)
{
    ShipAllLanguages();
    const auto firstFamily = [&](ENUM_LANGUAGE lang) {
        CBaseResizeAndMultiLang::s_eLanguage = lang;
        CDlgSample dlg;
        EXPECT_TRUE(d.Open(dlg));
        const QFont font = dlg.GetDlgItem(CDlgSample::IDC_SEARCH).GetWidget()->font();
        d.Close(dlg);
        return QFontInfo(font).family();
    };
    EXPECT_EQ(firstFamily(LANG_CHS), "WenQuanYi Micro Hei");
    EXPECT_EQ(firstFamily(LANG_CHT), "WenQuanYi Micro Hei");
    EXPECT_TRUE(platform::FamiliesForFace("Arial").contains(firstFamily(LANG_ENU)));
    // The Windows names resolve wherever a widget names them directly.
    EXPECT_EQ(QFontInfo(QFont(QStringLiteral("宋体"))).family(), "WenQuanYi Micro Hei");
    EXPECT_EQ(QFontInfo(QFont(QStringLiteral("MingLiU"))).family(), "WenQuanYi Micro Hei");
    // An unknown face keeps the window's face, still with the script fonts behind it.
    const QStringList unknown =
        platform::FontFromLogFont(LOGFONT{-12, 400, false, "No Such Face"}, QFont("DejaVu Sans")).families();
    ASSERT_FALSE(unknown.isEmpty());
    EXPECT_EQ(unknown.first(), "DejaVu Sans");
    EXPECT_TRUE(unknown.contains("Noto Sans Arabic"));
}

TEST_F(LanguageRenderFontTest, ArabicWindowsAreMirroredAndTurnBackOnALanguageChange)
{
    ShipAllLanguages();
    QList<QRect> english;
    const QList<int> ids = {CDlgSample::IDC_KEYWORDS, CDlgSample::IDC_SEARCH, CDlgSample::IDC_LIST,
                            CDlgSample::IDC_CHECK_ALL};
    {
        CDlgSample dlg;
        ASSERT_TRUE(d.Open(dlg));
        EXPECT_EQ(dlg.GetWidget()->layoutDirection(), Qt::LeftToRight);
        for (int id : ids)
            english << Geometry(dlg, id);
        d.Close(dlg);
    }
    CBaseResizeAndMultiLang::s_eLanguage = LANG_ARA;
    CDlgSample dlg;
    ASSERT_TRUE(d.Open(dlg));
    QWidget* host = dlg.GetWidget();
    EXPECT_EQ(host->layoutDirection(), Qt::RightToLeft);
    for (int i = 0; i < ids.size(); ++i) {
        QWidget* w = dlg.GetDlgItem(ids[i]).GetWidget();
        EXPECT_EQ(w->layoutDirection(), Qt::RightToLeft) << ids[i];  // edits and the list mirror too
        const QRect& e = english[i];
        EXPECT_EQ(w->geometry(), QRect(host->width() - e.x() - e.width(), e.y(), e.width(), e.height())) << ids[i];
    }
    // Back to English while the window stays open.
    CBaseResizeAndMultiLang::s_eLanguage = LANG_ENU;
    d.DeactivateAll();
    d.Activate(dlg);
    EXPECT_EQ(host->layoutDirection(), Qt::LeftToRight);
    for (int i = 0; i < ids.size(); ++i) {
        EXPECT_EQ(Geometry(dlg, ids[i]), english[i]) << ids[i];
        EXPECT_EQ(dlg.GetDlgItem(ids[i]).GetWidget()->layoutDirection(), Qt::LeftToRight);
    }
    d.Close(dlg);
}

// Size steps move the controls: in Arabic they land on the mirrored places.
TEST_F(LanguageRenderFontTest, ScaledArabicWindowKeepsItsControlsMirrored)
{
    ShipAllLanguages();
    CBaseResizeAndMultiLang::s_bSizeSwitchOpened = 1;
    CBaseResizeAndMultiLang::s_eLanguage = LANG_ARA;
    CDlgSample dlg;
    ASSERT_TRUE(d.Open(dlg));
    CBaseResizeAndMultiLang::s_iSize = 1;
    CBaseResizeAndMultiLang::s_fMultiple = 1.2f;
    d.DeactivateAll();
    d.Activate(dlg);
    QWidget* host = dlg.GetWidget();
    const QRect search = Geometry(dlg, CDlgSample::IDC_SEARCH);
    const QRect keywords = Geometry(dlg, CDlgSample::IDC_KEYWORDS);
    // In the template the search button is right of the keywords edit.
    EXPECT_LT(search.right(), keywords.left());
    EXPECT_LE(search.right(), host->width());
    EXPECT_GE(search.left(), 0);
    d.Close(dlg);
    CBaseResizeAndMultiLang::s_iSize = 0;
    CBaseResizeAndMultiLang::s_fMultiple = 1.0f;
}

} // namespace
