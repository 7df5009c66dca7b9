// A delete in the query window happens at once and can be taken back: the
// notice says how many entries went and that Ctrl+Z restores them, and Ctrl+Z
// or the row menu puts the last delete back exactly, every field of it.
#include "QueryDlgFixture.h"
#include "vault/QueryAuth.h"

namespace {

using Q = CDlgPasswdQuery;

class QueryUndoTest : public QueryDlgTest {
protected:
    void SetUp() override
    {
        QueryDlgTest::SetUp();
        // Fields the list does not show, or shows otherwise, must come back too.
        ASSERT_EQ(exec("INSERT INTO TnPwEntry VALUES('Server','Aardvark','root','it''s %_ secret',"
                       "'ssh://host','ops@example.org','line 1\nline 2')"),
                  0);
    }

    ST_PW_ENTRY stored(const QString& title, const QString& user)
    {
        ST_PW_ENTRY e{{}, title, user, {}, {}, {}, {}};
        return store().SelectEntry(&e) ? e : ST_PW_ENTRY{};
    }

    QString notice(Q& dlg) { return visible(dlg, Q::IDC_NOTICE_UNDO) ? dlg.GetDlgItemText(Q::IDC_NOTICE_UNDO) : QString(); }
    void undoKey(Q& dlg) { d.PressKey(dlg, 'Z', HOTKEYF_CONTROL); }
    void deleteKey(Q& dlg, int row)
    {
        d.SelectListRow(dlg, Q::IDC_LIST, row);
        d.Focus(dlg, Q::IDC_LIST);
        d.PressKey(dlg, VK_DELETE);
    }

    const platform::MenuItem* menuItem(std::size_t menu, UINT id) const
    {
        for (const auto& item : d.Menus().at(menu))
            if (item.id == id)
                return &item;
        return nullptr;
    }

    qint64 m_nowMs = 1000000;
};

TEST_F(QueryUndoTest, DeleteKeyOnTheListDeletesAndCtrlZRestoresEveryField)
{
    const ST_PW_ENTRY before = stored("Aardvark", "root");
    ASSERT_EQ(before.strEntryType, "Server");
    Q dlg(0, &m_main);
    d.RunModal(dlg, [&](CDialogEx&) {
        // In the keyword box Delete edits the text; nothing is deleted.
        d.SetText(dlg, Q::IDC_KEYWORDS, "ro");
        d.PressKey(dlg, VK_HOME);
        d.PressKey(dlg, VK_DELETE);
        EXPECT_EQ(dlg.GetDlgItemText(Q::IDC_KEYWORDS), "o");
        EXPECT_EQ(entryCount(), 5);

        d.SetText(dlg, Q::IDC_KEYWORDS, "");
        deleteKey(dlg, 0);
        EXPECT_EQ(column(dlg, 0), QStringList({"Bank", "GitHub", "Local", "Mail"}));
        EXPECT_EQ(stored("Aardvark", "root"), ST_PW_ENTRY{});
        EXPECT_EQ(notice(dlg), "1 entry deleted. Press Ctrl+Z to restore it.");
        EXPECT_EQ(dlg.UndoCount(), 1);

        // The focus is back in the keyword box, as after every action.
        d.Focus(dlg, Q::IDC_KEYWORDS);
        undoKey(dlg);
        EXPECT_EQ(column(dlg, 0), QStringList({"Aardvark", "Bank", "GitHub", "Local", "Mail"}));
        EXPECT_EQ(dlg.GetDlgItemText(Q::IDC_KEYWORDS), "");
        EXPECT_EQ(notice(dlg), "Entries restored: 1.");
        EXPECT_EQ(dlg.UndoCount(), 0);
        EXPECT_TRUE(d.FireTimer(dlg, Q::TIMER_HIDE_UNDO));
        EXPECT_EQ(notice(dlg), "");
        dlg.EndDialog(IDCANCEL);
    });
    EXPECT_EQ(stored("Aardvark", "root"), before);
    EXPECT_TRUE(d.MessageTexts().isEmpty());
}

TEST_F(QueryUndoTest, RowMenuDeletesAndItsUndoItemRestores)
{
    const ST_PW_ENTRY before = stored("Aardvark", "root");
    Q dlg(0, &m_main);
    d.RunModal(dlg, [&](CDialogEx&) {
        d.AnswerNextMenu(Q::ID_MENU_DELETE);
        d.RightClickListRow(dlg, Q::IDC_LIST, 0);
        EXPECT_EQ(entryCount(), 4);
        EXPECT_EQ(notice(dlg), "1 entry deleted. Press Ctrl+Z to restore it.");

        d.AnswerNextMenu(Q::ID_MENU_UNDO_DELETE);
        d.RightClickListRow(dlg, Q::IDC_LIST, 1);
        EXPECT_EQ(column(dlg, 0), QStringList({"Aardvark", "Bank", "GitHub", "Local", "Mail"}));

        ASSERT_EQ(d.Menus().size(), 2u);
        // Nothing to undo before the delete; afterwards the item is there.
        ASSERT_TRUE(menuItem(0, Q::ID_MENU_UNDO_DELETE));
        EXPECT_FALSE(menuItem(0, Q::ID_MENU_UNDO_DELETE)->enabled);
        EXPECT_TRUE(menuItem(1, Q::ID_MENU_UNDO_DELETE)->enabled);
        EXPECT_EQ(menuItem(1, Q::ID_MENU_UNDO_DELETE)->text, "U&ndo Delete (Ctrl+Z)");
        dlg.EndDialog(IDCANCEL);
    });
    EXPECT_EQ(stored("Aardvark", "root"), before);
}

TEST_F(QueryUndoTest, DeleteCheckedItemsIsUndoneAsAWholeAndOnlyTheLastDelete)
{
    const ST_PW_ENTRY aardvark = stored("Aardvark", "root");
    const ST_PW_ENTRY mail = stored("Mail", "bob");
    Q dlg(0, &m_main);
    d.RunModal(dlg, [&](CDialogEx&) {
        // An earlier delete is replaced by the next one.
        deleteKey(dlg, 1);
        EXPECT_EQ(column(dlg, 0), QStringList({"Aardvark", "GitHub", "Local", "Mail"}));

        d.ToggleListCheck(dlg, Q::IDC_LIST, 0);
        d.ToggleListCheck(dlg, Q::IDC_LIST, 3);
        d.Click(dlg, Q::IDC_DELETE_CHECKED);
        EXPECT_EQ(column(dlg, 0), QStringList({"GitHub", "Local"}));
        EXPECT_EQ(notice(dlg), "Entries deleted: 2. Press Ctrl+Z to restore them.");

        undoKey(dlg);
        EXPECT_EQ(column(dlg, 0), QStringList({"Aardvark", "GitHub", "Local", "Mail"}));
        // Nothing left to undo: Ctrl+Z is the keyword box's own again and
        // the first delete stays done.
        d.Type(dlg, Q::IDC_KEYWORDS, "a");
        undoKey(dlg);
        EXPECT_EQ(entryCount(), 4);
        EXPECT_EQ(dlg.GetDlgItemText(Q::IDC_KEYWORDS), "");
        dlg.EndDialog(IDCANCEL);
    });
    EXPECT_EQ(stored("Aardvark", "root"), aardvark);
    EXPECT_EQ(stored("Mail", "bob"), mail);
    EXPECT_EQ(stored("Bank", "alice"), ST_PW_ENTRY{});
}

TEST_F(QueryUndoTest, AnEntryStoredSinceUnderTheSameNameKeepsTheUndoAndIsNotReplaced)
{
    Q dlg(0, &m_main);
    d.RunModal(dlg, [&](CDialogEx&) {
        deleteKey(dlg, 0);
        add("Aardvark", "root", "new-secret");
        undoKey(dlg);
        ASSERT_EQ(d.MessageTexts().size(), 1);
        EXPECT_TRUE(d.LastMessage().startsWith("The deleted entries were not restored")) << d.LastMessage().toStdString();
        EXPECT_EQ(dlg.UndoCount(), 1);

        // Once the name is free again the undo goes through.
        ASSERT_TRUE(store().DeleteEntry("Aardvark", "root"));
        undoKey(dlg);
        EXPECT_EQ(dlg.UndoCount(), 0);
        dlg.EndDialog(IDCANCEL);
    });
    EXPECT_EQ(stored("Aardvark", "root").strPasswd, "it's %_ secret");
    EXPECT_EQ(entryCount(), 5);
}

TEST_F(QueryUndoTest, UndoWhileThePasswordIsDueAsksFirstAndACancelRestoresNothing)
{
    const auto previousClock = CQueryAuth::SetClock([this] { return m_nowMs; });
    protect(FREQ_30_SECONDS);
    Q dlg(0, &m_main);
    d.RunModal(dlg, [&](CDialogEx&) {
        // The search asks; the list it gives is what the delete works on.
        answerConfirm();
        d.Click(dlg, Q::IDC_SEARCH);
        ASSERT_EQ(list(dlg).GetItemCount(), 5);
        deleteKey(dlg, 0);
        m_nowMs += 31000;
        answerConfirm(false);
        undoKey(dlg);
        EXPECT_EQ(entryCount(), 4);
        EXPECT_EQ(dlg.UndoCount(), 1);
        EXPECT_EQ(list(dlg).GetItemCount(), 0);

        answerConfirm();
        undoKey(dlg);
        EXPECT_EQ(entryCount(), 5);
        EXPECT_EQ(list(dlg).GetItemCount(), 5);
        dlg.EndDialog(IDCANCEL);
    });
    EXPECT_EQ(confirmations(), 3);
    CQueryAuth::SetClock(previousClock);
}

} // namespace
