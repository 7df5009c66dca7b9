// The entry editor's password generator and options pop-up, and the show /
// hide check boxes of the editor and the password prompts, through the
// dialog driver.
#include "DlgFixture.h"
#include "platform/Wnd.h"
#include "vault/DlgChangePasswd.h"
#include "vault/DlgConfirmPasswd.h"
#include "vault/DlgDbLogin.h"
#include "vault/DlgEditEntry.h"
#include "vault/DlgPwGenOptions.h"
#include "vault/DlgSetPasswd.h"
#include "vault/PasswdStrength.h"

namespace {

using E = CDlgEditEntry;
using O = CDlgPwGenOptions;

bool Masked(CDialogEx& dlg, int id)
{
    CEdit edit = dlg.GetDlgItem(id);
    return edit.IsPassword() != 0;
}

class DlgPasswdGenTest : public DlgTest {
protected:
    void SetUp() override
    {
        DlgTest::SetUp();
        E::s_genOptions = StPwGenOptions();
    }
    void TearDown() override
    {
        E::s_genOptions = StPwGenOptions();
        DlgTest::TearDown();
    }
};

TEST_F(DlgPasswdGenTest, GenerateFillsBothFieldsAndScoresTheNewPassword)
{
    E dlg;
    QString first;
    d.RunModal(dlg, [&](CDialogEx&) {
        EXPECT_EQ(dlg.GetDlgItemText(E::IDC_GENERATE), "&Generate");
        ASSERT_TRUE(d.Click(dlg, E::IDC_GENERATE));
        first = dlg.GetDlgItemText(E::IDC_PASSWD);
        EXPECT_EQ(first.size(), 20);
        EXPECT_EQ(dlg.GetDlgItemText(E::IDC_REPEAT), first);
        EXPECT_EQ(dlg.GetPasswdStrength(), CalcPasswdStrength(first));
        EXPECT_EQ(dlg.GetDlgItemText(E::IDC_STRENGTH),
                  QStringLiteral("  %1/100 (Passwd Strength)").arg(CalcPasswdStrength(first)));
        // Filled and equal: neither field is marked any more.
        EXPECT_NE(Background(dlg, E::IDC_PASSWD), QColor(255, 255, 0));
        EXPECT_NE(Background(dlg, E::IDC_REPEAT), QColor(246, 68, 68));
        ASSERT_TRUE(d.Click(dlg, E::IDC_GENERATE));
        EXPECT_NE(dlg.GetDlgItemText(E::IDC_PASSWD), first);
        EXPECT_EQ(dlg.GetDlgItemText(E::IDC_REPEAT), dlg.GetDlgItemText(E::IDC_PASSWD));
        d.Click(dlg, IDCANCEL);  // a generated password is a change: asked, and discarded
    });
    EXPECT_EQ(d.MessageTexts(), QStringList({"Discard the changes to this entry?"}));
}

TEST_F(DlgPasswdGenTest, OptionsPopUpRefusesBadInputAndItsChoiceIsUsed)
{
    E dlg;
    d.RunModal(dlg, [&](CDialogEx&) {
        d.AnswerNextDialog([&](CDialogEx& o) {
            ASSERT_EQ(o.GetTemplateId(), O::IDD);
            EXPECT_EQ(o.GetDlgItemText(O::IDC_LENGTH), "20");
            EXPECT_EQ(o.IsDlgButtonChecked(O::IDC_SYMBOLS), UINT(BST_CHECKED));
            EXPECT_EQ(o.IsDlgButtonChecked(O::IDC_AVOID_LOOKALIKE), UINT(BST_UNCHECKED));
            for (const char* bad : {"7", "129", ""}) {
                d.SetText(o, O::IDC_LENGTH, bad);
                d.Click(o, IDOK);
                EXPECT_EQ(d.LastMessage(), "The length must be a number from 8 to 128!") << bad;
            }
            d.SetText(o, O::IDC_LENGTH, "9");
            for (int id : {O::IDC_UPPER, O::IDC_LOWER, O::IDC_DIGITS, O::IDC_SYMBOLS})
                d.Click(o, id);
            d.Click(o, IDOK);
            EXPECT_EQ(d.LastMessage(), "Choose at least one kind of character!");
            d.Click(o, O::IDC_DIGITS);
            d.Click(o, O::IDC_AVOID_LOOKALIKE);
            d.Click(o, IDOK);
        });
        ASSERT_TRUE(d.Click(dlg, E::IDC_GEN_OPTIONS));
        // OK in the pop-up generates at once with the new options.
        const QString pw = dlg.GetDlgItemText(E::IDC_PASSWD);
        EXPECT_EQ(pw.size(), 9);
        for (QChar c : pw)
            EXPECT_TRUE(c >= u'2' && c <= u'9') << pw.toStdString();
        EXPECT_EQ(dlg.GetDlgItemText(E::IDC_REPEAT), pw);
        d.Click(dlg, IDCANCEL);
    });
    EXPECT_EQ(E::s_genOptions.iLength, 9);
    EXPECT_TRUE(E::s_genOptions.bDigits && !E::s_genOptions.bUpper && E::s_genOptions.bAvoidLookAlike);

    // Cancel in the pop-up keeps the options and the fields.
    E again;
    d.RunModal(again, [&](CDialogEx&) {
        d.SetText(again, E::IDC_PASSWD, "typed");
        d.AnswerNextDialog([&](CDialogEx& o) {
            EXPECT_EQ(o.GetDlgItemText(O::IDC_LENGTH), "9");
            d.SetText(o, O::IDC_LENGTH, "50");
            d.Click(o, IDCANCEL);
        });
        d.Click(again, E::IDC_GEN_OPTIONS);
        EXPECT_EQ(again.GetDlgItemText(E::IDC_PASSWD), "typed");
        d.Click(again, IDCANCEL);
    });
    EXPECT_EQ(E::s_genOptions.iLength, 9);
}

TEST_F(DlgPasswdGenTest, EditorShowToggleUnmasksBothFieldsAndIsOffAtEveryOpening)
{
    E dlg;
    for (int run = 0; run < 2; ++run) {
        d.RunModal(dlg, [&](CDialogEx&) {
            EXPECT_EQ(dlg.IsDlgButtonChecked(E::IDC_SHOW_PASSWD), UINT(BST_UNCHECKED));
            EXPECT_TRUE(Masked(dlg, E::IDC_PASSWD));
            EXPECT_TRUE(Masked(dlg, E::IDC_REPEAT));
            d.Click(dlg, E::IDC_SHOW_PASSWD);
            EXPECT_FALSE(Masked(dlg, E::IDC_PASSWD));
            EXPECT_FALSE(Masked(dlg, E::IDC_REPEAT));
            if (run == 1) {
                d.Click(dlg, E::IDC_SHOW_PASSWD);
                EXPECT_TRUE(Masked(dlg, E::IDC_PASSWD));
                EXPECT_TRUE(Masked(dlg, E::IDC_REPEAT));
            }
            d.Click(dlg, IDCANCEL);
        });
    }
}

TEST_F(DlgPasswdGenTest, PasswordPromptsShowAndHideTheirFields)
{
    CDbSqlite3* db = g_pSqlite;
    CDlgDbLogin login(db);
    CDlgConfirmPasswd confirm;
    CDlgSetPasswd set;
    CDlgChangePasswd change;
    struct Prompt {
        CBaseDlg* dlg;
        int check;
        std::vector<int> edits;
    };
    const Prompt prompts[] = {
        {&login, CDlgDbLogin::IDC_SHOW_PASSWD, {CDlgDbLogin::IDC_PASSWD}},
        {&confirm, CDlgConfirmPasswd::IDC_SHOW_PASSWD, {CDlgConfirmPasswd::IDC_PASSWD}},
        {&set, CDlgSetPasswd::IDC_SHOW_PASSWD, {CDlgSetPasswd::IDC_NEW, CDlgSetPasswd::IDC_REPEAT}},
        {&change, CDlgChangePasswd::IDC_SHOW_PASSWD,
         {CDlgChangePasswd::IDC_OLD, CDlgChangePasswd::IDC_NEW, CDlgChangePasswd::IDC_REPEAT}},
    };
    for (const Prompt& p : prompts) {
        // Twice: a window shown again starts masked whatever it was left as.
        for (int run = 0; run < 2; ++run) {
            d.RunModal(*p.dlg, [&](CDialogEx& dlg) {
                EXPECT_EQ(dlg.IsDlgButtonChecked(p.check), UINT(BST_UNCHECKED)) << dlg.GetTemplateId();
                for (int id : p.edits)
                    EXPECT_TRUE(Masked(dlg, id)) << dlg.GetTemplateId() << " " << id;
                ASSERT_TRUE(d.Click(dlg, p.check));
                for (int id : p.edits)
                    EXPECT_FALSE(Masked(dlg, id)) << dlg.GetTemplateId() << " " << id;
                // Alt+S from the field toggles the box and leaves the typing where it was.
                ASSERT_TRUE(d.Focus(dlg, p.edits.back()));
                d.PressKey(dlg, 'S', HOTKEYF_ALT);
                EXPECT_EQ(dlg.IsDlgButtonChecked(p.check), UINT(BST_UNCHECKED)) << dlg.GetTemplateId();
                EXPECT_TRUE(Masked(dlg, p.edits.back())) << dlg.GetTemplateId();
                EXPECT_TRUE(HasFocus(dlg, p.edits.back())) << dlg.GetTemplateId();
                d.Click(dlg, IDCANCEL);
            });
        }
        EXPECT_TRUE(RegisteredIdsInLanguageFile(*p.dlg, kLangFile)) << p.dlg->GetTemplateId();
    }
}

TEST_F(DlgPasswdGenTest, NewTextsAreInTheLanguageFile)
{
    E dlg;
    d.RunModal(dlg, [&](CDialogEx&) { d.Click(dlg, IDCANCEL); });
    EXPECT_TRUE(RegisteredIdsInLanguageFile(dlg, kLangFile));
    O options(StPwGenOptions{});
    d.RunModal(options, [&](CDialogEx&) { d.Click(options, IDCANCEL); });
    EXPECT_TRUE(RegisteredIdsInLanguageFile(options, kLangFile));
    EXPECT_TRUE(MessageIdsInLanguageFile({{O::IDD, 1380001}, {O::IDD, 1380002}}, kLangFile));
}

} // namespace
