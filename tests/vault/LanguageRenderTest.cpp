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

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTimer>

#include "platform/MessageBox.h"

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

// The six lines of an entry's detail show whole in every language (Arabic
// lines are tall); a longer note gets a scroll bar instead of being cut off.
TEST_F(LanguageRenderTest, QueryDetailShowsSixLinesWholeAndScrollsALongerNote)
{
    add("Six lines", "alice@example.org", "s3cret", "https://bank.example.org/login", "alice@example.org",
        "PIN at home");
    add("Long note", "bob", "pw", "", "", "one\ntwo\nthree\nfour\nfive\nsix");
    for (int lang = LANG_ENU; lang < g_iLangNum; ++lang) {
        CBaseResizeAndMultiLang::s_eLanguage = ENUM_LANGUAGE(lang);
        CBaseResizeAndMultiLang::GetPageTitles();
        const QString code = GetLangFile(lang).mid(5, 3);
        CDlgPasswdQuery dlg(0, &m_main);
        d.RunModal(dlg, [&](CDialogEx&) {
            auto* detail = qobject_cast<QPlainTextEdit*>(dlg.GetDlgItem(CDlgPasswdQuery::IDC_DETAIL).GetWidget());
            const QStringList titles = column(dlg, 0);
            for (const QString& title : {QStringLiteral("Six lines"), QStringLiteral("Long note")}) {
                const int row = int(titles.indexOf(title));
                if (!detail || row < 0) {
                    ADD_FAILURE() << "no detail or no row " << title.toStdString();
                    break;
                }
                d.SelectListRow(dlg, CDlgPasswdQuery::IDC_LIST, row);
                d.ProcessEvents();
                const QScrollBar* bar = detail->verticalScrollBar();
                const bool longNote = title == "Long note";
                EXPECT_TRUE(d.SaveScreenshot(dlg, QStringLiteral("%1/detail-%2-%3.png")
                                                      .arg(m_dir, longNote ? "long" : "six", code)));
                if (longNote) {
                    EXPECT_GT(bar->maximum(), 0) << code.toStdString();
                    EXPECT_TRUE(bar->isVisible()) << code.toStdString();
                } else {
                    EXPECT_EQ(detail->toPlainText().count('\n'), 5) << code.toStdString();
                    EXPECT_EQ(bar->maximum(), 0) << code.toStdString() << ": six lines do not show whole";
                }
            }
            dlg.EndDialog(IDCANCEL);
        });
    }
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

// The buttons of the box that comes up while `show` runs, from the right or
// the left as they stand; the box is answered with its last button and saved.
QStringList ReadBoxButtons(const QString& png, const std::function<void()>& show)
{
    QStringList texts;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            ADD_FAILURE() << "no box";
            return;
        }
        for (QAbstractButton* b : box->buttons())
            texts << b->text();
        box->grab().save(png);
        box->done(QMessageBox::No);
    });
    show();
    texts.sort();
    return texts;
}

QStringList Sorted(QStringList texts)
{
    texts.sort();
    return texts;
}

// Qt's own button texts are English without translation files the program
// does not ship: every box, the editor's discard question among them, must
// carry the language file's texts.
TEST_F(LanguageRenderTest, MessageBoxButtonsSpeakTheLanguageOfTheWindows)
{
    const platform::MessageBoxHandler guard = platform::SetMessageBoxHandler({});
    const auto langText = [](int id) {
        QString text;
        EXPECT_TRUE(g_pXmlLang->GetOtherStr_ByStrId(13200, id, text)) << id;
        return text;
    };
    for (int lang = LANG_ENU; lang < g_iLangNum; ++lang) {
        CBaseResizeAndMultiLang::s_eLanguage = ENUM_LANGUAGE(lang);
        CBaseResizeAndMultiLang::GetPageTitles();
        const QString code = GetLangFile(lang).mid(5, 3);
        QString ok, cancel, yes, no;
        CDlgEditEntry editor;
        QStringList question;
        d.RunModal(editor, [&](CDialogEx&) {
            // The window has loaded its language file.
            ok = langText(1320050), cancel = langText(1320051), yes = langText(1320052), no = langText(1320053);
            if (lang != LANG_ENU) {
                EXPECT_NE(yes, QStringLiteral("&Yes")) << code.toStdString();
            }
            d.SetText(editor, CDlgEditEntry::IDC_TITLE, QStringLiteral("typed"));
            question = ReadBoxButtons(QStringLiteral("%1/box-discard-%2.png").arg(m_dir, code),
                                      [&] { d.Click(editor, IDCANCEL); });
            // No keeps the editor and what was typed.
            EXPECT_EQ(editor.GetDlgItemText(CDlgEditEntry::IDC_TITLE), QStringLiteral("typed")) << code.toStdString();
            editor.EndDialog(IDCANCEL);
        });
        EXPECT_EQ(question, Sorted({yes, no})) << code.toStdString();
        EXPECT_EQ(ReadBoxButtons(QStringLiteral("%1/box-okcancel-%2.png").arg(m_dir, code),
                                 [] { platform::ShowMessageBox("?", {}, MB_OKCANCEL | MB_ICONQUESTION); }),
                  Sorted({ok, cancel}))
            << code.toStdString();
        EXPECT_EQ(ReadBoxButtons(QStringLiteral("%1/box-ok-%2.png").arg(m_dir, code),
                                 [] { platform::ShowMessageBox("!", {}, MB_OK | MB_ICONWARNING); }),
                  QStringList{ok})
            << code.toStdString();
    }
    platform::SetMessageBoxHandler(guard);
}

} // namespace
