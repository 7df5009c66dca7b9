// The query window asks for the master password as often as the vault's
// input frequency says: never too seldom, never more often.
#include "QueryDlgFixture.h"

namespace {

using Q = CDlgPasswdQuery;

TEST_F(QueryDlgTest, EachQueryAsksAtEverySearchAfterTheOpening)
{
    protect(FREQ_EACH_QUERY);
    Q dlg(0, &m_main);
    d.RunModal(dlg, [&](CDialogEx&) {
        EXPECT_EQ(list(dlg).GetItemCount(), 0);  // no search at opening in this mode
        d.PressKey(dlg, VK_RETURN);              // the opening's login covers one search
        EXPECT_EQ(confirmations(), 0);
        EXPECT_EQ(list(dlg).GetItemCount(), 4);
        EXPECT_EQ(store().GetQueryAuthorization(), 0);
        answerConfirm();
        d.PressKey(dlg, VK_RETURN);
        EXPECT_EQ(confirmations(), 1);
        answerConfirm();
        d.Click(dlg, Q::IDC_SEARCH);
        EXPECT_EQ(confirmations(), 2);
        EXPECT_EQ(store().GetQueryAuthorization(), 0);
        dlg.EndDialog(IDCANCEL);
    });
}

TEST_F(QueryDlgTest, EachQueryTypingOnlyShowsTheNoticeAndACancelSearchesNothing)
{
    protect(FREQ_EACH_QUERY);
    Q dlg(0, &m_main);
    d.RunModal(dlg, [&](CDialogEx&) {
        d.PressKey(dlg, VK_RETURN);
        d.Type(dlg, Q::IDC_KEYWORDS, "mail");
        EXPECT_EQ(list(dlg).GetItemCount(), 4);
        EXPECT_TRUE(visible(dlg, Q::IDC_NOTICE_EACH_QUERY));
        EXPECT_EQ(dlg.GetTimerElapse(Q::TIMER_HIDE_EACH_QUERY), 4000);
        EXPECT_TRUE(d.FireTimer(dlg, Q::TIMER_HIDE_EACH_QUERY));
        EXPECT_FALSE(visible(dlg, Q::IDC_NOTICE_EACH_QUERY));
        EXPECT_EQ(confirmations(), 0);
        answerConfirm(false);
        d.PressKey(dlg, VK_RETURN);
        EXPECT_EQ(confirmations(), 1);
        EXPECT_EQ(list(dlg).GetItemCount(), 4);  // the old rows stay
        EXPECT_EQ(store().GetQueryAuthorization(), 0);
        answerConfirm();
        d.PressKey(dlg, VK_RETURN);
        EXPECT_EQ(column(dlg, 0), QStringList({"Mail"}));
        dlg.EndDialog(IDCANCEL);
    });
}

TEST_F(QueryDlgTest, TenSecondModeAsksOnlyOnceTheTimeSinceTheLastQueryRanOut)
{
    protect(FREQ_10_SECONDS);
    Q dlg(0, &m_main);
    d.RunModal(dlg, [&](CDialogEx&) {
        EXPECT_EQ(list(dlg).GetItemCount(), 4);
        d.PressKey(dlg, VK_RETURN);
        d.Type(dlg, Q::IDC_KEYWORDS, "al");
        EXPECT_EQ(confirmations(), 0);
        EXPECT_EQ(dlg.GetTimerElapse(Q::TIMER_AUTHORIZATION), 10000);
        EXPECT_TRUE(d.FireTimer(dlg, Q::TIMER_AUTHORIZATION));
        EXPECT_EQ(store().GetQueryAuthorization(), 0);
        EXPECT_EQ(dlg.GetTimerElapse(Q::TIMER_AUTHORIZATION), -1);
        answerConfirm();
        d.PressKey(dlg, VK_RETURN);
        EXPECT_EQ(confirmations(), 1);
        // The search started the ten seconds again: the next ones do not ask.
        EXPECT_EQ(dlg.GetTimerElapse(Q::TIMER_AUTHORIZATION), 10000);
        d.Type(dlg, Q::IDC_KEYWORDS, "i");
        d.PressKey(dlg, VK_RETURN);
        EXPECT_EQ(confirmations(), 1);
        EXPECT_EQ(column(dlg, 0), QStringList({"Bank", "GitHub"}));
        dlg.EndDialog(IDCANCEL);
    });
}

TEST_F(QueryDlgTest, EachActivationAsksAgainAfterTheWindowWasLeft)
{
    protect(FREQ_EACH_ACTIVATION);
    answerConfirm();  // opening is an activation
    Q dlg(0, &m_main);
    d.RunModal(dlg, [&](CDialogEx&) {
        EXPECT_EQ(confirmations(), 1);
        d.PressKey(dlg, VK_RETURN);
        d.PressKey(dlg, VK_RETURN);
        EXPECT_EQ(confirmations(), 1);
        d.Activate(m_main);
        d.Activate(dlg);
        answerConfirm();
        d.PressKey(dlg, VK_RETURN);
        EXPECT_EQ(confirmations(), 2);
        // The activation that the confirmation's closing causes is not a new one.
        d.ProcessEvents();
        d.PressKey(dlg, VK_RETURN);
        EXPECT_EQ(confirmations(), 2);
        d.Activate(m_main);
        d.Activate(dlg);
        answerConfirm();
        d.PressKey(dlg, VK_RETURN);
        EXPECT_EQ(confirmations(), 3);
        dlg.EndDialog(IDCANCEL);
    });
}

TEST_F(QueryDlgTest, VaultWithoutPasswordNeverAsks)
{
    setSetting("InputFreq", FREQ_EACH_QUERY);
    g_bNeedPasswd = 1;
    Q dlg(0, &m_main);
    d.RunModal(dlg, [&](CDialogEx&) {
        EXPECT_EQ(dlg.GetInputFreq(), FREQ_LOGIN_ONCE);
        EXPECT_EQ(list(dlg).GetItemCount(), 4);
        for (int i = 0; i < 3; ++i)
            d.PressKey(dlg, VK_RETURN);
        d.Click(dlg, Q::IDC_SHOW_PASSWD);
        dlg.EndDialog(IDCANCEL);
    });
    EXPECT_EQ(confirmations(), 0);
    EXPECT_EQ(g_bNeedPasswd, 0);
}

TEST_F(QueryDlgTest, RefusedLoginAtOpeningClosesTheWindow)
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
