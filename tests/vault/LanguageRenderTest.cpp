// The query window and the entry editor in every language: rendered to
// PNGs (under /tmp/vw-lang, or VW_SCREENSHOT_DIR) and checked for texts
// that do not fit their controls.
#include "QueryDlgFixture.h"
#include "foundation/storage/Language.h"
#include "ui/LanguageRenderCheck.h"
#include "vault/DlgChangePasswd.h"
#include "vault/DlgConfirmPasswd.h"
#include "vault/DlgDbLogin.h"
#include "vault/DlgPwGenOptions.h"
#include "vault/DlgSetPasswd.h"

namespace {

class LanguageRenderTest : public QueryDlgTest {
protected:
    void SetUp() override
    {
        QueryDlgTest::SetUp();
        for (int i = 0; i < g_iLangNum; ++i)
            ASSERT_TRUE(QFile::copy(VW_SOURCE_DIR "/lang/" + GetLangFile(i), file(GetLangFile(i))));
        m_dir = langcheck::RenderDir();
        m_savedSwitch = CBaseResizeAndMultiLang::s_bSizeSwitchOpened;
        CBaseResizeAndMultiLang::s_bSizeSwitchOpened = 0;  // as the program runs
    }
    void TearDown() override
    {
        CBaseResizeAndMultiLang::s_eLanguage = LANG_ENU;
        CBaseResizeAndMultiLang::s_bSizeSwitchOpened = m_savedSwitch;
        QueryDlgTest::TearDown();
    }

    // Runs `dlg` in every language; collects what does not fit.
    template <typename Dlg, typename Make>
    QStringList RenderAll(const QString& name, Make make)
    {
        QStringList clipped;
        for (int lang = LANG_ENU; lang < g_iLangNum; ++lang) {
            CBaseResizeAndMultiLang::s_eLanguage = ENUM_LANGUAGE(lang);
            // As after a choice on the settings page: the language file is loaded
            // before any window asks it for a message text.
            CBaseResizeAndMultiLang::GetPageTitles();
            const QString code = GetLangFile(lang).mid(5, 3);
            std::unique_ptr<Dlg> dlg = make();
            d.RunModal(*dlg, [&](CDialogEx&) {
                EXPECT_EQ(dlg->GetWidget()->layoutDirection(), lang == LANG_ARA ? Qt::RightToLeft : Qt::LeftToRight);
                EXPECT_TRUE(d.SaveScreenshot(*dlg, QStringLiteral("%1/%2-%3.png").arg(m_dir, name, code)));
                for (const QString& c : langcheck::ClippedTexts(*dlg))
                    clipped << code + ": " + c;
                dlg->EndDialog(IDCANCEL);
            });
        }
        return clipped;
    }

    QString m_dir;
    int m_savedSwitch = 0;
};

TEST_F(LanguageRenderTest, QueryWindowFitsEveryLanguage)
{
    const QStringList clipped =
        RenderAll<CDlgPasswdQuery>("query", [&] { return std::make_unique<CDlgPasswdQuery>(0, &m_main); });
    EXPECT_TRUE(clipped.isEmpty()) << clipped.join('\n').toStdString();
}

// The hint line that says the master password is needed, in the notices' place.
TEST_F(LanguageRenderTest, QueryWindowWhileThePasswordIsDueFitsEveryLanguage)
{
    protect(FREQ_10_SECONDS);
    const QStringList clipped =
        RenderAll<CDlgPasswdQuery>("query-due", [&] { return std::make_unique<CDlgPasswdQuery>(0, &m_main); });
    EXPECT_TRUE(clipped.isEmpty()) << clipped.join('\n').toStdString();
}

TEST_F(LanguageRenderTest, EntryEditorFitsEveryLanguage)
{
    const QStringList clipped = RenderAll<CDlgEditEntry>("editor", [] { return std::make_unique<CDlgEditEntry>(); });
    EXPECT_TRUE(clipped.isEmpty()) << clipped.join('\n').toStdString();
}

TEST_F(LanguageRenderTest, GeneratorOptionsAndPasswordPromptsFitEveryLanguage)
{
    QStringList clipped = RenderAll<CDlgPwGenOptions>(
        "generator", [] { return std::make_unique<CDlgPwGenOptions>(StPwGenOptions{}); });
    // Of the prompts, the show-password check boxes.
    QStringList prompts;
    prompts += RenderAll<CDlgDbLogin>("login", [] { return std::make_unique<CDlgDbLogin>(g_pSqlite); });
    prompts += RenderAll<CDlgConfirmPasswd>("confirm", [] { return std::make_unique<CDlgConfirmPasswd>(); });
    prompts += RenderAll<CDlgSetPasswd>("setpasswd", [] { return std::make_unique<CDlgSetPasswd>(); });
    prompts += RenderAll<CDlgChangePasswd>("changepasswd", [] { return std::make_unique<CDlgChangePasswd>(); });
    for (int id : {int(CDlgDbLogin::IDC_SHOW_PASSWD), int(CDlgConfirmPasswd::IDC_SHOW_PASSWD), int(CDlgSetPasswd::IDC_SHOW_PASSWD),
                   int(CDlgChangePasswd::IDC_SHOW_PASSWD)})
        clipped += prompts.filter(QStringLiteral(": %1 ").arg(id));
    EXPECT_TRUE(clipped.isEmpty()) << clipped.join('\n').toStdString();
}

} // namespace
