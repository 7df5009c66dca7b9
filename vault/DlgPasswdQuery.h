#pragma once

#include <deque>
#include <functional>
#include <unordered_map>
#include <vector>

#include <QString>
#include <QStringList>

#include "foundation/storage/DbSqlite3.h"
#include "foundation/ui/BaseDlg.h"
#include "foundation/ui/ExListCtrl.h"
#include "vault/PwTypes.h"
#include "vault/SearchCache.h"
#include "vault/VaultcoreApi.h"

// The query window: finds entries by keywords, lists them with the password
// masked, copies a password to the clipboard (the parent, the main window,
// is asked by WM_SETTIMER_REQUEST to clear it again), opens an entry's web
// address, and adds, edits, copies and deletes entries. Before it shows data
// it makes sure the master password was given recently enough for the
// vault's input frequency.
class VAULTCORE_API CDlgPasswdQuery : public CBaseDlg {
public:
    // hintShown: the keyword edit starts with the grey hint instead of text.
    explicit CDlgPasswdQuery(int hintShown = 0, CDialogEx* parent = nullptr);

    // Keywords typed in when the window opens (a command-line query).
    void SetStartKeywords(const QString& keywords) { m_strStartKeywords = keywords; }

    static const DialogTemplate s_template;
    enum : int {
        IDD = 13200,
        IDC_KEYWORDS = 13201,
        IDC_SEARCH = 13202,
        IDC_LIST = 13203,
        IDC_SHOW_PASSWD = 13205,
        IDC_DETAIL = 13206,
        IDC_DIRECT_COPY = 13207,
        IDC_NOTICE_COPIED = 13208,
        IDC_NOTICE_REMOVED = 13209,
        IDC_NOTICE_EACH_QUERY = 13210,
        IDC_CHECK_ALL = 13211,
        IDC_DELETE_CHECKED = 13212,
        IDC_OPEN_URL = 13213,
        IDC_NOTICE_UNDO = 13214,  // how many entries a delete removed; Ctrl+Z restores them
    };
    // Pop-up menu commands.
    enum : UINT {
        ID_MENU_DELETE_CHECKED = 32777,
        ID_MENU_EDIT = 32780,
        ID_MENU_COPY = 32781,
        ID_MENU_ADD = 32782,
        ID_MENU_DELETE = 32783,
        ID_MENU_OPEN_URL = 32785,
        ID_MENU_UNDO_DELETE = 32786,
    };
    enum : UINT {
        TIMER_CLIPBOARD_REMOVED = 1,  // the main window has emptied the clipboard
        TIMER_AUTHORIZATION = 2,      // the time-based input frequencies
        TIMER_HIDE_COPIED = 4,
        TIMER_HIDE_REMOVED = 5,
        TIMER_HIDE_EACH_QUERY = 6,
        TIMER_RECENT_QUERY = 7,
        TIMER_LOAD_SEARCH = 8,        // the search cache reads on between events
        TIMER_HIDE_UNDO = 9,          // the notice of restored entries
    };
    static constexpr int s_iClipboardKeepMs = 10000;
    static constexpr int s_iRecentQueryMs = 30000;
    static const QString s_strMask;
    // Texts of rows read for drawing, kept until there are this many.
    static constexpr std::size_t s_nCellRows = 512;
    // Entries the search cache reads at a time while the window stays live.
    static constexpr int s_iLoadStepRows = 4000;
    // What the first reading step waits after every entry has been listed.
    static constexpr int s_iFirstFrameMs = 16;
    // A vault larger than one reading step first lists this many rows, read
    // in one statement, and the order of every entry a step later: more rows
    // than a window shows.
    static constexpr int s_iFirstScreenRows = 64;

    void SetShowPasswdState(int state) { m_bShowPasswd = state; }
    void SetDirectCopyState(int state) { m_bDirectCopy = state; }
    void SetInputFreq(EnumPwInputFreq freq) { AttachFreq(freq); }
    EnumPwInputFreq GetInputFreq() const { return m_eInputFreq; }
    // Resets the keyword edit and searches again (not in each-query mode).
    void EmptyCtrls();
    // Copies the selected row's password once the list answers the keywords
    // typed so far (asking first when the password is due); TRUE also when
    // no row is selected (nothing to copy).
    BOOL CopyPasswdToClipboard();
    // A search waits for the vault's texts to be read.
    bool IsSearchPending() const { return m_bSearchPending; }
    bool IsSearchReady() const { return m_cache.IsLoaded(); }
    // The texts of a large vault are read between events. Held, they are read
    // only by ReadNextStep, so that a test decides what is read when.
    static void HoldReading(bool hold);
    // Reads one step now; true while a search still waits for the texts.
    bool ReadNextStep();
    // Entries the last delete removed that Undo can still put back.
    int UndoCount() const { return int(m_undo.size()); }

protected:
    void InitResizeAndMultiLangParam_Individual() override;
    BOOL OnInitDialog() override;
    BOOL OnCommand(int id, UINT code) override;
    void OnListNotify(const NMLISTVIEW& nm) override;
    void OnTimer(UINT id) override;
    void OnActivate(UINT state, BOOL minimized) override;
    BOOL PreTranslateMessage(MSG* msg) override;
    void OnDestroy() override;
    void UpdateLanguageStrToUI_Ex() override;

private:
    void LoadTexts();
    void AttachFreq(int freq);
    // FALSE when the password was asked and not given, or the search failed.
    BOOL Search();
    // The rows of `keywords`, from the search cache; with the cache still
    // reading, the search waits for it. The SQLite code of a failure.
    int FindAndFill(const QString& keywords);
    void LoadSearchStep();
    QString CurrentKeywords() const;
    // Asks for the master password; TRUE when it was confirmed.
    BOOL ConfirmPasswd();
    // A search may run without asking: the policy allows it, or the login
    // asked at this opening was typed for the first one.
    bool MayQuery() const;
    // Asks first when the program's re-ask policy says the password is due
    // for a search; a cancel empties the list.
    BOOL EnsureAuthorised();
    void ClearResults();
    // The password is due while the window is open: what is listed stays,
    // masked, and the next action asks. Nothing is asked here.
    void OnDue();
    void ShowDueNotice(bool show);
    // The list is the answer of an allowed, recent search, and its
    // passwords may be copied, shown or edited.
    bool IsRevealable() const;
    // Runs `action` on the answer to the keywords typed before it, exactly
    // as if the user had waited for it: after a search still reading, and
    // (with `reveal`) after searching again when the list is masked or
    // answers other keywords, which asks when the password is due.
    void OnAnswer(std::function<void()> action, bool reveal = true);
    void RunWaiting();
    // Searches the keywords as typed again; the selected entry stays selected
    // when the keywords are those listed.
    BOOL Refresh();
    qint64 RowIdOf(int row) const;
    int RowOfId(qint64 rowId) const;
    void SelectRow(int row);
    void MoveSelection(int delta);
    BOOL CopySelectedPasswd();
    // Before a check box shows or copies passwords: asks when the vault's
    // frequency wants it, then searches again; a cancel switches the box off
    // again (FALSE).
    BOOL ConfirmToReveal(int checkBoxId);
    BOOL Clicked(UINT code, void (CDlgPasswdQuery::*handler)());
    // `cells`: texts already read, by place.
    void FillList(std::vector<int> places, std::unordered_map<int, QStringList> cells = {});
    // At opening: the first rows of a large vault, listed from one read while
    // the search waits for the order of every entry. False when the vault is
    // small or the read failed (the ordinary reading then runs and reports).
    bool ListFirstScreen();
    // The texts of a listed row, read from the vault when first drawn; the
    // password only while passwords are shown.
    const QStringList& RowCells(int row);
    QString CellText(int row, int col);
    // Overwrites every password read for the list, then forgets the texts.
    void ForgetCells();
    void RemoveRow(int row);
    // `answer`: the row is shown as a search's answer is filled in.
    void ShowDetail(int row, bool answer = false);
    void RenderDetail(int row);
    void MaskPasswords();
    void OnShowPasswdClicked();
    void OnDirectCopyClicked();
    void OnCheckAllClicked();
    void DeleteCheckedItems();
    void DeleteSelectedEntry();
    // The row's entry, or (row -1) the row selected once the answer is in.
    // Deletes a row's entry, adding it to `taken` for Undo; TRUE when the row went.
    BOOL DeleteRowEntry(int row, PwEntryArray& taken);
    // What a delete removed becomes the one Undo can restore, and the notice says so.
    void KeepForUndo(PwEntryArray taken);
    void UndoDelete();
    // Overwrites the passwords kept for Undo and forgets the entries.
    void DropUndo();
    void ShowUndoNotice(int count, bool restored);
    void EditEntry(int row, bool asCopy);
    void EditRow(int row, bool asCopy);
    void AddEntry();
    void OpenUrl();
    void ShowContextMenu(const CPoint* at = nullptr);
    void ShowContextMenuAtSelection();
    QString NothingFoundText() const;
    void UpdateCheckAll();
    void UpdateOpenUrl(int row);
    void ShowNotice(int id);
    void ClearHint();
    void SetKeywordText(const QString& text);
    // Runs `action` with the query-authorisation flag set, then restores it.
    template <class F> void Authorized(F&& action);
    int SelectedRow() const;

    CExListCtrl m_list;
    QString m_strHint;
    QString m_strHelp;
    QString m_strDetailFormat;
    QString m_strStartKeywords;
    int m_bHintShown = 0;
    int m_bShowPasswd = 0;
    int m_bDirectCopy = 0;
    EnumPwInputFreq m_eInputFreq = FREQ_EACH_QUERY;
    int m_bRecentQuery = 0;
    int m_bLoginAtOpen = 0;
    int m_bConfirmInProgress = 0;
    int m_bSkipNextCopy = 0;
    int m_bWithoutPasswd = 0;  // the vault accepts the empty password
    bool m_bLoginGrant = false;  // a login asked at opening covers the first search
    bool m_bPasswdNeeded = false;  // a prompt was cancelled: nothing is listed
    bool m_bDueShown = false;
    QString m_strEachQueryNotice;
    // Programmatic changes that must not act as the user's.
    bool m_bSettingKeywords = false;
    bool m_bFilling = false;
    bool m_bBulkCheck = false;
    bool m_bActive = false;
    bool m_bRefresh = false;  // a search after an allowed edit: asks nothing
    // The list holds places in the search cache's order; texts are read for
    // the rows drawn.
    CSearchCache m_cache;
    std::vector<int> m_places;
    std::unordered_map<int, QStringList> m_cells;
    // Rowids of the rows listed first at opening, until every entry is listed.
    std::vector<qint64> m_firstScreen;
    bool m_bOpening = false;
    bool m_bPasswdShown = false;
    bool m_bSearchPending = false;
    QString m_strPendingKeywords;
    QString m_strListedKeywords;  // what the list answers
    // Actions typed ahead of the answer, with the keywords typed before them.
    struct Waiting {
        QString keywords;
        std::function<void()> action;
        bool reveal;
    };
    std::deque<Waiting> m_waiting;
    // The entries of the last delete, whole, while the window is open.
    PwEntryArray m_undo;
};
