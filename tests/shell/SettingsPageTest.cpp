// The settings page on real files: every control saves at once, the login
// group follows the vault's password, and the language switches live.
#include <memory>

#include <QAction>
#include <QFile>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMenu>
#include <QWidget>

#include "SettingsFixture.h"
#include "vault/DlgChangePasswd.h"
#include "vault/DlgConfirmPasswd.h"
#include "vault/DlgSetPasswd.h"
#include "vault/StoreFixture.h"

namespace {

using D = CVaultwickDlg;

// The first item of a text field's edit menu, a text Qt draws itself.
QString EditMenuUndo()
{
    QLineEdit edit;
    const std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    return menu->actions().first()->text().section(QLatin1Char('\t'), 0, 0);
}

class SettingsPageTest : public SettingsFixture {
protected:
    bool Enabled(CVaultwickDlg& dlg, int id) { return dlg.GetDlgItem(id).IsWindowEnabled(); }
    bool Checked(CVaultwickDlg& dlg, int id) { return dlg.IsDlgButtonChecked(id) == BST_CHECKED; }
    int FreqIndex(CVaultwickDlg& dlg) { return CComboBox(dlg.GetDlgItem(D::IDC_INPUT_FREQ)).GetCurSel(); }
    // The saved notice is up, and its timer hides it again.
    void ExpectSavedNotice(CVaultwickDlg& dlg)
    {
        EXPECT_TRUE(dlg.GetDlgItem(D::IDC_SAVED_NOTICE).IsWindowVisible());
        EXPECT_EQ(dlg.GetTimerElapse(D::TIMER_SAVED_NOTICE), int(D::s_iSavedNoticeMs));
        m_driver.FireTimer(dlg, D::TIMER_SAVED_NOTICE);
        EXPECT_FALSE(dlg.GetDlgItem(D::IDC_SAVED_NOTICE).IsWindowVisible());
    }
    void ExpectNoNotice(CVaultwickDlg& dlg)
    {
        EXPECT_FALSE(dlg.GetDlgItem(D::IDC_SAVED_NOTICE).IsWindowVisible());
    }
    // The next confirmation gets a wrong password, stays open, and is cancelled.
    void MistypeThenCancelNext(const QString& wrong)
    {
        m_driver.AnswerNextDialog([this, wrong](CDialogEx& c) {
            m_driver.Type(c, CDlgConfirmPasswd::IDC_PASSWD, wrong);
            m_driver.Click(c, IDOK);
            m_driver.Click(c, IDCANCEL);
        });
    }
    // The next dialog is the password confirmation; it is answered with `passwd`.
    void ConfirmNextWith(const QString& passwd)
    {
        m_driver.AnswerNextDialog([this, passwd](CDialogEx& c) {
            EXPECT_EQ(c.GetTemplateId(), CDlgConfirmPasswd::IDD);
            m_driver.Type(c, CDlgConfirmPasswd::IDC_PASSWD, passwd);
            m_driver.Click(c, IDOK);
        });
    }
};

TEST_F(SettingsPageTest, WithoutLoginPasswordTheGroupIsDisabledAndTheRadioFollowsTheFrequency)
{
    PrepareProgramFolder({});
    CVaultwickDlg dlg;
    RunMain(dlg, [&](CDialogEx&) {
        Settle(dlg);
        EXPECT_FALSE(Checked(dlg, D::IDC_NEED_LOGIN_PASSWD));
        for (int id : {D::IDC_CHANGE_LOGIN_PASSWD, D::IDC_RADIO_ONCE, D::IDC_RADIO_OTHER, D::IDC_INPUT_FREQ})
            EXPECT_FALSE(Enabled(dlg, id)) << id;
        EXPECT_TRUE(Checked(dlg, D::IDC_RADIO_ONCE));
        EXPECT_FALSE(Checked(dlg, D::IDC_RADIO_OTHER));
        EXPECT_EQ(CComboBox(dlg.GetDlgItem(D::IDC_INPUT_FREQ)).GetCount(), 9);
        EXPECT_EQ(FreqIndex(dlg), -1);

        // A stored frequency shows as the other radio, still disabled.
        dlg.m_nInputFreq = 3;
        dlg.EnableLoginPasswdCtrls();
        EXPECT_TRUE(Checked(dlg, D::IDC_RADIO_OTHER));
        EXPECT_FALSE(Checked(dlg, D::IDC_RADIO_ONCE));
        EXPECT_FALSE(Enabled(dlg, D::IDC_RADIO_OTHER));
        // With a password the group opens; the list only in the other mode.
        dlg.m_bNeedLoginPasswd = 1;
        dlg.EnableLoginPasswdCtrls();
        EXPECT_TRUE(Enabled(dlg, D::IDC_CHANGE_LOGIN_PASSWD));
        EXPECT_TRUE(Enabled(dlg, D::IDC_INPUT_FREQ));
        dlg.m_nInputFreq = 0;
        dlg.EnableLoginPasswdCtrls();
        EXPECT_TRUE(Checked(dlg, D::IDC_RADIO_ONCE));
        EXPECT_TRUE(Enabled(dlg, D::IDC_RADIO_OTHER));
        EXPECT_FALSE(Enabled(dlg, D::IDC_INPUT_FREQ));
        dlg.OnTrayCommand(IDCANCEL);
    });
}

TEST_F(SettingsPageTest, AFrequencyIsSavedOnlyOnceChosenAndOnlyWithTheMasterPassword)
{
    PrepareProgramFolder({.masterPasswd = QString("pw 'x' %s")});
    ScriptedLogin login(QString("pw 'x' %s"));
    CVaultwickDlg dlg;
    RunMain(dlg, [&](CDialogEx&) {
        Settle(dlg);
        ASSERT_TRUE(dlg.IsLoggedIn());
        ASSERT_TRUE(Enabled(dlg, D::IDC_RADIO_OTHER));
        EXPECT_FALSE(Enabled(dlg, D::IDC_INPUT_FREQ));

        // Nothing chosen in the list: no password asked, nothing saved, and
        // the user is told to choose (not "saved").
        EXPECT_EQ(FreqIndex(dlg), -1);
        for (int i = 0; i < 9; ++i)
            EXPECT_FALSE(CComboBox(dlg.GetDlgItem(D::IDC_INPUT_FREQ)).GetLBText(i).isEmpty()) << i;
        m_driver.Click(dlg, D::IDC_RADIO_OTHER);
        EXPECT_TRUE(Checked(dlg, D::IDC_RADIO_OTHER));
        EXPECT_FALSE(Checked(dlg, D::IDC_RADIO_ONCE));
        EXPECT_TRUE(Enabled(dlg, D::IDC_INPUT_FREQ));
        EXPECT_EQ(StoredVault(g_strColInputFreq), 0);
        ExpectNoNotice(dlg);
        EXPECT_TRUE(m_driver.LastMessage().startsWith("Choose in the list")) << m_driver.LastMessage().toStdString();
        m_driver.ClearMessages();

        // "Each Query" asks; cancelling leaves the list without a choice and stores nothing.
        m_driver.AnswerNextDialog(IDCANCEL);
        m_driver.SelectComboItem(dlg, D::IDC_INPUT_FREQ, 1);
        EXPECT_EQ(FreqIndex(dlg), -1);
        EXPECT_EQ(StoredVault(g_strColInputFreq), 0);
        ExpectNoNotice(dlg);

        ConfirmNextWith("pw 'x' %s");
        m_driver.SelectComboItem(dlg, D::IDC_INPUT_FREQ, 1);
        EXPECT_EQ(FreqIndex(dlg), 1);
        EXPECT_EQ(StoredVault(g_strColInputFreq), 2);
        ExpectSavedNotice(dlg);

        // Back to "only once" while the list shows "Each Query": asked, and a
        // cancel leaves the other radio checked.
        m_driver.AnswerNextDialog(IDCANCEL);
        m_driver.Click(dlg, D::IDC_RADIO_ONCE);
        EXPECT_FALSE(Checked(dlg, D::IDC_RADIO_ONCE));
        EXPECT_TRUE(Checked(dlg, D::IDC_RADIO_OTHER));
        EXPECT_EQ(StoredVault(g_strColInputFreq), 2);

        ConfirmNextWith("pw 'x' %s");
        m_driver.Click(dlg, D::IDC_RADIO_ONCE);
        EXPECT_TRUE(Checked(dlg, D::IDC_RADIO_ONCE));
        EXPECT_FALSE(Checked(dlg, D::IDC_RADIO_OTHER));
        EXPECT_FALSE(Enabled(dlg, D::IDC_INPUT_FREQ));
        EXPECT_EQ(StoredVault(g_strColInputFreq), 0);
        ExpectSavedNotice(dlg);

        // Clicking the radio that is already the mode does nothing.
        m_driver.Click(dlg, D::IDC_RADIO_ONCE);
        ExpectNoNotice(dlg);
        dlg.OnTrayCommand(IDCANCEL);
    });
    EXPECT_TRUE(m_driver.MessageTexts().isEmpty());
}

// A wrong confirmation must not leave the open vault without its key.
TEST_F(SettingsPageTest, AWrongConfirmationThenCancelLeavesTheVaultOpenAndTheFrequencyAsItWas)
{
    PrepareProgramFolder({.masterPasswd = QString("pw")});
    ScriptedLogin login(QString("pw"));
    CVaultwickDlg dlg;
    RunMain(dlg, [&](CDialogEx&) {
        Settle(dlg);
        m_driver.Click(dlg, D::IDC_RADIO_OTHER);
        MistypeThenCancelNext("wrong");
        m_driver.SelectComboItem(dlg, D::IDC_INPUT_FREQ, 4);
        EXPECT_EQ(FreqIndex(dlg), -1);
        EXPECT_TRUE(g_pSqlite->IsLoggedIn());
        EXPECT_EQ(StoredVault(g_strColInputFreq), 0);
        dlg.OnTrayCommand(IDCANCEL);
    });
}

// The program has just verified the password: set, changed or removed on the
// page, the next Alt+Q and Alt+A ask nothing, and a typing error afterwards
// breaks nothing.
TEST_F(SettingsPageTest, SetChangeAndRemoveStayLoggedInAndATypingErrorBreaksNothing)
{
    PrepareProgramFolder({});
    ScriptedLogin login(std::nullopt);
    CVaultwickDlg dlg;
    const auto openQueryAndAdd = [&] {
        m_driver.AnswerNextDialog([&](CDialogEx& q) {
            EXPECT_EQ(q.GetTemplateId(), 13200);
            q.EndDialog(IDCANCEL);
        });
        dlg.OpenEntryDialog(D::HOTKEY_QUERY);
        m_driver.AnswerNextDialog([&](CDialogEx& e) {
            EXPECT_EQ(e.GetTemplateId(), 13100);
            e.EndDialog(IDCANCEL);
        });
        dlg.OpenEntryDialog(D::HOTKEY_ADD);
    };
    RunMain(dlg, [&](CDialogEx&) {
        Settle(dlg);
        m_driver.AnswerNextDialog([&](CDialogEx& c) {
            m_driver.Type(c, CDlgSetPasswd::IDC_NEW, "one");
            m_driver.Type(c, CDlgSetPasswd::IDC_REPEAT, "one");
            m_driver.Click(c, IDOK);
        });
        m_driver.Click(dlg, D::IDC_NEED_LOGIN_PASSWD);
        openQueryAndAdd();

        m_driver.AnswerNextDialog([&](CDialogEx& c) {
            m_driver.Type(c, CDlgChangePasswd::IDC_OLD, "one");
            m_driver.Type(c, CDlgChangePasswd::IDC_NEW, "two");
            m_driver.Type(c, CDlgChangePasswd::IDC_REPEAT, "two");
            m_driver.Click(c, IDOK);
        });
        m_driver.Click(dlg, D::IDC_CHANGE_LOGIN_PASSWD);
        EXPECT_TRUE(g_pSqlite->ConfirmPasswd("two", 2));
        openQueryAndAdd();

        // Right after the change: a wrong password, then Cancel.
        m_driver.Click(dlg, D::IDC_RADIO_OTHER);
        MistypeThenCancelNext("tow");
        m_driver.SelectComboItem(dlg, D::IDC_INPUT_FREQ, 4);
        EXPECT_EQ(FreqIndex(dlg), -1);
        m_driver.ClearMessages();
        // Every later save still works.
        ConfirmNextWith("two");
        m_driver.SelectComboItem(dlg, D::IDC_INPUT_FREQ, 0);
        EXPECT_EQ(StoredVault(g_strColInputFreq), 1);
        m_driver.Click(dlg, D::IDC_START_MINI);
        EXPECT_EQ(m_driver.MessageTexts(), QStringList());
        m_driver.FireTimer(dlg, D::TIMER_SAVED_NOTICE);

        ConfirmNextWith("two");
        m_driver.Click(dlg, D::IDC_NEED_LOGIN_PASSWD);
        EXPECT_TRUE(g_pSqlite->ConfirmPasswd(QString(), 2));
        openQueryAndAdd();
        dlg.OnTrayCommand(IDCANCEL);
    });
    EXPECT_EQ(login.calls(), 0);
    EXPECT_EQ(m_driver.Log().filter("dialog 13200").size(), 3);
    EXPECT_EQ(m_driver.Log().filter("dialog 13100").size(), 3);
}

TEST_F(SettingsPageTest, NeedLoginPasswdSetsAndRemovesTheMasterPasswordAndCancelPutsTheBoxBack)
{
    PrepareProgramFolder({});
    CVaultwickDlg dlg;
    RunMain(dlg, [&](CDialogEx&) {
        Settle(dlg);
        // Setting cancelled: the box is cleared again, nothing stored.
        m_driver.AnswerNextDialog(IDCANCEL);
        m_driver.Click(dlg, D::IDC_NEED_LOGIN_PASSWD);
        EXPECT_FALSE(Checked(dlg, D::IDC_NEED_LOGIN_PASSWD));
        EXPECT_EQ(g_bNeedPasswd, 0);
        EXPECT_EQ(StoredVault(g_strColNeedLoginPasswd), 0);
        ExpectNoNotice(dlg);

        m_driver.AnswerNextDialog([&](CDialogEx& c) {
            EXPECT_EQ(c.GetTemplateId(), CDlgSetPasswd::IDD);
            m_driver.Type(c, CDlgSetPasswd::IDC_NEW, "n3w");
            m_driver.Type(c, CDlgSetPasswd::IDC_REPEAT, "n3w");
            m_driver.Click(c, IDOK);
        });
        m_driver.Click(dlg, D::IDC_NEED_LOGIN_PASSWD);
        EXPECT_TRUE(Checked(dlg, D::IDC_NEED_LOGIN_PASSWD));
        EXPECT_EQ(g_bNeedPasswd, 1);
        EXPECT_EQ(StoredVault(g_strColNeedLoginPasswd), 1);
        EXPECT_TRUE(Enabled(dlg, D::IDC_CHANGE_LOGIN_PASSWD));
        EXPECT_TRUE(Enabled(dlg, D::IDC_RADIO_ONCE));
        EXPECT_FALSE(Enabled(dlg, D::IDC_INPUT_FREQ));
        EXPECT_TRUE(g_pSqlite->ConfirmPasswd("n3w", 2));
        ExpectSavedNotice(dlg);

        // Removing it asks for it; a cancel keeps the box and the password.
        m_driver.AnswerNextDialog(IDCANCEL);
        m_driver.Click(dlg, D::IDC_NEED_LOGIN_PASSWD);
        EXPECT_TRUE(Checked(dlg, D::IDC_NEED_LOGIN_PASSWD));
        EXPECT_EQ(g_bNeedPasswd, 1);
        EXPECT_EQ(StoredVault(g_strColNeedLoginPasswd), 1);
        ExpectNoNotice(dlg);

        ConfirmNextWith("n3w");
        m_driver.Click(dlg, D::IDC_NEED_LOGIN_PASSWD);
        EXPECT_FALSE(Checked(dlg, D::IDC_NEED_LOGIN_PASSWD));
        EXPECT_EQ(g_bNeedPasswd, 0);
        EXPECT_EQ(StoredVault(g_strColNeedLoginPasswd), 0);
        EXPECT_FALSE(Enabled(dlg, D::IDC_CHANGE_LOGIN_PASSWD));
        EXPECT_FALSE(Enabled(dlg, D::IDC_RADIO_OTHER));
        EXPECT_TRUE(g_pSqlite->ConfirmPasswd(QString(), 0));
        ExpectSavedNotice(dlg);
        dlg.OnTrayCommand(IDCANCEL);
    });
}

TEST_F(SettingsPageTest, SystemSettingsAreStoredAtOnceAndAutostartRunsTheLauncher)
{
    PrepareProgramFolder({});
    const QString entry = path() + "config/autostart/VaultwickStart.desktop";
    CVaultwickDlg dlg;
    RunMain(dlg, [&](CDialogEx&) {
        Settle(dlg);
        const std::pair<int, const QString*> boxes[] = {{D::IDC_START_MINI, &g_strColStartMini},
                                                         {D::IDC_CLOSE_TO_TRAY, &g_strColCloseToTray},
                                                         {D::IDC_MINI_TO_TRAY, &g_strColMiniToTray}};
        for (const auto& [id, column] : boxes) {
            EXPECT_EQ(GetGlobalSetting(*column), "0");
            m_driver.Click(dlg, id);
            EXPECT_EQ(GetGlobalSetting(*column), "1") << id;
            ExpectSavedNotice(dlg);
        }
        EXPECT_EQ(dlg.m_bCloseToTray, 1);

        EXPECT_FALSE(QFile::exists(entry));
        m_driver.Click(dlg, D::IDC_AUTO_START);
        EXPECT_EQ(GetGlobalSetting(g_strColAutoStart), "1");
        QFile f(entry);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_TRUE(f.readAll().contains((path() + "VaultwickLauncher").toUtf8()));
        ExpectSavedNotice(dlg);
        m_driver.Click(dlg, D::IDC_AUTO_START);
        EXPECT_EQ(GetGlobalSetting(g_strColAutoStart), "0");
        EXPECT_FALSE(QFile::exists(entry));
        dlg.OnTrayCommand(IDCANCEL);
    });
}

TEST_F(SettingsPageTest, AnAutostartEntryThatCannotBeWrittenLeavesTheBoxClear)
{
    PrepareProgramFolder({});
    // A file where the autostart folder belongs.
    QDir().mkpath(path() + "config");
    QFile blocker(path() + "config/autostart");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    CVaultwickDlg dlg;
    RunMain(dlg, [&](CDialogEx&) {
        Settle(dlg);
        m_driver.ClearMessages();
        m_driver.Click(dlg, D::IDC_AUTO_START);
        EXPECT_EQ(m_driver.MessageTexts(), QStringList{"Couldn't set as auto start!"});
        EXPECT_FALSE(Checked(dlg, D::IDC_AUTO_START));
        EXPECT_EQ(GetGlobalSetting(g_strColAutoStart), "0");
        ExpectNoNotice(dlg);
        dlg.OnTrayCommand(IDCANCEL);
    });
}

TEST_F(SettingsPageTest, LanguageSwitchesLiveAndOnlyShippedLanguagesAreListed)
{
    ShipLanguage("Lang_deu.xml");
    PrepareProgramFolder({});
    CVaultwickDlg dlg;
    RunMain(dlg, [&](CDialogEx&) {
        Settle(dlg);
        CComboBox lang = dlg.GetDlgItem(D::IDC_LANGUAGE);
        ASSERT_EQ(lang.GetCount(), 2);
        EXPECT_EQ(lang.GetLBText(0), "English");
        EXPECT_EQ(lang.GetLBText(1), "Deutsch");

        // The active language again: nothing stored, no notice.
        UpdateGlobalSetting(g_strColLanguage, "'marker'", 0);
        m_driver.SelectComboItem(dlg, D::IDC_LANGUAGE, 0);
        EXPECT_EQ(GetGlobalSetting(g_strColLanguage), "marker");
        ExpectNoNotice(dlg);

        m_driver.SelectComboItem(dlg, D::IDC_LANGUAGE, 1);
        EXPECT_EQ(GetGlobalSetting(g_strColLanguage), "Deutsch");
        EXPECT_EQ(CBaseResizeAndMultiLang::s_eLanguage, LANG_DEU);
        EXPECT_EQ(dlg.GetDlgItemText(D::IDC_GROUP_LOGIN), "Hauptpasswort");
        EXPECT_EQ(dlg.GetDlgItemText(D::IDC_SAVED_NOTICE), "Einstellungen gespeichert…");
        // Messages now come from the German file.
        QString text;
        EXPECT_TRUE(CBaseResizeAndMultiLang::GetOtherStr_ByStrId(D::IDD, 1500016, text));
        EXPECT_NE(text, "Backup successfully!");
        // Qt's own texts too, where its translations are installed.
        if (QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_de.qm")) {
            EXPECT_EQ(EditMenuUndo(), "&Rückgängig");
        }
        ExpectSavedNotice(dlg);

        m_driver.SelectComboItem(dlg, D::IDC_LANGUAGE, 0);
        EXPECT_EQ(GetGlobalSetting(g_strColLanguage), "English");
        EXPECT_EQ(dlg.GetDlgItemText(D::IDC_GROUP_LOGIN), "Login Passwd Settings");
        EXPECT_EQ(EditMenuUndo(), "&Undo");
        dlg.OnTrayCommand(IDCANCEL);
    });
}

TEST_F(SettingsPageTest, WithoutAnyLanguageFileTheListHoldsEnglishOnly)
{
    PrepareProgramFolder({});
    QFile::remove(path() + "Lang_enu.xml");
    CVaultwickDlg dlg;
    RunMain(dlg, [&](CDialogEx&) {
        Settle(dlg);
        CComboBox lang = dlg.GetDlgItem(D::IDC_LANGUAGE);
        ASSERT_EQ(lang.GetCount(), 1);
        EXPECT_EQ(lang.GetLBText(0), "English");
        dlg.OnTrayCommand(IDCANCEL);
    });
}

// Every visible control shows its whole text and no two overlap, in every
// language.
TEST_F(SettingsPageTest, NoVisibleControlIsClippedOrOverlapsInAnyLanguage)
{
    for (int i = 1; i < g_iLangNum; ++i)
        ShipLanguage(GetLangFile(i));
    PrepareProgramFolder({});
    CVaultwickDlg dlg;
    RunMain(dlg, [&](CDialogEx&) {
        Settle(dlg);
        CComboBox lang = dlg.GetDlgItem(D::IDC_LANGUAGE);
        for (int i = 0; i < lang.GetCount(); ++i) {
            m_driver.SelectComboItem(dlg, D::IDC_LANGUAGE, i);
            const QString name = lang.GetLBText(i);
            m_driver.SaveScreenshot(dlg, QStringLiteral("/tmp/vw-settings-%1.png").arg(i));
            QList<QWidget*> shown;
            for (const ControlTemplate& c : D::s_template.controls) {
                QWidget* w = dlg.GetDlgItem(c.id).GetWidget();
                if (!w || !w->isVisible())
                    continue;
                if (c.kind != Control::GroupBox && c.kind != Control::ComboBox && c.kind != Control::HotKey) {
                    EXPECT_LE(w->sizeHint().width(), w->width()) << name.toStdString() << " clips " << c.id;
                }
                if (c.kind != Control::GroupBox)
                    shown << w;
            }
            for (int a = 0; a < shown.size(); ++a)
                for (int b = a + 1; b < shown.size(); ++b)
                    EXPECT_FALSE(shown[a]->geometry().intersects(shown[b]->geometry()))
                        << name.toStdString() << ": " << shown[a]->property("vw_id").toInt() << " / "
                        << shown[b]->property("vw_id").toInt();
        }
        dlg.OnTrayCommand(IDCANCEL);
    });
}

} // namespace
