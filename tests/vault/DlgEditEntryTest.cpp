// The entry editor: strength score and label, colour marks, input checks,
// add / edit / Ok and Next, keys, the saved notice.
#include "DlgFixture.h"
#include "vault/DlgEditEntry.h"
#include "vault/DlgEntrySavedSuc.h"
#include "vault/PasswdStrength.h"

namespace {

using E = CDlgEditEntry;

// ---- the score ----

TEST(PasswdStrength, ExamplesAndEdgeCasesScoreExactly)
{
    struct Case {
        QString passwd;
        int score;
    };
    const Case cases[] = {
        {"", 0},
        {"a", 8},            // 5 + 5 + 1 = 11, less 11/3
        {"aaaa", 9},         // 7 + 5 + 1 = 13, less 13/3 (one distinct character)
        {"ab", 11},          // 13 less 13/6
        {"abc", 14},         // 15 less 15/12
        {"abcd", 16},        // 17 less 17/16
        {"abcde", 17},       // five distinct: nothing subtracted
        {"Aab123!@", 77},    // 20 + 16 + 14 + 7 + 16 + 4
        {"Abcdeef1", 58},    // 20 + 7 + 18 + 10 + 3
        {"aB", 20},          // lower case doubled beside upper case: 5 + 10 + 7 + 2 = 24, less 24/6
        {"   ", 5},          // spaces belong to no class: length only, no deduction
        {"     ", 7},
        {"       ", 12},
        {"          ", 20},
        {"           ", 25},
        {"\t\x7f", 5},       // control characters and DEL are ignored too
        {"\u00e9", 6},       // others: 5 + 3 + 1 = 9, less 9/3
        {"\U0001F600", 6},   // one character, however it is encoded
        {"abcABC123!@#\u00e4\u00f6\u00fc", 100},
        {"abcdefABCDEF123456!@#$%^\u00e4\u00f6\u00fc\u00df", 100},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CalcPasswdStrength(c.passwd), c.score) << c.passwd.toStdString();
}

TEST(PasswdStrength, BandColours)
{
    EXPECT_EQ(E::StrengthTextColor(0), RGB(246, 68, 68));
    EXPECT_EQ(E::StrengthTextColor(24), RGB(246, 68, 68));
    EXPECT_EQ(E::StrengthTextColor(25), RGB(210, 0, 210));
    EXPECT_EQ(E::StrengthTextColor(44), RGB(210, 0, 210));
    EXPECT_EQ(E::StrengthTextColor(45), RGB(0, 156, 0));
    EXPECT_EQ(E::StrengthTextColor(59), RGB(0, 156, 0));
    EXPECT_EQ(E::StrengthTextColor(60), RGB(0, 0, 160));
    EXPECT_EQ(E::StrengthTextColor(84), RGB(0, 0, 160));
    EXPECT_EQ(E::StrengthTextColor(85), RGB(255, 255, 255));
}

class DlgEditEntryTest : public DlgTest {
protected:
    void Fill(CDialogEx& dlg, const StEntry& e, const QString* repeat = nullptr)
    {
        d.SetText(dlg, E::IDC_TITLE, e.strTitle);
        d.SetText(dlg, E::IDC_USER, e.strUserName);
        d.SetText(dlg, E::IDC_PASSWD, e.strPasswd);
        d.SetText(dlg, E::IDC_REPEAT, repeat ? *repeat : e.strPasswd);
        d.SetText(dlg, E::IDC_URL, e.strURL);
        d.SetText(dlg, E::IDC_EMAIL, e.strEmail);
        d.SetText(dlg, E::IDC_NOTES, e.strNotes);
    }
    // The next saved notice: its text and display time recorded, closed by its timer.
    void ExpectNotice()
    {
        d.AnswerNextDialog([this](CDialogEx& n) {
            EXPECT_EQ(n.GetTemplateId(), CDlgEntrySavedSuc::IDD);
            m_notices << n.GetDlgItemText(CDlgEntrySavedSuc::IDC_TEXT);
            m_noticeMs << n.GetTimerElapse(CDlgEntrySavedSuc::TIMER_CLOSE);
            EXPECT_TRUE(d.FireTimer(n, CDlgEntrySavedSuc::TIMER_CLOSE));
        });
    }
    std::optional<ST_PW_ENTRY> Stored(const QString& title, const QString& user)
    {
        ST_PW_ENTRY e;
        e.strTitle = title;
        e.strUserName = user;
        if (store().SelectEntry(&e) != 1)
            return std::nullopt;
        return e;
    }
    void Store(const StEntry& e)
    {
        ST_PW_ENTRY row{"Common", e.strTitle, e.strUserName, e.strPasswd, e.strURL, e.strEmail, e.strNotes};
        ASSERT_EQ(store().InsertEntry(&row, 0), 0);
    }
    static ST_PW_ENTRY Row(const StEntry& e)
    {
        return {"Common", e.strTitle, e.strUserName, e.strPasswd, e.strURL, e.strEmail, e.strNotes};
    }

    QStringList m_notices;
    QList<int> m_noticeMs;
    const StEntry kBank{"Bank", "me", "Aab123!@", "bank.example", "me@example.org", "pin 4711"};
};

// ---- opening, label and marks ----

TEST_F(DlgEditEntryTest, AddModeOpensEmptyMarkedAndWithOkAndNext)
{
    E dlg;
    d.RunModal(dlg, [&](CDialogEx&) {
        EXPECT_TRUE(HasFocus(dlg, E::IDC_TITLE));
        EXPECT_TRUE(dlg.GetDlgItem(E::IDC_OK_NEXT).IsWindowVisible());
        EXPECT_EQ(dlg.GetDlgItemText(E::IDC_STRENGTH), "  0/100 (Passwd Strength)");
        EXPECT_EQ(TextColor(dlg, E::IDC_STRENGTH), QColor(246, 68, 68));
        for (int id : {E::IDC_TITLE, E::IDC_USER, E::IDC_PASSWD, E::IDC_REPEAT})
            EXPECT_EQ(Background(dlg, id), QColor(255, 255, 0)) << id;
        EXPECT_NE(Background(dlg, E::IDC_URL), QColor(255, 255, 0));

        d.Type(dlg, E::IDC_TITLE, "T");
        EXPECT_NE(Background(dlg, E::IDC_TITLE), QColor(255, 255, 0));
        d.Type(dlg, E::IDC_PASSWD, "aaaa");
        EXPECT_EQ(dlg.GetDlgItemText(E::IDC_STRENGTH), "  9/100 (Passwd Strength)");
        EXPECT_EQ(dlg.GetPasswdStrength(), 9);
        EXPECT_EQ(Background(dlg, E::IDC_PASSWD), QColor(246, 68, 68));
        EXPECT_EQ(Background(dlg, E::IDC_REPEAT), QColor(246, 68, 68));
        d.Type(dlg, E::IDC_REPEAT, "aaaA");  // compared exactly
        EXPECT_EQ(Background(dlg, E::IDC_REPEAT), QColor(246, 68, 68));
        d.SetText(dlg, E::IDC_REPEAT, "aaaa");
        EXPECT_NE(Background(dlg, E::IDC_PASSWD), QColor(246, 68, 68));
        EXPECT_NE(Background(dlg, E::IDC_REPEAT), QColor(255, 255, 0));

        d.SetText(dlg, E::IDC_PASSWD, "abcABC123!@#\u00e4\u00f6\u00fc");
        EXPECT_EQ(dlg.GetDlgItemText(E::IDC_STRENGTH), "  100/100 (Passwd Strength)");
        EXPECT_EQ(TextColor(dlg, E::IDC_STRENGTH), QColor(255, 255, 255));
        EXPECT_EQ(dlg.GetDlgItem(E::IDC_STRENGTH).GetWidget()->palette().color(QPalette::Window), QColor(0, 0, 0));
        d.SetText(dlg, E::IDC_PASSWD, "Abcdeef1");
        EXPECT_EQ(TextColor(dlg, E::IDC_STRENGTH), QColor(0, 156, 0));
        d.PressKey(dlg, VK_ESCAPE);
    });
    EXPECT_TRUE(RegisteredIdsInLanguageFile(dlg, kLangFile));
    EXPECT_TRUE(MessageIdsInLanguageFile({{13100, 1310001}, {13100, 1310002}, {13100, 1310003}, {13100, 1310004},
                                          {13700, 1370001}, {13700, 1370002}, {13700, 1370003}},
                                         kLangFile));
}

TEST_F(DlgEditEntryTest, StrengthLabelUsesTheLanguageFormatAfterTheTextsAreIn)
{
    WriteLangFile(R"(<?xml version="1.0" encoding="UTF-8"?>
<Tessel><LanguageString><Window ID="13100" Type="-3" Tip="Eintrag">
  <ItemCtrl id="13122" Type="0">100/100 (template)</ItemCtrl>
  <OtherString id="1310004">  %d/100 (Staerke)</OtherString>
</Window></LanguageString></Tessel>)");
    E dlg;
    StEntry e = kBank;
    dlg.SetEntry(&e);
    d.RunModal(dlg, [&](CDialogEx&) {
        EXPECT_EQ(dlg.GetWindowText(), "Eintrag");
        EXPECT_EQ(dlg.GetDlgItemText(E::IDC_STRENGTH), "  77/100 (Staerke)");
        dlg.EndDialog(IDCANCEL);
    });
}

// ---- checks ----

TEST_F(DlgEditEntryTest, ChecksRefuseInOrderAndFocusTheField)
{
    const int before = entryCount();
    E dlg;
    d.RunModal(dlg, [&](CDialogEx&) {
        d.Click(dlg, IDOK);
        EXPECT_EQ(d.LastMessage(), "'Title:'can not be empty!");
        EXPECT_TRUE(HasFocus(dlg, E::IDC_TITLE));
        d.SetText(dlg, E::IDC_TITLE, "T");
        d.Click(dlg, IDOK);
        EXPECT_EQ(d.LastMessage(), "'User Name:'can not be empty!");
        EXPECT_TRUE(HasFocus(dlg, E::IDC_USER));
        d.SetText(dlg, E::IDC_USER, "U");
        d.SetText(dlg, E::IDC_PASSWD, "one");
        d.SetText(dlg, E::IDC_REPEAT, "One");
        d.Click(dlg, IDOK);
        EXPECT_EQ(d.LastMessage(), "The two passwords do not match, please enter them again!");
        EXPECT_EQ(dlg.GetDlgItemText(E::IDC_PASSWD), "");
        EXPECT_EQ(dlg.GetDlgItemText(E::IDC_REPEAT), "");
        EXPECT_EQ(dlg.GetPasswdStrength(), 0);
        EXPECT_TRUE(HasFocus(dlg, E::IDC_PASSWD));
        d.Click(dlg, IDOK);
        EXPECT_EQ(d.LastMessage(), "'Passwd:'can not be empty!");
        EXPECT_TRUE(HasFocus(dlg, E::IDC_PASSWD));
        d.Click(dlg, IDCANCEL);
    });
    EXPECT_EQ(d.MessageTexts().size(), 4);
    EXPECT_EQ(entryCount(), before);
}

// ---- add ----

TEST_F(DlgEditEntryTest, AddStoresEveryTextExactlyAndShowsTheNotice)
{
    const StEntry hostile{"O'Brien %s %d", "us\\er'; DROP TABLE TnPwEntry; --", "p'w%\\\"x", "http://a.example/?q=1&r='2'",
                          "\u00e9l\u00e8ve@\u4f8b\u3048.jp", "line 1\nline '2' 100%"};
    E dlg;
    ExpectNotice();
    const int r = d.RunModal(dlg, [&](CDialogEx&) {
        Fill(dlg, hostile);
        d.Click(dlg, IDOK);
    });
    EXPECT_EQ(r, IDOK);
    ASSERT_EQ(m_notices.size(), 1);
    EXPECT_EQ(m_notices[0], "Entry Add Successfully!!\nTitle: O'Brien %s %d\nUserName: " + hostile.strUserName);
    EXPECT_EQ(m_noticeMs[0], 1200);
    auto stored = Stored(hostile.strTitle, hostile.strUserName);
    ASSERT_TRUE(stored);
    ST_PW_ENTRY expected = Row(hostile);
    expected.strNotes = "line 1\r\nline '2' 100%";  // the notes edit's line breaks
    EXPECT_EQ(*stored, expected);
}

TEST_F(DlgEditEntryTest, AddOfAnExistingTitleAndUserIsRefused)
{
    Store(kBank);
    const int before = entryCount();
    E dlg;
    d.RunModal(dlg, [&](CDialogEx&) {
        StEntry other = kBank;
        other.strPasswd = "different";
        Fill(dlg, other);
        d.Click(dlg, IDOK);
        EXPECT_EQ(d.LastMessage(), "The entry that 'Title' as Bank and 'User Name' as me is exist!");
        EXPECT_TRUE(HasFocus(dlg, E::IDC_USER));
        d.Click(dlg, IDCANCEL);
    });
    EXPECT_EQ(entryCount(), before);
    EXPECT_EQ(Stored("Bank", "me")->strPasswd, kBank.strPasswd);
}

TEST_F(DlgEditEntryTest, CtrlEnterStoresAndKeepsTheDialogOpenEmptied)
{
    const int before = entryCount();
    E dlg;
    ExpectNotice();
    ExpectNotice();
    const int r = d.RunModal(dlg, [&](CDialogEx&) {
        Fill(dlg, kBank);
        d.Focus(dlg, E::IDC_URL);
        d.PressKey(dlg, VK_RETURN, HOTKEYF_CONTROL);
        EXPECT_TRUE(dlg.IsRunning());
        for (int id : {E::IDC_TITLE, E::IDC_USER, E::IDC_PASSWD, E::IDC_REPEAT, E::IDC_URL, E::IDC_EMAIL, E::IDC_NOTES})
            EXPECT_EQ(dlg.GetDlgItemText(id), "") << id;
        EXPECT_EQ(Background(dlg, E::IDC_TITLE), QColor(255, 255, 0));
        d.Activate(dlg);  // offscreen, the closed notice hands nothing back by itself
        EXPECT_TRUE(HasFocus(dlg, E::IDC_TITLE));

        StEntry second = kBank;
        second.strUserName = "you";
        Fill(dlg, second);
        d.Click(dlg, E::IDC_OK_NEXT);
        EXPECT_TRUE(dlg.IsRunning());
        d.Click(dlg, IDCANCEL);
    });
    EXPECT_EQ(r, IDCANCEL);
    EXPECT_EQ(m_noticeMs, (QList<int>{300, 300}));
    EXPECT_EQ(entryCount(), before + 2);
    EXPECT_TRUE(Stored("Bank", "me"));
    EXPECT_TRUE(Stored("Bank", "you"));
}

// ---- keys ----

TEST_F(DlgEditEntryTest, EnterMovesTheFocusExceptInTheNotesAndAltEnterIsOk)
{
    E dlg;
    ExpectNotice();
    const int r = d.RunModal(dlg, [&](CDialogEx&) {
        d.Focus(dlg, E::IDC_TITLE);
        d.PressKey(dlg, VK_RETURN);
        d.ProcessEvents();
        EXPECT_TRUE(HasFocus(dlg, E::IDC_USER));
        EXPECT_TRUE(dlg.IsRunning());
        d.Focus(dlg, E::IDC_EMAIL);
        d.PressKey(dlg, VK_RETURN);
        d.ProcessEvents();
        EXPECT_TRUE(HasFocus(dlg, E::IDC_NOTES));

        d.Type(dlg, E::IDC_NOTES, "a");
        d.PressKey(dlg, VK_RETURN);
        d.ProcessEvents();
        d.Type(dlg, E::IDC_NOTES, "b");
        EXPECT_TRUE(HasFocus(dlg, E::IDC_NOTES));
        EXPECT_EQ(dlg.GetDlgItemText(E::IDC_NOTES), "a\r\nb");
        EXPECT_TRUE(d.MessageTexts().isEmpty());

        Fill(dlg, kBank);
        d.PressKey(dlg, VK_RETURN, HOTKEYF_ALT);
    });
    EXPECT_EQ(r, IDOK);
    EXPECT_TRUE(Stored("Bank", "me"));
}

// ---- edit ----

TEST_F(DlgEditEntryTest, EditWithoutChangeClosesWithCancelAndWritesNothing)
{
    Store(kBank);
    ASSERT_EQ(exec("CREATE TRIGGER no_writes BEFORE DELETE ON TnPwEntry BEGIN SELECT RAISE(ABORT, 'written'); END"), 0);
    E dlg;
    StEntry e = kBank;
    dlg.SetEntry(&e);
    const int r = d.RunModal(dlg, [&](CDialogEx&) {
        EXPECT_FALSE(dlg.GetDlgItem(E::IDC_OK_NEXT).IsWindowVisible());
        EXPECT_EQ(dlg.GetDlgItemText(E::IDC_REPEAT), kBank.strPasswd);
        EXPECT_NE(Background(dlg, E::IDC_TITLE), QColor(255, 255, 0));
        EXPECT_EQ(dlg.GetDlgItemText(E::IDC_STRENGTH), "  77/100 (Passwd Strength)");
        d.PressKey(dlg, VK_RETURN, HOTKEYF_CONTROL);  // swallowed in edit mode
        EXPECT_TRUE(dlg.IsRunning());
        d.Click(dlg, IDOK);
    });
    EXPECT_EQ(r, IDCANCEL);
    EXPECT_TRUE(d.MessageTexts().isEmpty());
    EXPECT_EQ(*Stored("Bank", "me"), Row(kBank));
}

TEST_F(DlgEditEntryTest, EditReplacesTheEntryAndSaysUpdate)
{
    Store(kBank);
    const int before = entryCount();
    E dlg;
    StEntry e = kBank;
    dlg.SetEntry(&e);
    ExpectNotice();
    const int r = d.RunModal(dlg, [&](CDialogEx&) {
        d.SetText(dlg, E::IDC_TITLE, "Bank 'n' Co");
        d.SetText(dlg, E::IDC_PASSWD, "n3w%pw");
        d.SetText(dlg, E::IDC_REPEAT, "n3w%pw");
        d.Click(dlg, IDOK);
    });
    EXPECT_EQ(r, IDOK);
    EXPECT_EQ(m_notices, QStringList{"Entry Update Successfully!!\nTitle: Bank 'n' Co\nUserName: me"});
    EXPECT_EQ(m_noticeMs, QList<int>{1200});
    EXPECT_EQ(entryCount(), before);
    EXPECT_FALSE(Stored("Bank", "me"));
    EXPECT_EQ(Stored("Bank 'n' Co", "me")->strPasswd, "n3w%pw");
}

TEST_F(DlgEditEntryTest, EditOntoAnotherEntrysKeyIsRefusedAndKeepsBoth)
{
    Store(kBank);
    StEntry mail{"Mail", "me", "m41l", "", "", ""};
    Store(mail);
    E dlg;
    StEntry e = kBank;
    dlg.SetEntry(&e);
    const int r = d.RunModal(dlg, [&](CDialogEx&) {
        d.SetText(dlg, E::IDC_TITLE, "Mail");
        d.Click(dlg, IDOK);
        EXPECT_EQ(d.LastMessage(), "The entry that 'Title' as Mail and 'User Name' as me is exist!");
        EXPECT_TRUE(HasFocus(dlg, E::IDC_TITLE));
        d.Click(dlg, IDCANCEL);
    });
    EXPECT_EQ(r, IDCANCEL);
    EXPECT_EQ(*Stored("Bank", "me"), Row(kBank));
    EXPECT_EQ(*Stored("Mail", "me"), Row(mail));
}

TEST_F(DlgEditEntryTest, EditThatFailsInsideTheTransactionLosesNothing)
{
    Store(kBank);
    ASSERT_EQ(exec("CREATE TRIGGER refuse BEFORE INSERT ON TnPwEntry WHEN NEW.Title = 'boom' "
                   "BEGIN SELECT RAISE(ABORT, 'refused'); END"),
              0);
    E dlg;
    StEntry e = kBank;
    dlg.SetEntry(&e);
    const int r = d.RunModal(dlg, [&](CDialogEx&) {
        d.SetText(dlg, E::IDC_TITLE, "boom");
        d.Click(dlg, IDOK);
        // The failure is reported with SQLite's own words.
        EXPECT_EQ(d.MessageTexts(), QStringList({"SQLite Error!\r\nERROR CODE: 19; ERROR MESSAGE: refused!"}));
        EXPECT_TRUE(HasFocus(dlg, E::IDC_TITLE));
        d.Click(dlg, IDCANCEL);
    });
    EXPECT_EQ(r, IDCANCEL);
    EXPECT_EQ(*Stored("Bank", "me"), Row(kBank));
    EXPECT_FALSE(Stored("boom", "me"));
}

TEST_F(DlgEditEntryTest, CopiedEntryNotInTheVaultIsStoredAsNewWithUpdate)
{
    Store(kBank);
    const int before = entryCount();
    E dlg;
    StEntry copy = kBank;
    copy.strTitle += "-Copy";
    dlg.SetEntry(&copy);
    ExpectNotice();
    const int r = d.RunModal(dlg, [&](CDialogEx&) {
        d.SetText(dlg, E::IDC_USER, "partner");
        d.Click(dlg, IDOK);
    });
    EXPECT_EQ(r, IDOK);
    ASSERT_EQ(m_notices.size(), 1);
    EXPECT_TRUE(m_notices[0].startsWith("Entry Update Successfully!!"));
    EXPECT_EQ(entryCount(), before + 1);
    EXPECT_EQ(*Stored("Bank", "me"), Row(kBank));
    EXPECT_EQ(Stored("Bank-Copy", "partner")->strPasswd, kBank.strPasswd);
}

TEST_F(DlgEditEntryTest, RefusedLoginClosesWithCancel)
{
    setMasterPassword("pw");
    LockVault();  // no prompt installed: the login is refused
    E dlg;
    const int r = d.RunModal(dlg, [&](CDialogEx&) {
        Fill(dlg, kBank);
        d.Click(dlg, IDOK);
    });
    EXPECT_EQ(r, IDCANCEL);
    ASSERT_TRUE(g_pSqlite->ConfirmPasswd("pw", 0));
    EXPECT_FALSE(Stored("Bank", "me"));
}

} // namespace

namespace {

// Pictures of the editor and its notice.
TEST_F(DlgEditEntryTest, Screenshots)
{
    const QString dir = ScreenshotDir();
    E dlg;
    d.RunModal(dlg, [&](CDialogEx&) {
        Fill(dlg, {"Bank", "me@example.org", "Abcdeef1", "https://bank.example", "me@example.org",
                   "Customer number 4711\nPIN in the safe"});
        d.Focus(dlg, E::IDC_PASSWD);
        EXPECT_TRUE(d.SaveScreenshot(dlg, dir + "/editor.png"));
        dlg.EndDialog(IDCANCEL);
    });
    CDlgEntrySavedSuc notice(1, "Bank", "me@example.org", 1200);
    d.RunModal(notice, [&](CDialogEx&) {
        EXPECT_TRUE(d.SaveScreenshot(notice, dir + "/vw-saved.png"));
        notice.EndDialog(IDOK);
    });
    EXPECT_TRUE(RegisteredIdsInLanguageFile(notice, kLangFile));
}

} // namespace
