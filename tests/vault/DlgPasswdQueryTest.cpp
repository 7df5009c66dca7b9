// The query window: search as you type, the masked list and its detail,
// copying, notices, Check All, entry commands, Open URL and the keyboard.
#include <QDesktopServices>
#include <QDir>
#include <QUrl>

#include "QueryDlgFixture.h"

namespace {

using Q = CDlgPasswdQuery;
const QStringList kAllTitles = {"Bank", "GitHub", "Local", "Mail"};

// Records the URLs the desktop would open instead of starting a browser.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    UrlCatcher()
    {
        for (const char* scheme : {"http", "https", "file"})
            QDesktopServices::setUrlHandler(scheme, this, "open");
    }
    ~UrlCatcher() override
    {
        for (const char* scheme : {"http", "https", "file"})
            QDesktopServices::unsetUrlHandler(scheme);
    }
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};

TEST_F(QueryDlgTest, OpensWithEveryEntryMaskedAndTheFirstRowInTheDetail)
{
    Q dlg(0, &m_main);
    d.RunModal(dlg, [&](CDialogEx&) {
        EXPECT_EQ(column(dlg, 0), kAllTitles);
        EXPECT_EQ(column(dlg, 2), QStringList(4, "********"));
        EXPECT_EQ(detail(dlg), "[Title]: Bank\r\n[UserName]: alice\r\n[Passwd]: ********\r\n"
                               "[URL]: https://bank.example\r\n[Email]: alice@example.org\r\n[Note]:savings");
        EXPECT_TRUE(dlg.GetDlgItem(Q::IDC_OPEN_URL).IsWindowEnabled());
        EXPECT_TRUE(dlg.GetDlgItem(Q::IDC_KEYWORDS).HasFocus());
        EXPECT_TRUE(RegisteredIdsInLanguageFile(dlg, VW_SOURCE_DIR "/lang/Lang_enu.xml"));
        dlg.EndDialog(IDCANCEL);
    });
    EXPECT_TRUE(MessageIdsInLanguageFile({{13200, 1320002}, {13200, 1320005}, {13200, 1320006}, {13200, 1320007},
                                          {13200, 1320008}, {13200, 1320009}, {13200, 1320010}, {13200, 1320011},
                                          {13200, 1320012}},
                                         VW_SOURCE_DIR "/lang/Lang_enu.xml"));
    EXPECT_EQ(clipboard(), "before");
}

TEST_F(QueryDlgTest, TypingSearchesEveryKeywordOutsideThePassword)
{
    Q dlg(0, &m_main);
    d.RunModal(dlg, [&](CDialogEx&) {
        d.Type(dlg, Q::IDC_KEYWORDS, "alice");
        EXPECT_EQ(column(dlg, 0), QStringList({"Bank", "GitHub"}));
        d.Type(dlg, Q::IDC_KEYWORDS, " work");
        EXPECT_EQ(column(dlg, 0), QStringList({"GitHub"}));
        d.SetText(dlg, Q::IDC_KEYWORDS, "mail-secret");
        EXPECT_EQ(list(dlg).GetItemCount(), 0);
        EXPECT_EQ(detail(dlg), "Nothing found for: mail-secret");
        EXPECT_FALSE(dlg.GetDlgItem(Q::IDC_OPEN_URL).IsWindowEnabled());
        d.SetText(dlg, Q::IDC_KEYWORDS, "100%' OR '1'='1");
        EXPECT_EQ(list(dlg).GetItemCount(), 0);
        EXPECT_TRUE(d.MessageTexts().isEmpty());
        dlg.EndDialog(IDCANCEL);
    });
}

// The texts of a large vault are read only when the test says so.
class HeldReading {
public:
    HeldReading() { Q::HoldReading(true); }
    ~HeldReading() { Q::HoldReading(false); }
    HeldReading(const HeldReading&) = delete;
    HeldReading& operator=(const HeldReading&) = delete;
};

// Reads on until the waiting search is answered.
void ReadAll(Q& dlg)
{
    for (int step = 0; step < 1000 && (dlg.ReadNextStep() || !dlg.IsSearchReady()); ++step) {
    }
}

class LargeQueryDlgTest : public QueryDlgTest {
protected:
    // More entries than one reading step, each with its own password.
    void addSites(int count, const QString& format = "Site %1", int width = 5)
    {
        PwEntryArray entries;
        for (int i = 0; i < count; ++i)
            entries.append(ST_PW_ENTRY{"Common", format.arg(i, width, 10, QChar('0')), "user",
                                       QString("pw-%1").arg(i, width, 10, QChar('0')), "",
                                       i % 7 == 0 ? "seven@example.org" : "", ""});
        int stored = 0, failed = 0, third = 0;
        ASSERT_EQ(store().InsertEntryArray(stored, failed, third, entries, 0), 0);
    }
};

TEST_F(LargeQueryDlgTest, ALargeVaultIsListedAtOnceAndAKeyTypedWhileItIsReadWaitsForTheRightRows)
{
    const int count = 2 * Q::s_iLoadStepRows + 500;
    addSites(count);
    const int sevens = (count + 6) / 7;
    HeldReading held;
    Q dlg(0, &m_main);
    d.RunModal(dlg, [&](CDialogEx&) {
        // The first screen is listed at once, every entry from the order one
        // step later, the texts after that.
        EXPECT_EQ(list(dlg).GetItemCount(), Q::s_iFirstScreenRows);
        EXPECT_EQ(list(dlg).GetItemText(0, 0), "Bank");
        EXPECT_EQ(list(dlg).GetItemText(Q::s_iFirstScreenRows - 1, 0),
                  QString("Site %1").arg(Q::s_iFirstScreenRows - 5, 5, 10, QChar('0')));
        EXPECT_TRUE(dlg.IsSearchPending());
        EXPECT_FALSE(dlg.ReadNextStep());
        EXPECT_EQ(list(dlg).GetItemCount(), count + 4);
        EXPECT_EQ(list(dlg).GetItemText(0, 0), "Bank");
        EXPECT_FALSE(dlg.IsSearchReady());
        d.Type(dlg, Q::IDC_KEYWORDS, "seven");
        // The list keeps its rows until the search can be answered.
        EXPECT_TRUE(dlg.IsSearchPending());
        EXPECT_EQ(list(dlg).GetItemCount(), count + 4);
        EXPECT_TRUE(dlg.ReadNextStep());
        // A write while the texts are read: it is in the answer.
        add("Seven Seas", "x", "pw");
        ReadAll(dlg);
        EXPECT_FALSE(dlg.IsSearchPending());
        ASSERT_EQ(list(dlg).GetItemCount(), sevens + 1);
        EXPECT_EQ(list(dlg).GetItemText(0, 0), "Seven Seas");
        EXPECT_EQ(list(dlg).GetItemText(1, 0), "Site 00000");
        EXPECT_EQ(list(dlg).GetItemText(sevens, 0), QString("Site %1").arg((sevens - 1) * 7, 5, 10, QChar('0')));
        d.Type(dlg, Q::IDC_KEYWORDS, " 0000");
        EXPECT_EQ(column(dlg, 0), QStringList({"Site 00000", "Site 00007"}));
        EXPECT_TRUE(d.MessageTexts().isEmpty());
        dlg.EndDialog(IDCANCEL);
    });
}

TEST_F(LargeQueryDlgTest, KeysTypedAheadOfTheAnswerActOnTheAnswerToTheKeywordsBeforeThem)
{
    addSites(2 * Q::s_iLoadStepRows + 500);
    HeldReading held;
    Q dlg(0, &m_main);
    d.RunModal(dlg, [&](CDialogEx&) {
        // Ctrl+C typed before the answer: the entry typed for, never the row on screen.
        d.Type(dlg, Q::IDC_KEYWORDS, "Site 00007");
        d.PressKey(dlg, 'C', HOTKEYF_CONTROL);
        EXPECT_EQ(clipboard(), "before");
        ReadAll(dlg);
        EXPECT_EQ(clipboard(), "pw-00007");
        EXPECT_EQ(column(dlg, 0), QStringList({"Site 00007"}));

        // Row keys and Ctrl+C wait in order, and keys typed after them do
        // not change what they act on.
        add("Zed", "z", "zed-secret");  // the texts are read again
        d.SetText(dlg, Q::IDC_KEYWORDS, "Site 0001");
        ASSERT_TRUE(dlg.IsSearchPending());
        d.PressKey(dlg, VK_DOWN);
        d.PressKey(dlg, VK_DOWN);
        d.PressKey(dlg, 'C', HOTKEYF_CONTROL);
        d.Type(dlg, Q::IDC_KEYWORDS, "5");
        EXPECT_EQ(clipboard(), "pw-00007");
        ReadAll(dlg);
        // "Site 0001" lists Site 00001, then Site 00010 to 00019.
        EXPECT_EQ(clipboard(), "pw-00011");
        EXPECT_EQ(dlg.GetDlgItemText(Q::IDC_KEYWORDS), "Site 00015");
        EXPECT_EQ(column(dlg, 0), QStringList({"Site 00015"}));

        // Enter on the list typed ahead edits the row of the answer.
        add("Zed 2", "z", "zed-secret");
        d.SetText(dlg, Q::IDC_KEYWORDS, "Site 0002");
        d.PressKey(dlg, VK_DOWN);
        d.PressKey(dlg, VK_RETURN);
        EXPECT_TRUE(d.Log().filter("dialog 13100").isEmpty());
        d.AnswerNextDialog([&](CDialogEx& editor) {
            EXPECT_EQ(editor.GetDlgItemText(CDlgEditEntry::IDC_TITLE), "Site 00020");
            editor.EndDialog(IDCANCEL);
        });
        ReadAll(dlg);
        EXPECT_EQ(d.Log().filter("dialog 13100").size(), 1);
        dlg.EndDialog(IDCANCEL);
    });
}

// Keys typed the moment the window opens wait for every entry to be listed,
// and a row whose place another entry took meanwhile is drawn with that
// entry's texts.
TEST_F(LargeQueryDlgTest, KeysTypedAtOpeningActOnEveryEntryListedAfterTheFirstScreen)
{
    const int count = 2 * Q::s_iLoadStepRows + 500;
    addSites(count);
    setSetting("DirectCopy", 1);
    HeldReading held;
    Q dlg(0, &m_main);
    const auto firstTitles = [&](Q& dlg) {
        QStringList titles;
        for (int row = 0; row < 5; ++row)
            titles << list(dlg).GetItemText(row, 0);
        return titles;
    };
    d.RunModal(dlg, [&](CDialogEx&) {
        ASSERT_EQ(list(dlg).GetItemCount(), Q::s_iFirstScreenRows);
        EXPECT_EQ(firstTitles(dlg), QStringList({"Bank", "GitHub", "Local", "Mail", "Site 00000"}));
        // Direct copy copies from the whole answer, once.
        EXPECT_EQ(clipboard(), "before");
        d.PressKey(dlg, VK_DOWN);
        d.PressKey(dlg, VK_DOWN);
        d.PressKey(dlg, 'C', HOTKEYF_CONTROL);
        EXPECT_EQ(clipboard(), "before");
        add("Aardvark", "zoe", "a-secret");
        EXPECT_FALSE(dlg.ReadNextStep());
        ASSERT_EQ(list(dlg).GetItemCount(), count + 5);
        EXPECT_EQ(firstTitles(dlg), QStringList({"Aardvark", "Bank", "GitHub", "Local", "Mail"}));
        EXPECT_EQ(list(dlg).GetItemText(1, 1), "alice");
        EXPECT_EQ(list(dlg).GetItemText(list(dlg).GetNextItem(-1, LVNI_SELECTED), 0), "GitHub");
        EXPECT_EQ(clipboard(), "gh-secret");
        EXPECT_TRUE(d.MessageTexts().isEmpty());
        dlg.EndDialog(IDCANCEL);
    });
}

// The measured case: a title typed at once and Ctrl+C at 100,000 entries,
// with the texts read between events as the window does on its own.
TEST_F(LargeQueryDlgTest, AHundredThousandEntriesCtrlCTypedAtOnceCopiesTheEntryTypedFor)
{
    addSites(100000, "load-title-%1", 6);
    std::unique_ptr<HeldReading> held = std::make_unique<HeldReading>();
    Q dlg(0, &m_main);
    d.RunModal(dlg, [&](CDialogEx&) {
        EXPECT_EQ(list(dlg).GetItemCount(), Q::s_iFirstScreenRows);
        d.Type(dlg, Q::IDC_KEYWORDS, "load-title-054321");
        d.PressKey(dlg, 'C', HOTKEYF_CONTROL);
        EXPECT_EQ(clipboard(), "before");
        held.reset();
        // The keys were all in before the first text was read; now the window reads on its own.
        dlg.ReadNextStep();
        while (dlg.IsSearchPending())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        EXPECT_EQ(clipboard(), "pw-054321");
        EXPECT_EQ(column(dlg, 0), QStringList({"load-title-054321"}));
        dlg.EndDialog(IDCANCEL);
    });
}

TEST_F(QueryDlgTest, HintIsGreyUntilTheFirstKeyAndSearchesAsEmpty)
{
    Q dlg(1, &m_main);
    d.RunModal(dlg, [&](CDialogEx&) {
        EXPECT_EQ(dlg.GetDlgItemText(Q::IDC_KEYWORDS), "Multi-Keywords (Separated by SPACE)");
        EXPECT_EQ(column(dlg, 0), kAllTitles);
        d.Type(dlg, Q::IDC_KEYWORDS, "h");
        EXPECT_EQ(dlg.GetDlgItemText(Q::IDC_KEYWORDS), "h");
        EXPECT_EQ(column(dlg, 0), QStringList({"Bank", "GitHub"}));
        dlg.EndDialog(IDCANCEL);
    });
}

// ---- copying -----------------------------------------------------------------

TEST_F(QueryDlgTest, CtrlCCopiesTheSelectedPasswordAndAsksTheMainWindowToClearIt)
{
    Q dlg(0, &m_main);
    d.RunModal(dlg, [&](CDialogEx&) {
        d.SelectListRow(dlg, Q::IDC_LIST, 1);
        EXPECT_EQ(clipboard(), "before");  // selecting alone copies nothing
        d.PressKey(dlg, 'C', HOTKEYF_CONTROL);
        EXPECT_EQ(clipboard(), "gh-secret");
        d.ProcessEvents();
        ASSERT_EQ(m_main.m_timerRequests.size(), 1);
        EXPECT_EQ(m_main.m_timerRequests[0], qMakePair(WPARAM(3), LPARAM(10000)));
        // The list and the detail still mask it.
        EXPECT_FALSE(detail(dlg).contains("gh-secret"));
        // From the list too, whose own copy must not replace the password.
        d.Focus(dlg, Q::IDC_LIST);
        d.SelectListRow(dlg, Q::IDC_LIST, 3);
        d.PressKey(dlg, 'C', HOTKEYF_CONTROL);
        EXPECT_EQ(clipboard(), "mail-secret");
        dlg.EndDialog(IDCANCEL);
    });
}

TEST_F(QueryDlgTest, NoticesFollowTheCopyThroughTimersFourOneAndFive)
{
    Q dlg(0, &m_main);
    d.RunModal(dlg, [&](CDialogEx&) {
        d.PressKey(dlg, 'C', HOTKEYF_CONTROL);
        EXPECT_TRUE(visible(dlg, Q::IDC_NOTICE_COPIED));
        EXPECT_EQ(dlg.GetTimerElapse(Q::TIMER_HIDE_COPIED), 4500);
        EXPECT_EQ(dlg.GetTimerElapse(Q::TIMER_CLIPBOARD_REMOVED), 10000);
        EXPECT_TRUE(d.FireTimer(dlg, Q::TIMER_HIDE_COPIED));
        EXPECT_FALSE(visible(dlg, Q::IDC_NOTICE_COPIED));
        EXPECT_FALSE(visible(dlg, Q::IDC_NOTICE_REMOVED));
        EXPECT_TRUE(d.FireTimer(dlg, Q::TIMER_CLIPBOARD_REMOVED));
        EXPECT_TRUE(visible(dlg, Q::IDC_NOTICE_REMOVED));
        EXPECT_EQ(dlg.GetTimerElapse(Q::TIMER_HIDE_REMOVED), 2500);
        EXPECT_FALSE(d.FireTimer(dlg, Q::TIMER_CLIPBOARD_REMOVED));  // stopped itself
        EXPECT_TRUE(d.FireTimer(dlg, Q::TIMER_HIDE_REMOVED));
        EXPECT_FALSE(visible(dlg, Q::IDC_NOTICE_REMOVED));
        EXPECT_TRUE(dlg.GetDlgItem(Q::IDC_KEYWORDS).HasFocus());
        dlg.EndDialog(IDCANCEL);
    });
}

TEST_F(QueryDlgTest, CtrlCAfterTheRecentQueryTimerSearchesAgainAndCopiesThePickedEntry)
{
    Q dlg(0, &m_main);
    d.RunModal(dlg, [&](CDialogEx&) {
        EXPECT_EQ(dlg.GetTimerElapse(Q::TIMER_RECENT_QUERY), 30000);
        d.SelectListRow(dlg, Q::IDC_LIST, 2);
        EXPECT_TRUE(d.FireTimer(dlg, Q::TIMER_RECENT_QUERY));
        // Nothing to ask for here: the search runs again and the row stays picked.
        add("Aardvark", "zoe", "a-secret");
        d.PressKey(dlg, 'C', HOTKEYF_CONTROL);
        EXPECT_EQ(clipboard(), "local-secret");
        EXPECT_EQ(column(dlg, 0), QStringList({"Aardvark", "Bank", "GitHub", "Local", "Mail"}));
        EXPECT_EQ(dlg.GetTimerElapse(Q::TIMER_RECENT_QUERY), 30000);
        dlg.EndDialog(IDCANCEL);
    });
}

TEST_F(QueryDlgTest, DirectCopyCopiesEachSelectedRow)
{
    setSetting("DirectCopy", 1);
    Q dlg(0, &m_main);
    d.RunModal(dlg, [&](CDialogEx&) {
        EXPECT_EQ(clipboard(), "bank-secret");  // the search at opening selected row 0
        d.SelectListRow(dlg, Q::IDC_LIST, 3);
        EXPECT_EQ(clipboard(), "mail-secret");
        EXPECT_FALSE(detail(dlg).contains("mail-secret"));
        d.Click(dlg, Q::IDC_DIRECT_COPY);  // off: the removed notice at once
        EXPECT_EQ(dlg.GetTimerElapse(Q::TIMER_CLIPBOARD_REMOVED), 0);
        d.SelectListRow(dlg, Q::IDC_LIST, 1);
        EXPECT_EQ(clipboard(), "mail-secret");
        dlg.EndDialog(IDCANCEL);
    });
    EXPECT_EQ(setting("DirectCopy"), 0);
}

// ---- Show Passwd -------------------------------------------------------------

TEST_F(QueryDlgTest, ShowPasswdShowsThemUntilTheRecentQueryTimerMasksThemAgain)
{
    Q dlg(0, &m_main);
    d.RunModal(dlg, [&](CDialogEx&) {
        d.Click(dlg, Q::IDC_SHOW_PASSWD);
        EXPECT_EQ(column(dlg, 2), QStringList({"bank-secret", "gh-secret", "local-secret", "mail-secret"}));
        EXPECT_TRUE(detail(dlg).contains("[Passwd]: bank-secret"));
        EXPECT_EQ(clipboard(), "before");
        EXPECT_TRUE(d.FireTimer(dlg, Q::TIMER_RECENT_QUERY));
        EXPECT_EQ(column(dlg, 2), QStringList(4, "********"));
        EXPECT_FALSE(detail(dlg).contains("secret"));
        EXPECT_EQ(dlg.IsDlgButtonChecked(Q::IDC_SHOW_PASSWD), UINT(BST_CHECKED));
        dlg.EndDialog(IDCANCEL);
    });
    EXPECT_EQ(setting("ShowPasswd"), 1);
}

TEST_F(QueryDlgTest, ShowPasswdOffMasksTheListAndTheDetail)
{
    setSetting("ShowPasswd", 1);
    Q dlg(0, &m_main);
    d.RunModal(dlg, [&](CDialogEx&) {
        EXPECT_EQ(column(dlg, 2)[0], "bank-secret");
        d.Click(dlg, Q::IDC_SHOW_PASSWD);
        EXPECT_EQ(column(dlg, 2), QStringList(4, "********"));
        EXPECT_FALSE(detail(dlg).contains("secret"));
        dlg.EndDialog(IDCANCEL);
    });
    EXPECT_EQ(setting("ShowPasswd"), 0);
}

TEST_F(QueryDlgTest, ShowPasswdOnAProtectedVaultAsksAndACancelLeavesItOff)
{
    protect(FREQ_1_HOUR);
    Q dlg(0, &m_main);
    d.RunModal(dlg, [&](CDialogEx&) {
        answerConfirm();  // no query has started the hour yet
        d.PressKey(dlg, VK_RETURN);
        answerConfirm(false);
        d.Click(dlg, Q::IDC_SHOW_PASSWD);
        EXPECT_EQ(dlg.IsDlgButtonChecked(Q::IDC_SHOW_PASSWD), UINT(BST_UNCHECKED));
        EXPECT_EQ(column(dlg, 2), QStringList(4, "********"));
        answerConfirm();
        d.Click(dlg, Q::IDC_SHOW_PASSWD);
        EXPECT_EQ(column(dlg, 2)[0], "bank-secret");
        dlg.EndDialog(IDCANCEL);
    });
    EXPECT_EQ(confirmations(), 3);
}

// ---- Check All and deleting ----------------------------------------------------

TEST_F(QueryDlgTest, CheckAllFollowsTheRowsInThreeStates)
{
    Q dlg(0, &m_main);
    d.RunModal(dlg, [&](CDialogEx&) {
        CButton checkAll = dlg.GetDlgItem(Q::IDC_CHECK_ALL);
        EXPECT_FALSE(dlg.GetDlgItem(Q::IDC_DELETE_CHECKED).IsWindowEnabled());
        d.ToggleListCheck(dlg, Q::IDC_LIST, 1);
        EXPECT_EQ(checkAll.GetCheck(), BST_INDETERMINATE);
        EXPECT_TRUE(dlg.GetDlgItem(Q::IDC_DELETE_CHECKED).IsWindowEnabled());
        d.Click(dlg, Q::IDC_CHECK_ALL);  // indeterminate -> unchecked: every row off
        EXPECT_EQ(checkAll.GetCheck(), BST_UNCHECKED);
        EXPECT_FALSE(list(dlg).GetCheck(1));
        EXPECT_EQ(list(dlg).GetSelectedCount(), 0);
        d.Click(dlg, Q::IDC_CHECK_ALL);  // unchecked -> checked: every row checked and selected
        EXPECT_EQ(checkAll.GetCheck(), BST_CHECKED);
        EXPECT_EQ(list(dlg).GetSelectedCount(), 4);
        for (int row = 0; row < 4; ++row)
            EXPECT_TRUE(list(dlg).GetCheck(row));
        d.ToggleListCheck(dlg, Q::IDC_LIST, 0);
        EXPECT_EQ(checkAll.GetCheck(), BST_INDETERMINATE);
        // An empty list leaves the box unchecked.
        d.SetText(dlg, Q::IDC_KEYWORDS, "nothing-matches");
        d.Click(dlg, Q::IDC_CHECK_ALL);
        EXPECT_EQ(checkAll.GetCheck(), BST_UNCHECKED);
        dlg.EndDialog(IDCANCEL);
    });
}

TEST_F(QueryDlgTest, DeleteCheckedItemsRemovesExactlyTheCheckedEntries)
{
    Q dlg(0, &m_main);
    d.RunModal(dlg, [&](CDialogEx&) {
        d.ToggleListCheck(dlg, Q::IDC_LIST, 0);
        d.ToggleListCheck(dlg, Q::IDC_LIST, 2);
        d.Click(dlg, Q::IDC_DELETE_CHECKED);
        EXPECT_EQ(column(dlg, 0), QStringList({"GitHub", "Mail"}));
        EXPECT_EQ(dlg.IsDlgButtonChecked(Q::IDC_CHECK_ALL), UINT(BST_UNCHECKED));
        EXPECT_FALSE(dlg.GetDlgItem(Q::IDC_DELETE_CHECKED).IsWindowEnabled());
        dlg.EndDialog(IDCANCEL);
    });
    EXPECT_EQ(entryCount(), 2);
    ST_PW_ENTRY gone{"", "Bank", "alice", {}, {}, {}, {}};
    EXPECT_EQ(store().SelectEntry(&gone), 0);
}

TEST_F(QueryDlgTest, PopupMenuDeletesTheSelectedEntry)
{
    Q dlg(0, &m_main);
    d.RunModal(dlg, [&](CDialogEx&) {
        d.AnswerNextMenu(Q::ID_MENU_DELETE);
        d.RightClickListRow(dlg, Q::IDC_LIST, 3);
        EXPECT_EQ(column(dlg, 0), QStringList({"Bank", "GitHub", "Local"}));
        ASSERT_EQ(d.Menus().size(), 1u);
        const auto& items = d.Menus()[0];
        const auto find = [&](UINT id) {
            for (const auto& item : items)
                if (item.id == id)
                    return item;
            return platform::MenuItem{};
        };
        EXPECT_EQ(find(Q::ID_MENU_EDIT).text, "&Edit Entry");
        EXPECT_FALSE(find(Q::ID_MENU_DELETE_CHECKED).enabled);
        EXPECT_FALSE(find(Q::ID_MENU_OPEN_URL).enabled);  // Mail has no address
        dlg.EndDialog(IDCANCEL);
    });
    EXPECT_EQ(entryCount(), 3);
}

// ---- editing ------------------------------------------------------------------

TEST_F(QueryDlgTest, CopyEntryOpensTheEditorWithCopyAppendedAndStoresANewEntry)
{
    Q dlg(0, &m_main);
    d.RunModal(dlg, [&](CDialogEx&) {
        d.AnswerNextDialog([&](CDialogEx& editor) {
            EXPECT_EQ(editor.GetDlgItemText(CDlgEditEntry::IDC_TITLE), "GitHub-Copy");
            EXPECT_EQ(editor.GetDlgItemText(CDlgEditEntry::IDC_USER), "alice");
            EXPECT_EQ(editor.GetDlgItemText(CDlgEditEntry::IDC_PASSWD), "gh-secret");
            d.SetText(editor, CDlgEditEntry::IDC_NOTES, "copied");
            d.Click(editor, IDOK);
        });
        d.AnswerNextDialog(IDOK);  // the saved notice
        d.AnswerNextMenu(Q::ID_MENU_COPY);
        d.RightClickListRow(dlg, Q::IDC_LIST, 1);
        EXPECT_EQ(column(dlg, 0), QStringList({"Bank", "GitHub", "GitHub-Copy", "Local", "Mail"}));
        dlg.EndDialog(IDCANCEL);
    });
    ST_PW_ENTRY original{"", "GitHub", "alice", {}, {}, {}, {}};
    ASSERT_EQ(store().SelectEntry(&original), 1);
    EXPECT_EQ(original.strNotes, "work account");
    ST_PW_ENTRY copy{"", "GitHub-Copy", "alice", {}, {}, {}, {}};
    ASSERT_EQ(store().SelectEntry(&copy), 1);
    EXPECT_EQ(copy.strPasswd, "gh-secret");
}

TEST_F(QueryDlgTest, DoubleClickEditsTheRowAndTheListShowsTheChange)
{
    Q dlg(0, &m_main);
    d.RunModal(dlg, [&](CDialogEx&) {
        d.AnswerNextDialog([&](CDialogEx& editor) {
            EXPECT_EQ(editor.GetDlgItemText(CDlgEditEntry::IDC_TITLE), "Mail");
            d.SetText(editor, CDlgEditEntry::IDC_URL, "mail.example");
            d.Click(editor, IDOK);
        });
        d.AnswerNextDialog(IDOK);  // the saved notice
        d.DoubleClickListRow(dlg, Q::IDC_LIST, 3);
        EXPECT_EQ(column(dlg, 3)[3], "mail.example");
        dlg.EndDialog(IDCANCEL);
    });
    EXPECT_EQ(entryCount(), 4);
}

// ---- Open URL -----------------------------------------------------------------

TEST_F(QueryDlgTest, AltEnterOpensAWebAddressAndClosesTheWindow)
{
    UrlCatcher catcher;
    Q dlg(0, &m_main);
    const int result = d.RunModal(dlg, [&](CDialogEx&) {
        d.SelectListRow(dlg, Q::IDC_LIST, 1);
        d.PressKey(dlg, VK_RETURN, HOTKEYF_ALT);
    });
    EXPECT_EQ(result, IDOK);
    ASSERT_EQ(catcher.urls.size(), 1);
    EXPECT_EQ(catcher.urls[0].toString(), "https://github.com");
}

TEST_F(QueryDlgTest, OpenUrlRefusesFileAddressesAndPathsWithAMessage)
{
    UrlCatcher catcher;
    Q dlg(0, &m_main);
    d.RunModal(dlg, [&](CDialogEx&) {
        d.SelectListRow(dlg, Q::IDC_LIST, 2);
        d.Click(dlg, Q::IDC_OPEN_URL);
        EXPECT_EQ(d.LastMessage(), "Only web addresses (http, https) can be opened:\r\nfile:///etc/passwd");
        EXPECT_TRUE(dlg.IsRunning());
        dlg.EndDialog(IDCANCEL);
    });
    EXPECT_TRUE(catcher.urls.isEmpty());
}

TEST_F(QueryDlgTest, OpenUrlRefusesALocalPath)
{
    add("Path", "dave", "p", "/usr/bin/xterm");
    UrlCatcher catcher;
    Q dlg(0, &m_main);
    d.RunModal(dlg, [&](CDialogEx&) {
        d.SetText(dlg, Q::IDC_KEYWORDS, "dave");
        d.PressKey(dlg, VK_RETURN, HOTKEYF_ALT);
        EXPECT_EQ(d.LastMessage(), "Only web addresses (http, https) can be opened:\r\n/usr/bin/xterm");
        dlg.EndDialog(IDCANCEL);
    });
    EXPECT_TRUE(catcher.urls.isEmpty());
}

// ---- keyboard -----------------------------------------------------------------

TEST_F(QueryDlgTest, KeysTypedAnywhereGoToTheKeywordsAndArrowsToTheList)
{
    Q dlg(0, &m_main);
    d.RunModal(dlg, [&](CDialogEx&) {
        d.Focus(dlg, Q::IDC_DETAIL);
        d.PressKey(dlg, 'H');
        d.ProcessEvents();
        EXPECT_TRUE(dlg.GetDlgItem(Q::IDC_KEYWORDS).HasFocus());
        EXPECT_EQ(dlg.GetDlgItemText(Q::IDC_KEYWORDS), "h");
        EXPECT_EQ(column(dlg, 0), QStringList({"Bank", "GitHub"}));
        d.SetText(dlg, Q::IDC_KEYWORDS, "");
        d.PressKey(dlg, VK_DOWN);
        d.ProcessEvents();
        EXPECT_TRUE(dlg.GetDlgItem(Q::IDC_LIST).HasFocus());
        EXPECT_EQ(list(dlg).GetNextItem(-1, LVNI_SELECTED), 1);
        EXPECT_TRUE(detail(dlg).startsWith("[Title]: GitHub"));
        dlg.EndDialog(IDCANCEL);
    });
}

// The picture of the window with one entry selected (VW_SCREENSHOT_DIR, or /tmp).
TEST_F(QueryDlgTest, Screenshot)
{
    const QString dir = qEnvironmentVariable("VW_SCREENSHOT_DIR", "/tmp/vaultwick-screens");
    QDir().mkpath(dir);
    add("Forum", "alice", "f", "forum.example.net", "alice@example.org", "");
    Q dlg(0, &m_main);
    d.RunModal(dlg, [&](CDialogEx&) {
        d.SelectListRow(dlg, Q::IDC_LIST, 2);
        d.PressKey(dlg, 'C', HOTKEYF_CONTROL);
        d.ProcessEvents();
        EXPECT_TRUE(d.SaveScreenshot(dlg, dir + "/query.png"));
        dlg.EndDialog(IDCANCEL);
    });
}

} // namespace

#include "DlgPasswdQueryTest.moc"
