// The query window asks for the master password as often as the vault's
// input frequency says: never too seldom, never more often. The policy
// belongs to the program: closing and opening the window changes nothing.
#include "QueryDlgFixture.h"
#include "vault/QueryAuth.h"

namespace {

using Q = CDlgPasswdQuery;
const QStringList kAll = {"Bank", "GitHub", "Local", "Mail"};

// Time moves only when the test says so.
class ReaskTest : public QueryDlgTest {
protected:
    void SetUp() override
    {
        QueryDlgTest::SetUp();
        m_prevClock = CQueryAuth::SetClock([this] { return m_nowMs; });
    }
    void TearDown() override
    {
        CQueryAuth::SetClock(m_prevClock);
        QueryDlgTest::TearDown();
    }
    void wait(qint64 ms) { m_nowMs += ms; }

    // One opening of the window: `script` runs while it is up.
    void open(const std::function<void(Q&)>& script, int hint = 0)
    {
        Q dlg(hint, &m_main);
        d.RunModal(dlg, [&](CDialogEx&) {
            script(dlg);
            if (dlg.IsRunning())
                dlg.EndDialog(IDCANCEL);
        });
    }
    void copy(Q& dlg) { d.PressKey(dlg, 'C', HOTKEYF_CONTROL); }

    qint64 m_nowMs = 1000000;
    CQueryAuth::Clock m_prevClock;
};

// ---------------------------------------------------------------- each query

TEST_F(ReaskTest, EachQueryNoPromptByItselfTypingEditsTheKeywordsAndEnterAsks)
{
    protect(FREQ_EACH_QUERY);
    open([&](Q& dlg) {
        // Opening asks nothing and lists nothing; the keys typed at once are keywords.
        EXPECT_EQ(confirmations(), 0);
        EXPECT_EQ(list(dlg).GetItemCount(), 0);
        d.Type(dlg, Q::IDC_KEYWORDS, "mail");
        EXPECT_EQ(dlg.GetDlgItemText(Q::IDC_KEYWORDS), "mail");
        EXPECT_EQ(confirmations(), 0);
        EXPECT_TRUE(visible(dlg, Q::IDC_NOTICE_EACH_QUERY));
        EXPECT_EQ(dlg.GetTimerElapse(Q::TIMER_HIDE_EACH_QUERY), 4000);
        EXPECT_TRUE(d.FireTimer(dlg, Q::TIMER_HIDE_EACH_QUERY));
        EXPECT_FALSE(visible(dlg, Q::IDC_NOTICE_EACH_QUERY));
        // Enter opens the prompt, empty; the right password runs the search as typed.
        d.AnswerNextDialog([&](CDialogEx& c) {
            EXPECT_EQ(c.GetDlgItemText(13502), "");
            d.Type(c, 13502, kMaster);
            d.Click(c, IDOK);
        });
        d.PressKey(dlg, VK_RETURN);
        EXPECT_EQ(confirmations(), 1);
        EXPECT_EQ(column(dlg, 0), QStringList({"Mail"}));
        EXPECT_EQ(dlg.GetDlgItemText(Q::IDC_KEYWORDS), "mail");
        // What the allowed search listed may be copied; the next search asks again.
        copy(dlg);
        EXPECT_EQ(clipboard(), "mail-secret");
        answerConfirm();
        d.Click(dlg, Q::IDC_SEARCH);
        EXPECT_EQ(confirmations(), 2);
        // A timer running out asks nothing.
        wait(3600000);
        EXPECT_TRUE(d.FireTimer(dlg, Q::TIMER_RECENT_QUERY));
        EXPECT_EQ(confirmations(), 2);
    });
    // Opened again: still nothing asked until Enter.
    open([&](Q& dlg) {
        d.Activate(m_main);
        d.Activate(dlg);
        EXPECT_EQ(confirmations(), 2);
        EXPECT_EQ(list(dlg).GetItemCount(), 0);
    });
}

TEST_F(ReaskTest, EachQueryACancelSaysThePasswordIsNeededAndCtrlCAsksAgain)
{
    protect(FREQ_EACH_QUERY);
    open([&](Q& dlg) {
        answerConfirm(false);
        d.PressKey(dlg, VK_RETURN);
        EXPECT_EQ(confirmations(), 1);
        EXPECT_EQ(list(dlg).GetItemCount(), 0);
        EXPECT_EQ(detail(dlg), "The master password is needed to list the entries: press Enter or click Search to "
                               "give it.");
        // Ctrl+C is not silently nothing: it asks, and copies what the search finds.
        answerConfirm(false);
        copy(dlg);
        EXPECT_EQ(confirmations(), 2);
        EXPECT_EQ(clipboard(), "before");
        d.Type(dlg, Q::IDC_KEYWORDS, "gith");
        answerConfirm();
        copy(dlg);
        EXPECT_EQ(confirmations(), 3);
        EXPECT_EQ(clipboard(), "gh-secret");
        EXPECT_EQ(column(dlg, 0), QStringList({"GitHub"}));
    });
    EXPECT_EQ(d.MessageTexts(), QStringList());
}

TEST_F(ReaskTest, EachQueryNoGrantCarriesOver)
{
    protect(FREQ_EACH_QUERY);
    // The password typed to change a setting, then a query 90 s later.
    g_pPwSettings->GetQueryAuth().RecordPasswd();
    wait(90000);
    open([&](Q& dlg) {
        answerConfirm(false);
        d.PressKey(dlg, VK_RETURN);
        EXPECT_EQ(confirmations(), 1);
        EXPECT_EQ(list(dlg).GetItemCount(), 0);
        // The password typed for one query opens that query only.
        answerConfirm();
        d.PressKey(dlg, VK_RETURN);
        EXPECT_EQ(list(dlg).GetItemCount(), 4);
        d.Type(dlg, Q::IDC_KEYWORDS, "bank");
        answerConfirm(false);
        d.PressKey(dlg, VK_RETURN);
        EXPECT_EQ(confirmations(), 3);
        EXPECT_EQ(list(dlg).GetItemCount(), 0);
    });
}

TEST_F(ReaskTest, EachQueryOnceMaskedEditShowAndCopyAskAgain)
{
    protect(FREQ_EACH_QUERY);
    open([&](Q& dlg) {
        answerConfirm();
        d.PressKey(dlg, VK_RETURN);
        d.SelectListRow(dlg, Q::IDC_LIST, 3);
        // The window's 30-second mask ends what the search allowed: Enter on
        // the row asks, then edits that row.
        wait(50000);
        EXPECT_TRUE(d.FireTimer(dlg, Q::TIMER_RECENT_QUERY));
        answerConfirm();
        d.AnswerNextDialog([&](CDialogEx& editor) {
            EXPECT_EQ(editor.GetDlgItemText(CDlgEditEntry::IDC_TITLE), "Mail");
            editor.EndDialog(IDCANCEL);
        });
        d.Focus(dlg, Q::IDC_LIST);
        d.PressKey(dlg, VK_RETURN);
        EXPECT_EQ(confirmations(), 2);
        EXPECT_EQ(d.Log().filter("dialog 13100").size(), 1);
        EXPECT_EQ(list(dlg).GetNextItem(-1, LVNI_SELECTED), 3);
        wait(31000);
        EXPECT_TRUE(d.FireTimer(dlg, Q::TIMER_RECENT_QUERY));
        answerConfirm();
        copy(dlg);
        EXPECT_EQ(confirmations(), 3);
        EXPECT_EQ(clipboard(), "mail-secret");
        wait(31000);
        EXPECT_TRUE(d.FireTimer(dlg, Q::TIMER_RECENT_QUERY));
        answerConfirm(false);
        d.Click(dlg, Q::IDC_SHOW_PASSWD);
        EXPECT_EQ(confirmations(), 4);
        EXPECT_EQ(column(dlg, 2).filter("secret"), QStringList());
    });
}

// ---------------------------------------------------------------- time-based

TEST_F(ReaskTest, TenSecondsTypingWhileDueOnlyEditsTheKeywordsAndEnterAsks)
{
    protect(FREQ_10_SECONDS);
    open([&](Q& dlg) {
        // Nothing queried yet: due, and said so; nothing asked, nothing listed.
        EXPECT_EQ(confirmations(), 0);
        EXPECT_EQ(list(dlg).GetItemCount(), 0);
        EXPECT_TRUE(visible(dlg, Q::IDC_NOTICE_EACH_QUERY));
        EXPECT_EQ(dlg.GetDlgItemText(Q::IDC_NOTICE_EACH_QUERY),
                  "The master password is needed: type the keywords, then press Enter or click Search.");
        d.Type(dlg, Q::IDC_KEYWORDS, "mail");
        EXPECT_EQ(dlg.GetDlgItemText(Q::IDC_KEYWORDS), "mail");
        EXPECT_EQ(confirmations(), 0);
        EXPECT_EQ(list(dlg).GetItemCount(), 0);
        answerConfirm();
        d.PressKey(dlg, VK_RETURN);
        EXPECT_EQ(confirmations(), 1);
        EXPECT_EQ(column(dlg, 0), QStringList({"Mail"}));
        EXPECT_FALSE(visible(dlg, Q::IDC_NOTICE_EACH_QUERY));
        // Within the ten seconds typing searches.
        wait(8000);
        d.SetText(dlg, Q::IDC_KEYWORDS, "al");
        EXPECT_EQ(column(dlg, 0), QStringList({"Bank", "GitHub", "Local"}));
        // Run out: masked and said so, no prompt; the keys go on into the keywords.
        wait(10000);
        EXPECT_TRUE(d.FireTimer(dlg, Q::TIMER_AUTHORIZATION));
        EXPECT_EQ(confirmations(), 1);
        EXPECT_TRUE(visible(dlg, Q::IDC_NOTICE_EACH_QUERY));
        d.Type(dlg, Q::IDC_KEYWORDS, "ice work");
        EXPECT_EQ(dlg.GetDlgItemText(Q::IDC_KEYWORDS), "alice work");
        EXPECT_EQ(column(dlg, 0), QStringList({"Bank", "GitHub", "Local"}));
        EXPECT_EQ(confirmations(), 1);
        // Ctrl+C asks, then copies from the answer to the keywords as typed.
        answerConfirm();
        copy(dlg);
        EXPECT_EQ(confirmations(), 2);
        EXPECT_EQ(column(dlg, 0), QStringList({"GitHub"}));
        EXPECT_EQ(clipboard(), "gh-secret");
    });
    EXPECT_EQ(d.MessageTexts(), QStringList());
}

TEST_F(ReaskTest, TenSecondsExpiryComesAtTheMomentTheTimeRunsOut)
{
    protect(FREQ_10_SECONDS);
    setSetting("ShowPasswd", 1);
    open([&](Q& dlg) {
        answerConfirm();
        d.PressKey(dlg, VK_RETURN);
        EXPECT_EQ(column(dlg, 2), QStringList({"bank-secret", "gh-secret", "local-secret", "mail-secret"}));
        EXPECT_EQ(dlg.GetTimerElapse(Q::TIMER_AUTHORIZATION), 10000);
        // A timer that fires early changes nothing and is armed for the rest.
        wait(9500);
        EXPECT_TRUE(d.FireTimer(dlg, Q::TIMER_AUTHORIZATION));
        EXPECT_EQ(column(dlg, 2)[0], "bank-secret");
        EXPECT_EQ(dlg.GetTimerElapse(Q::TIMER_AUTHORIZATION), 500);
        wait(500);
        EXPECT_TRUE(d.FireTimer(dlg, Q::TIMER_AUTHORIZATION));
        EXPECT_EQ(column(dlg, 2).filter("secret"), QStringList());
        EXPECT_FALSE(detail(dlg).contains("secret"));
        EXPECT_EQ(list(dlg).GetItemCount(), 4);
        EXPECT_EQ(confirmations(), 1);
        // A late timer: the clock decides, so nothing is copied without asking.
        answerConfirm(false);
        copy(dlg);
        EXPECT_EQ(confirmations(), 2);
        EXPECT_EQ(clipboard(), "before");
        EXPECT_EQ(detail(dlg), "The master password is needed to list the entries: press Enter or click Search to "
                               "give it.");
    });
    // Across openings the time counts from the last query.
    open([&](Q& dlg) {
        answerConfirm();
        d.PressKey(dlg, VK_RETURN);
    });
    wait(6000);
    open([&](Q& dlg) {
        EXPECT_EQ(list(dlg).GetItemCount(), 4);
        EXPECT_EQ(dlg.GetTimerElapse(Q::TIMER_AUTHORIZATION), 10000);  // the opening searched
    });
    wait(4000);
    open([&](Q& dlg) {
        wait(9000);
        d.PressKey(dlg, VK_RETURN);
        EXPECT_EQ(dlg.GetTimerElapse(Q::TIMER_AUTHORIZATION), 10000);
    });
    EXPECT_EQ(confirmations(), 3);
}

TEST_F(ReaskTest, TenSecondsLateTimerStillAsksBeforeACopy)
{
    protect(FREQ_10_SECONDS);
    open([&](Q& dlg) {
        answerConfirm();
        d.PressKey(dlg, VK_RETURN);
        wait(8000);
        copy(dlg);
        EXPECT_EQ(clipboard(), "bank-secret");
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        // The time ran out and the timer has not come yet.
        wait(2000);
        answerConfirm(false);
        copy(dlg);
        EXPECT_EQ(confirmations(), 2);
        EXPECT_EQ(clipboard(), "before");
        EXPECT_EQ(list(dlg).GetItemCount(), 0);
    });
}

TEST_F(ReaskTest, SavedShowPasswdShowsNothingUntilThePasswordIsGiven)
{
    protect(FREQ_1_MINUTE);
    setSetting("ShowPasswd", 1);
    wait(120000);
    open([&](Q& dlg) {
        EXPECT_EQ(dlg.IsDlgButtonChecked(Q::IDC_SHOW_PASSWD), BST_CHECKED);
        EXPECT_EQ(list(dlg).GetItemCount(), 0);
        EXPECT_FALSE(detail(dlg).contains("secret"));
        answerConfirm();
        d.PressKey(dlg, VK_RETURN);
        EXPECT_EQ(column(dlg, 2).size(), 4);
        EXPECT_TRUE(column(dlg, 2).contains("gh-secret"));
    });
    EXPECT_EQ(confirmations(), 1);
}

TEST_F(ReaskTest, EditOfAnEntryAsksFirstWhenDue)
{
    protect(FREQ_30_SECONDS);
    open([&](Q& dlg) {
        answerConfirm();
        d.PressKey(dlg, VK_RETURN);
        wait(31000);
        answerConfirm(false);
        d.DoubleClickListRow(dlg, Q::IDC_LIST, 0);
        // Cancelled: no editor came up, nothing is left listed.
        EXPECT_EQ(d.Log().filter("dialog 13100").size(), 0);
        EXPECT_EQ(list(dlg).GetItemCount(), 0);
    });
    EXPECT_EQ(confirmations(), 2);
}

// ---------------------------------------------------------------- each activation

TEST_F(ReaskTest, EachActivationAsksAtTheNextActionAfterTheWindowIsActivatedAgain)
{
    protect(FREQ_EACH_ACTIVATION);
    open([&](Q& dlg) {
        EXPECT_EQ(confirmations(), 0);
        answerConfirm();
        d.PressKey(dlg, VK_RETURN);
        d.PressKey(dlg, VK_RETURN);
        EXPECT_EQ(confirmations(), 1);
        // Left and come back to: masked, nothing asked, typing edits the keywords.
        d.Activate(m_main);
        d.Activate(dlg);
        EXPECT_EQ(confirmations(), 1);
        d.Type(dlg, Q::IDC_KEYWORDS, "bob");
        EXPECT_EQ(dlg.GetDlgItemText(Q::IDC_KEYWORDS), "bob");
        EXPECT_EQ(list(dlg).GetItemCount(), 4);
        answerConfirm();
        d.PressKey(dlg, VK_RETURN);
        EXPECT_EQ(confirmations(), 2);
        EXPECT_EQ(column(dlg, 0), QStringList({"Mail"}));
        // The activation that the confirmation's closing causes is not a new one.
        d.ProcessEvents();
        d.PressKey(dlg, VK_RETURN);
        EXPECT_EQ(confirmations(), 2);
        d.Activate(m_main);
        d.Activate(dlg);
        answerConfirm(false);
        copy(dlg);
        EXPECT_EQ(confirmations(), 3);
        EXPECT_EQ(list(dlg).GetItemCount(), 0);
        EXPECT_EQ(clipboard(), "before");
    });
}

TEST_F(ReaskTest, EachActivationOneOpeningOnePrompt)
{
    protect(FREQ_EACH_ACTIVATION);
    // Not logged in yet: the opening asks for the login, and that is all.
    ASSERT_TRUE(g_pSqlite->CloseDB());
    ASSERT_EQ(g_pSqlite->InitDB(), 0);
    ScriptedLogin login(QString::fromLatin1(kMaster));
    open([&](Q& dlg) {
        EXPECT_EQ(list(dlg).GetItemCount(), 4);
        copy(dlg);
        EXPECT_EQ(clipboard(), "bank-secret");
    });
    EXPECT_EQ(login.calls(), 1);
    EXPECT_EQ(confirmations(), 0);
}

// ---------------------------------------------------------------- never asks

TEST_F(ReaskTest, LoginOnceNeverAsksAcrossOpenings)
{
    protect(FREQ_LOGIN_ONCE);
    setSetting("ShowPasswd", 1);
    for (int i = 0; i < 3; ++i) {
        wait(3600000);
        open([&](Q& dlg) {
            EXPECT_TRUE(column(dlg, 2).contains("mail-secret"));
            d.PressKey(dlg, VK_RETURN);
        });
    }
    EXPECT_EQ(confirmations(), 0);
}

TEST_F(ReaskTest, VaultWithoutPasswordNeverAsks)
{
    setSetting("InputFreq", FREQ_EACH_QUERY);
    g_bNeedPasswd = 1;
    open([&](Q& dlg) {
        EXPECT_EQ(dlg.GetInputFreq(), FREQ_LOGIN_ONCE);
        EXPECT_EQ(list(dlg).GetItemCount(), 4);
        for (int i = 0; i < 3; ++i)
            d.PressKey(dlg, VK_RETURN);
        d.Click(dlg, Q::IDC_SHOW_PASSWD);
    });
    EXPECT_EQ(confirmations(), 0);
    EXPECT_EQ(g_bNeedPasswd, 0);
}

TEST_F(ReaskTest, RefusedLoginAtOpeningClosesTheWindow)
{
    protect(FREQ_LOGIN_ONCE);
    ASSERT_TRUE(g_pSqlite->CloseDB());
    ASSERT_EQ(g_pSqlite->InitDB(), 0);
    ScriptedLogin refuse(std::nullopt);
    Q dlg(0, &m_main);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(refuse.calls(), 1);
}

} // namespace
