// The query window and the entry editor used with the keyboard alone: the
// list's own keys (menu key, Shift+F10, Enter), what an empty result says,
// a window that grows with its list, and an editor that does not drop what
// was typed on a stray Esc.
#include <QWidget>

#include "platform/TextDirection.h"

#include "QueryDlgFixture.h"

namespace {

using Q = CDlgPasswdQuery;
using E = CDlgEditEntry;

// Keys on the list once a row is chosen there with the arrows.
void SelectRowByKeys(DialogDriver& d, Q& dlg, int row)
{
    d.Focus(dlg, Q::IDC_LIST);
    d.SelectListRow(dlg, Q::IDC_LIST, row);
    d.ProcessEvents();
}

TEST_F(QueryDlgTest, MenuKeyAndShiftF10OpenTheMenuAtTheSelectedRow)
{
    Q dlg(0, &m_main);
    d.RunModal(dlg, [&](CDialogEx&) {
        SelectRowByKeys(d, dlg, 2);
        CRect row;
        ASSERT_TRUE(list(dlg).GetItemRect(2, row));
        d.PressKey(dlg, VK_APPS);
        d.AnswerNextMenu(Q::ID_MENU_DELETE);
        d.PressKey(dlg, VK_F10, HOTKEYF_SHIFT);
        ASSERT_EQ(d.Menus().size(), 2u);
        for (const CPoint& at : d.MenuPoints()) {
            EXPECT_EQ(at.y, row.bottom);
            EXPECT_EQ(at.x, row.left);
        }
        // The second menu deleted the row it was opened at.
        EXPECT_EQ(column(dlg, 0), QStringList({"Bank", "GitHub", "Mail"}));
        // F10 alone, and the menu key outside the list, are no menu.
        d.PressKey(dlg, VK_F10);
        d.Focus(dlg, Q::IDC_SHOW_PASSWD);
        d.PressKey(dlg, VK_APPS);
        EXPECT_EQ(d.Menus().size(), 2u);
        dlg.EndDialog(IDCANCEL);
    });
    EXPECT_EQ(entryCount(), 3);
}

TEST_F(QueryDlgTest, MenuKeyOnAnEmptyListOffersOnlyAdding)
{
    ASSERT_EQ(exec("DELETE FROM TnPwEntry"), 0);
    Q dlg(0, &m_main);
    d.RunModal(dlg, [&](CDialogEx&) {
        d.Focus(dlg, Q::IDC_LIST);
        d.PressKey(dlg, VK_APPS);
        ASSERT_EQ(d.Menus().size(), 1u);
        for (const platform::MenuItem& item : d.Menus()[0]) {
            if (item.id != 0) {
                EXPECT_EQ(item.enabled, item.id == Q::ID_MENU_ADD) << item.id;
            }
        }
        dlg.EndDialog(IDCANCEL);
    });
}

TEST_F(QueryDlgTest, EnterOnARowEditsItAndEnterInTheKeywordsStillSearches)
{
    Q dlg(0, &m_main);
    d.RunModal(dlg, [&](CDialogEx&) {
        d.Type(dlg, Q::IDC_KEYWORDS, "alice");
        d.PressKey(dlg, VK_RETURN);
        EXPECT_TRUE(d.Log().filter("dialog 13100").isEmpty()) << "Enter in the keywords is a search";
        EXPECT_EQ(column(dlg, 0), QStringList({"Bank", "GitHub"}));

        d.PressKey(dlg, VK_DOWN);  // into the list, second row
        d.ProcessEvents();
        ASSERT_TRUE(dlg.GetDlgItem(Q::IDC_LIST).HasFocus());
        d.AnswerNextDialog([&](CDialogEx& editor) {
            EXPECT_EQ(editor.GetTemplateId(), E::IDD);
            EXPECT_EQ(editor.GetDlgItemText(E::IDC_TITLE), "GitHub");
            EXPECT_EQ(editor.GetDlgItemText(E::IDC_PASSWD), "gh-secret");
            editor.EndDialog(IDCANCEL);
        });
        d.PressKey(dlg, VK_RETURN);
        EXPECT_EQ(d.Log().filter("dialog 13100").size(), 1);
        dlg.EndDialog(IDCANCEL);
    });
}

TEST_F(QueryDlgTest, ASearchThatFindsNothingSaysSoAndLeavesOpenUrlOff)
{
    Q dlg(0, &m_main);
    d.RunModal(dlg, [&](CDialogEx&) {
        d.SelectListRow(dlg, Q::IDC_LIST, 0);  // Bank has an address
        EXPECT_TRUE(dlg.GetDlgItem(Q::IDC_OPEN_URL).IsWindowEnabled());
        d.Type(dlg, Q::IDC_KEYWORDS, "zzz");
        EXPECT_EQ(list(dlg).GetItemCount(), 0);
        EXPECT_EQ(detail(dlg), "Nothing found for: zzz");
        EXPECT_FALSE(dlg.GetDlgItem(Q::IDC_OPEN_URL).IsWindowEnabled());
        d.PressKey(dlg, VK_RETURN, HOTKEYF_ALT);  // Open URL with nothing to open
        EXPECT_TRUE(dlg.IsRunning());
        dlg.EndDialog(IDCANCEL);
    });
}

TEST_F(QueryDlgTest, DeletingTheLastRowEmptiesTheWindowAndSwitchesOpenUrlOff)
{
    ASSERT_EQ(exec("DELETE FROM TnPwEntry WHERE Title <> 'Bank'"), 0);
    Q dlg(0, &m_main);
    d.RunModal(dlg, [&](CDialogEx&) {
        EXPECT_TRUE(dlg.GetDlgItem(Q::IDC_OPEN_URL).IsWindowEnabled());
        d.AnswerNextMenu(Q::ID_MENU_DELETE);
        d.RightClickListRow(dlg, Q::IDC_LIST, 0);
        EXPECT_EQ(list(dlg).GetItemCount(), 0);
        EXPECT_FALSE(dlg.GetDlgItem(Q::IDC_OPEN_URL).IsWindowEnabled());
        EXPECT_EQ(detail(dlg), "The vault holds no entries yet.");
        dlg.EndDialog(IDCANCEL);
    });
}

TEST_F(QueryDlgTest, TheWindowGrowsWithItsListAndDetailOnlyItMaximises)
{
    Q dlg(0, &m_main);
    d.RunModal(dlg, [&](CDialogEx&) {
        QWidget* host = dlg.GetWidget();
        EXPECT_TRUE(host->windowFlags() & Qt::WindowMaximizeButtonHint);
        EXPECT_EQ(host->minimumSize(), host->size());
        EXPECT_GT(host->maximumWidth(), host->width());
        const auto geometry = [&](int id) { return dlg.GetDlgItem(id).GetWidget()->geometry(); };
        const QRect listBefore = geometry(Q::IDC_LIST), detailBefore = geometry(Q::IDC_DETAIL);
        const QRect searchBefore = geometry(Q::IDC_SEARCH), openBefore = geometry(Q::IDC_OPEN_URL);
        const QRect showBefore = geometry(Q::IDC_SHOW_PASSWD);
        host->resize(host->width() + 120, host->height() + 90);
        d.ProcessEvents();
        EXPECT_EQ(geometry(Q::IDC_LIST), listBefore.adjusted(0, 0, 120, 90));
        EXPECT_EQ(geometry(Q::IDC_DETAIL), detailBefore.adjusted(0, 90, 120, 90));
        EXPECT_EQ(geometry(Q::IDC_SEARCH), searchBefore.translated(120, 0));
        EXPECT_EQ(geometry(Q::IDC_OPEN_URL), openBefore.translated(120, 90));
        EXPECT_EQ(geometry(Q::IDC_SHOW_PASSWD), showBefore.translated(0, 90));
        EXPECT_TRUE(d.TabFollowsReadingOrder(dlg));
        dlg.EndDialog(IDCANCEL);
    });

    // A window that cannot grow offers no maximise button.
    E editor;
    d.RunModal(editor, [&](CDialogEx&) {
        QWidget* host = editor.GetWidget();
        EXPECT_FALSE(host->windowFlags() & Qt::WindowMaximizeButtonHint);
        EXPECT_EQ(host->minimumSize(), host->maximumSize());
        editor.EndDialog(IDCANCEL);
    });
}

TEST_F(QueryDlgTest, AMirroredWindowGrowsTowardsItsLeft)
{
    Q dlg(0, &m_main);
    d.RunModal(dlg, [&](CDialogEx&) {
        QWidget* host = dlg.GetWidget();
        platform::SetWindowRightToLeft(dlg, true);
        const auto geometry = [&](int id) { return dlg.GetDlgItem(id).GetWidget()->geometry(); };
        const QRect searchBefore = geometry(Q::IDC_SEARCH), keywordsBefore = geometry(Q::IDC_KEYWORDS);
        const QRect checkAllBefore = geometry(Q::IDC_CHECK_ALL);
        host->resize(host->width() + 100, host->height());
        d.ProcessEvents();
        // The search button stays at the left edge, the keywords keep the right one.
        EXPECT_EQ(geometry(Q::IDC_SEARCH), searchBefore);
        EXPECT_EQ(geometry(Q::IDC_KEYWORDS), keywordsBefore.adjusted(0, 0, 100, 0));
        EXPECT_EQ(geometry(Q::IDC_CHECK_ALL), checkAllBefore.translated(100, 0));
        platform::SetWindowRightToLeft(dlg, false);
        dlg.EndDialog(IDCANCEL);
    });
}

TEST_F(QueryDlgTest, AltLettersOfTheQueryWindowReachTheirControls)
{
    Q dlg(0, &m_main);
    d.RunModal(dlg, [&](CDialogEx&) {
        EXPECT_TRUE(d.MnemonicsAreUnique(dlg));
        d.Focus(dlg, Q::IDC_KEYWORDS);
        d.PressMnemonic(dlg, 'C');  // &Check All
        EXPECT_EQ(dlg.IsDlgButtonChecked(Q::IDC_CHECK_ALL), UINT(BST_CHECKED));
        EXPECT_TRUE(list(dlg).GetCheck(3));
        d.PressMnemonic(dlg, 'H');  // Delete C&hecked Items: no question, all four go
        EXPECT_EQ(list(dlg).GetItemCount(), 0);
        EXPECT_EQ(dlg.GetDlgItemText(Q::IDC_KEYWORDS), "") << "an Alt+letter is not typed into the keywords";
        dlg.EndDialog(IDCANCEL);
    });
    EXPECT_EQ(entryCount(), 0);
}

// ---- the entry editor's Esc ----------------------------------------------------

TEST_F(QueryDlgTest, EscClosesAnUntouchedEditorAtOnce)
{
    E add;
    EXPECT_EQ(d.RunModal(add, [&](CDialogEx&) { d.PressKey(add, VK_ESCAPE); }), IDCANCEL);
    StEntry entry{"Bank", "alice", "bank-secret", "https://bank.example", "alice@example.org", "savings"};
    E edit;
    edit.SetEntry(&entry);
    EXPECT_EQ(d.RunModal(edit, [&](CDialogEx&) { d.PressKey(edit, VK_ESCAPE); }), IDCANCEL);
    EXPECT_TRUE(d.MessageTexts().isEmpty());
}

TEST_F(QueryDlgTest, EscAfterTypingAsksAndKeepsEditingUnlessTheUserDiscards)
{
    E dlg;
    const int r = d.RunModal(dlg, [&](CDialogEx&) {
        d.Type(dlg, E::IDC_TITLE, "Half typed");
        d.AnswerNextMessageBox(IDNO);
        d.PressKey(dlg, VK_ESCAPE);
        ASSERT_EQ(d.MessageTexts(), QStringList({"Discard the changes to this entry?"}));
        EXPECT_TRUE(dlg.IsRunning());
        EXPECT_EQ(dlg.GetDlgItemText(E::IDC_TITLE), "Half typed");
        d.AnswerNextMessageBox(IDYES);
        d.Click(dlg, IDCANCEL);
        EXPECT_FALSE(dlg.IsRunning());
    });
    EXPECT_EQ(r, IDCANCEL);
    EXPECT_EQ(d.MessageTexts().size(), 2);
    EXPECT_EQ(entryCount(), 4);
}

TEST_F(QueryDlgTest, DiscardQuestionIsAskedWithTheNoAnswerAsDefault)
{
    unsigned asked = 0;
    const platform::MessageBoxHandler previous =
        platform::SetMessageBoxHandler([&](const QString&, const QString&, unsigned type) {
            asked = type;
            return int(IDNO);
        });
    StEntry entry{"Bank", "alice", "bank-secret", "https://bank.example", "alice@example.org", "savings"};
    E dlg;
    dlg.SetEntry(&entry);
    d.RunModal(dlg, [&](CDialogEx&) {
        d.SetText(dlg, E::IDC_NOTES, "savings and more");
        d.PressKey(dlg, VK_ESCAPE);
        EXPECT_TRUE(dlg.IsRunning());
        dlg.EndDialog(IDCANCEL);
    });
    platform::SetMessageBoxHandler(previous);
    EXPECT_EQ(asked & MB_TYPEMASK, unsigned(MB_YESNO));
    EXPECT_EQ(asked & MB_ICONMASK, unsigned(MB_ICONQUESTION));
}

TEST_F(QueryDlgTest, NewTextsAreInEveryLanguageFile)
{
    for (const char* code : {"enu", "fra", "esn", "rus", "deu", "ara", "chs", "cht", "jpn", "kor", "ptg", "ben",
                             "hin"})
        EXPECT_TRUE(MessageIdsInLanguageFile({{13100, 1310005}, {13200, 1320013}, {13200, 1320014}, {15200, 1520001}},
                                             QStringLiteral(VW_SOURCE_DIR "/lang/Lang_%1.xml").arg(code)))
            << code;
}

} // namespace
