// The query window asks for the master password as often as the vault's
// input frequency says: never too seldom, never more often. The policy
// belongs to the program: closing and opening the window changes nothing.
#include "QueryDlgFixture.h"
#include "vault/QueryAuth.h"

namespace {

using Q = CDlgPasswdQuery;

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

TEST_F(ReaskTest, EachQueryAsksAtOpeningAndThenAtEverySearch)
{
    protect(FREQ_EACH_QUERY);
    answerConfirm();  // the opening: the password is due, asked before anything is typed
    open([&](Q& dlg) {
        EXPECT_EQ(confirmations(), 1);
        EXPECT_EQ(list(dlg).GetItemCount(), 0);  // no search at opening in this mode
        d.PressKey(dlg, VK_RETURN);              // covered by the password just typed
        EXPECT_EQ(confirmations(), 1);
        EXPECT_EQ(list(dlg).GetItemCount(), 4);
        answerConfirm();
        d.PressKey(dlg, VK_RETURN);
        EXPECT_EQ(confirmations(), 2);
        answerConfirm();
        d.Click(dlg, Q::IDC_SEARCH);
        EXPECT_EQ(confirmations(), 3);
        // What an allowed search listed may be copied.
        copy(dlg);
        EXPECT_EQ(clipboard(), "bank-secret");
        EXPECT_EQ(confirmations(), 3);
    });
}

TEST_F(ReaskTest, EachQueryTypingOnlyShowsTheNoticeAndACancelEmptiesTheList)
{
    protect(FREQ_EACH_QUERY);
    answerConfirm();
    open([&](Q& dlg) {
        d.PressKey(dlg, VK_RETURN);
        d.Type(dlg, Q::IDC_KEYWORDS, "mail");
        EXPECT_EQ(list(dlg).GetItemCount(), 4);
        EXPECT_TRUE(visible(dlg, Q::IDC_NOTICE_EACH_QUERY));
        EXPECT_EQ(dlg.GetTimerElapse(Q::TIMER_HIDE_EACH_QUERY), 4000);
        EXPECT_TRUE(d.FireTimer(dlg, Q::TIMER_HIDE_EACH_QUERY));
        EXPECT_FALSE(visible(dlg, Q::IDC_NOTICE_EACH_QUERY));
        EXPECT_EQ(confirmations(), 1);
        answerConfirm(false);
        d.PressKey(dlg, VK_RETURN);
        EXPECT_EQ(confirmations(), 2);
        // Nothing listed before the cancel is left to copy.
        EXPECT_EQ(list(dlg).GetItemCount(), 0);
        copy(dlg);
        EXPECT_EQ(clipboard(), "before");
        answerConfirm();
        d.PressKey(dlg, VK_RETURN);
        EXPECT_EQ(column(dlg, 0), QStringList({"Mail"}));
    });
}

// ---------------------------------------------------------------- time-based

TEST_F(ReaskTest, TenSecondsCountFromTheLastQueryAcrossOpenings)
{
    protect(FREQ_10_SECONDS);
    answerConfirm();
    open([&](Q& dlg) {
        EXPECT_EQ(confirmations(), 1);
        EXPECT_EQ(list(dlg).GetItemCount(), 4);
    });
    // Reopened within the ten seconds: no prompt, the list is there.
    wait(6000);
    open([&](Q& dlg) {
        EXPECT_EQ(list(dlg).GetItemCount(), 4);
        d.Type(dlg, Q::IDC_KEYWORDS, "ba");
    });
    EXPECT_EQ(confirmations(), 1);
    // Twenty seconds later: closing and opening did not restart the clock.
    wait(20000);
    answerConfirm(false);
    open([&](Q& dlg) {
        EXPECT_EQ(confirmations(), 2);
        EXPECT_EQ(list(dlg).GetItemCount(), 0);
        d.Type(dlg, Q::IDC_KEYWORDS, "");
        copy(dlg);
        EXPECT_EQ(clipboard(), "before");
    });
    EXPECT_EQ(d.MessageTexts(), QStringList());
}

TEST_F(ReaskTest, TenSecondsEachSearchRestartsTheTimeAndCopyAfterItAsksFirst)
{
    protect(FREQ_10_SECONDS);
    answerConfirm();
    open([&](Q& dlg) {
        EXPECT_EQ(dlg.GetTimerElapse(Q::TIMER_AUTHORIZATION), 10000);
        wait(8000);
        d.Type(dlg, Q::IDC_KEYWORDS, "al");  // two searches, each within ten seconds
        wait(8000);
        d.PressKey(dlg, VK_RETURN);
        EXPECT_EQ(confirmations(), 1);
        EXPECT_EQ(dlg.GetTimerElapse(Q::TIMER_AUTHORIZATION), 10000);
        // The time runs out: Ctrl+C asks before it copies; a cancel empties the list.
        wait(10000);
        answerConfirm(false);
        copy(dlg);
        EXPECT_EQ(confirmations(), 2);
        EXPECT_EQ(clipboard(), "before");
        EXPECT_EQ(list(dlg).GetItemCount(), 0);
        answerConfirm();
        d.PressKey(dlg, VK_RETURN);
        EXPECT_EQ(confirmations(), 3);
        copy(dlg);
        EXPECT_EQ(clipboard(), "bank-secret");
    });
}

TEST_F(ReaskTest, TimeRunningOutWithTheWindowActiveAsksAtOnceAndMasks)
{
    protect(FREQ_10_SECONDS);
    setSetting("ShowPasswd", 1);
    answerConfirm();
    open([&](Q& dlg) {
        EXPECT_EQ(column(dlg, 2), QStringList({"bank-secret", "gh-secret", "local-secret", "mail-secret"}));
        wait(10000);
        // The prompt comes when the time is up, not at the next keystroke.
        d.AnswerNextDialog([&](CDialogEx& c) {
            EXPECT_EQ(c.GetDlgItemText(13502), "");
            EXPECT_EQ(column(dlg, 2).filter("secret"), QStringList());
            c.EndDialog(IDCANCEL);
        });
        EXPECT_TRUE(d.FireTimer(dlg, Q::TIMER_AUTHORIZATION));
        EXPECT_EQ(confirmations(), 2);
        EXPECT_EQ(list(dlg).GetItemCount(), 0);
    });
}

TEST_F(ReaskTest, SavedShowPasswdShowsNothingUntilThePasswordIsGiven)
{
    protect(FREQ_1_MINUTE);
    setSetting("ShowPasswd", 1);
    wait(120000);
    answerConfirm(false);
    open([&](Q& dlg) {
        EXPECT_EQ(dlg.IsDlgButtonChecked(Q::IDC_SHOW_PASSWD), BST_CHECKED);
        EXPECT_EQ(list(dlg).GetItemCount(), 0);
        EXPECT_FALSE(detail(dlg).contains("secret"));
    });
    answerConfirm();
    open([&](Q& dlg) { EXPECT_EQ(column(dlg, 2).size(), 4); EXPECT_TRUE(column(dlg, 2).contains("gh-secret")); });
    EXPECT_EQ(confirmations(), 2);
}

TEST_F(ReaskTest, EditOfAnEntryAsksFirstWhenDue)
{
    protect(FREQ_30_SECONDS);
    answerConfirm();
    open([&](Q& dlg) {
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

TEST_F(ReaskTest, EachActivationAsksAtOnceWhenTheWindowIsActivatedAgain)
{
    protect(FREQ_EACH_ACTIVATION);
    answerConfirm();  // opening is an activation
    open([&](Q& dlg) {
        EXPECT_EQ(confirmations(), 1);
        d.PressKey(dlg, VK_RETURN);
        d.PressKey(dlg, VK_RETURN);
        EXPECT_EQ(confirmations(), 1);
        // Left and come back to: asked at once, before anything is typed.
        d.Activate(m_main);
        answerConfirm();
        d.Activate(dlg);
        EXPECT_EQ(confirmations(), 2);
        // The activation that the confirmation's closing causes is not a new one.
        d.ProcessEvents();
        d.PressKey(dlg, VK_RETURN);
        EXPECT_EQ(confirmations(), 2);
        d.Activate(m_main);
        answerConfirm(false);
        d.Activate(dlg);
        EXPECT_EQ(confirmations(), 3);
        EXPECT_EQ(list(dlg).GetItemCount(), 0);
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
