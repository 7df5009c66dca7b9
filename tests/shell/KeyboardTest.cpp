// Every window of the program with the keyboard alone, in every language:
// Tab visits the controls in reading order (from the right in Arabic), no
// two controls of a window share an Alt+letter, and the Alt+letter of a
// label puts the focus on the control it names.
#include <algorithm>
#include <functional>
#include <memory>

#include <QAbstractItemView>
#include <QComboBox>
#include <QImage>
#include <QWidget>

#include "SettingsFixture.h"
#include "ui/LanguageRenderCheck.h"
#include "foundation/storage/DlgInitSettings.h"
#include "foundation/storage/DlgMsgSuc.h"
#include "foundation/storage/Language.h"
#include "shell/DlgAbout.h"
#include "vault/DlgChangePasswd.h"
#include "vault/DlgConfirmPasswd.h"
#include "vault/DlgDbLogin.h"
#include "vault/DlgEditEntry.h"
#include "vault/DlgEntrySavedSuc.h"
#include "vault/DlgPasswdQuery.h"
#include "vault/DlgSetPasswd.h"

namespace {

using D = CVaultwickDlg;

class KeyboardTest : public SettingsFixture {
protected:
    // The window's keyboard in the current language; `where` names it in failures.
    void CheckKeyboard(CDialogEx& wnd, const std::string& where)
    {
        EXPECT_TRUE(m_driver.TabFollowsReadingOrder(wnd)) << where;
        EXPECT_TRUE(m_driver.MnemonicsAreUnique(wnd)) << where;
        EXPECT_TRUE(m_driver.LabelMnemonicsFocusTheirControls(wnd)) << where;
    }

    // Checks a window; the English and Arabic ones are also pictured (for the
    // documentation: VW_SCREENSHOT_DIR, else /tmp/vw-lang) as `name-code.png`.
    void CheckModal(CDialogEx& wnd, const std::string& where, const QString& picture)
    {
        m_driver.RunModal(wnd, [&](CDialogEx&) {
            if (!picture.isEmpty()) {
                EXPECT_TRUE(m_driver.SaveScreenshot(wnd, picture));
            }
            CheckKeyboard(wnd, where);
            wnd.EndDialog(IDCANCEL);
        });
    }

    static QString Picture(ENUM_LANGUAGE lang, const QString& name)
    {
        if (lang != LANG_ENU && lang != LANG_ARA)
            return QString();
        return QStringLiteral("%1/%2-%3.png").arg(langcheck::RenderDir(), name, GetLangFile(lang).mid(5, 3));
    }
};

TEST_F(KeyboardTest, EveryWindowInEveryLanguageTabsInReadingOrderWithUniqueMnemonics)
{
    for (int i = 1; i < g_iLangNum; ++i)
        ShipLanguage(GetLangFile(i));
    PrepareProgramFolder({});
    CVaultwickDlg dlg;
    RunMain(dlg, [&](CDialogEx&) {
        Settle(dlg);
        for (const char* title : {"Bank", "Mail", "Forum"}) {
            ST_PW_ENTRY e{"Common", title, "alice", "s3cret", QStringLiteral("%1.example.org").arg(title).toLower(),
                          "alice@example.org", ""};
            ASSERT_EQ(g_pPwSettings->InsertEntry(&e, 0), 0);
        }
        CComboBox list = dlg.GetDlgItem(D::IDC_LANGUAGE);
        ASSERT_EQ(list.GetCount(), g_iLangNum);
        for (int i = 0; i < list.GetCount(); ++i) {
            m_driver.SelectComboItem(dlg, D::IDC_LANGUAGE, i);
            const ENUM_LANGUAGE lang = GetLangByStr(list.GetLBText(i));
            const std::string code = GetLangFile(lang).mid(5, 3).toStdString();
            if (const QString picture = Picture(lang, "settings"); !picture.isEmpty()) {
                EXPECT_TRUE(m_driver.SaveScreenshot(dlg, picture));
            }
            CheckKeyboard(dlg, code + " settings");

            using Make = std::function<std::unique_ptr<CDialogEx>()>;
            const std::pair<const char*, Make> windows[] = {
                {"first-run", [] { return std::make_unique<CDlgInitSettings>(); }},
                {"success", [] { return std::make_unique<CDlgMsgSuc>(QStringLiteral("Done"), 1); }},
                {"editor", [] { return std::make_unique<CDlgEditEntry>(); }},
                {"query", [&] { return std::make_unique<CDlgPasswdQuery>(0, &dlg); }},
                {"change", [] { return std::make_unique<CDlgChangePasswd>(); }},
                {"confirm", [] { return std::make_unique<CDlgConfirmPasswd>(); }},
                {"set", [] { return std::make_unique<CDlgSetPasswd>(); }},
                {"login", [] { return std::make_unique<CDlgDbLogin>(g_pSqlite); }},
                {"saved", [] { return std::make_unique<CDlgEntrySavedSuc>(0, "t", "u", 60000); }},
                {"about", [] { return std::make_unique<CDlgAbout>(); }},
            };
            for (const auto& [name, make] : windows) {
                std::unique_ptr<CDialogEx> wnd = make();
                CheckModal(*wnd, code + " " + name, Picture(lang, name));
            }
            m_driver.Activate(dlg);
        }
        m_driver.SelectComboItem(dlg, D::IDC_LANGUAGE, 0);
        dlg.OnTrayCommand(IDCANCEL);
    });
}

// Where a control's drawn text begins and ends, in pixels from its left edge.
std::pair<int, int> TextColumns(QWidget* control)
{
    const QImage image = control->grab().toImage();
    const QRgb background = image.pixel(0, 0);
    int first = image.width(), last = -1;
    for (int x = 0; x < image.width(); ++x)
        for (int y = 0; y < image.height(); ++y)
            if (image.pixel(x, y) != background) {
                first = std::min(first, x);
                last = x;
                break;
            }
    return {first, last};
}

TEST_F(KeyboardTest, AboutLinkStartsWhereTheOtherTextsStart)
{
    ShipLanguage(GetLangFile(LANG_ARA));
    PrepareProgramFolder({});
    CVaultwickDlg dlg;
    RunMain(dlg, [&](CDialogEx&) {
        Settle(dlg);
        CComboBox list = dlg.GetDlgItem(D::IDC_LANGUAGE);
        for (const ENUM_LANGUAGE lang : {LANG_ARA, LANG_ENU}) {
            m_driver.SelectComboItem(dlg, D::IDC_LANGUAGE, list.FindStringExact(-1, GetLangStr(lang)));
            CDlgAbout about;
            m_driver.RunModal(about, [&](CDialogEx&) {
                QWidget* link = about.GetDlgItem(CDlgAbout::IDC_LINK).GetWidget();
                const auto [first, last] = TextColumns(link);
                ASSERT_LT(first, last);
                // The address is far shorter than its control: it hugs one side.
                if (lang == LANG_ARA)
                    EXPECT_GT(first, link->width() / 3);
                else
                    EXPECT_LT(last, link->width() * 2 / 3);
                about.EndDialog(IDOK);
            });
        }
        dlg.OnTrayCommand(IDCANCEL);
    });
}

TEST_F(KeyboardTest, SettingsPageStartsAtTheTopAndArabicReadsEachRowFromTheRight)
{
    ShipLanguage(GetLangFile(LANG_ARA));
    PrepareProgramFolder({});
    CVaultwickDlg dlg;
    RunMain(dlg, [&](CDialogEx&) {
        Settle(dlg);
        const std::vector<int> tab = m_driver.TabOrder(dlg);
        ASSERT_GE(tab.size(), 6u);
        // Hot keys off and no login password: their edits, the password
        // button and the frequency controls are disabled and skipped.
        EXPECT_EQ(std::vector<int>(tab.begin(), tab.begin() + 6),
                  (std::vector<int>{D::IDC_CHECK_HOTKEY_ADD, D::IDC_ADD_NOW, D::IDC_CHECK_HOTKEY_QUERY,
                                    D::IDC_QUERY_NOW, D::IDC_NEED_LOGIN_PASSWD, D::IDC_AUTO_START}));
        EXPECT_EQ(tab.back(), D::IDC_EXPORT);

        CComboBox list = dlg.GetDlgItem(D::IDC_LANGUAGE);
        m_driver.SelectComboItem(dlg, D::IDC_LANGUAGE, list.FindStringExact(-1, GetLangStr(LANG_ARA)));
        const std::vector<int> rtl = m_driver.TabOrder(dlg);
        ASSERT_GE(rtl.size(), 3u);
        EXPECT_EQ(std::vector<int>(rtl.begin(), rtl.begin() + 3),
                  (std::vector<int>{D::IDC_CHECK_HOTKEY_ADD, D::IDC_ADD_NOW, D::IDC_CHECK_HOTKEY_QUERY}));
        // The check box sits at the right edge now, its button at the left.
        CRect check, button;
        dlg.GetDlgItem(D::IDC_CHECK_HOTKEY_ADD).GetWindowRect(check);
        dlg.GetDlgItem(D::IDC_ADD_NOW).GetWindowRect(button);
        EXPECT_GT(check.left, button.left);
        // The language list reads from the right too, its drop-down included.
        auto* combo = qobject_cast<QComboBox*>(dlg.GetDlgItem(D::IDC_LANGUAGE).GetWidget());
        ASSERT_NE(combo, nullptr);
        EXPECT_EQ(combo->layoutDirection(), Qt::RightToLeft);
        EXPECT_EQ(combo->view()->layoutDirection(), Qt::RightToLeft);
        m_driver.SelectComboItem(dlg, D::IDC_LANGUAGE, list.FindStringExact(-1, GetLangStr(LANG_ENU)));
        dlg.OnTrayCommand(IDCANCEL);
    });
}

} // namespace
