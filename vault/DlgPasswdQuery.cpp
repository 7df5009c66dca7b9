#include "vault/DlgPasswdQuery.h"

#include <utility>
#include <string.h>

#include <algorithm>
#include <numeric>
#include <vector>

#include "foundation/storage/FormatText.h"
#include "foundation/storage/GlobalSettings.h"
#include "foundation/storage/Secret.h"
#include "foundation/storage/SqlText.h"
#include "platform/Clipboard.h"
#include "platform/OpenUrl.h"
#include "platform/PopupMenu.h"
#include "platform/TextDirection.h"
#include "vault/DlgConfirmPasswd.h"
#include "vault/DlgEditEntry.h"
#include "vault/DlgHelpers.h"
#include "vault/PasswdSetting.h"
#include "vault/QueryAuth.h"
#include "vault/QueryStatement.h"

namespace {

enum Column { COL_TITLE, COL_USER, COL_PASSWD, COL_URL, COL_EMAIL, COL_NOTES, COL_COUNT };

const char* const kHelpText =
    "In this page, no matter where the focus, you can:\r\n"
    "1. Ctrl + C: Copy passwd to clipboard (selected line) - if checked 'deriec copy', needn't press 'Ctrl + C'. \r\n"
    "2. \u2191 or \u2193: Change the selection line of list.\r\n"
    "3. Input key words - Please separated words by SPACE.";

constexpr COLORREF kHintColor = RGB(128, 128, 128);
constexpr COLORREF kNoticeColor = RGB(255, 0, 0);
constexpr unsigned kNoticeAnchor = Style::MoveDown | Style::GrowRight;

bool& readingHeld()
{
    static bool s_held = false;
    return s_held;
}

// The list's columns as read from the vault; the password only when shown,
// so that a masked list never holds it.
QString CellColumns(bool withPasswd)
{
    return FormatText(QStringLiteral("%s, %s, %s, %s, %s, %s"), g_strColTitle, g_strColUserName,
                      withPasswd ? g_strColPasswd : QStringLiteral("NULL"), g_strColURL, g_strColEmail,
                      g_strColNotes);
}

// A row read with CellColumns, whose columns start at `first`.
QStringList CellsOf(const SqlRowView& r, int first, int count)
{
    QStringList cells(count);
    for (int col = 0; col < count && first + col < r.columns; ++col)
        if (r.texts[first + col])
            cells[col] = textFromSql(r.texts[first + col], r.sizes[first + col]);
    return cells;
}

bool IsPrintableKey(WPARAM vk)
{
    return (vk >= 0x30 && vk <= 0x5A) || (vk >= 0x60 && vk <= 0x6F) || (vk >= 0xBA && vk <= 0xC0) ||
           (vk >= 0xDB && vk <= 0xDE);
}

} // namespace

const QString CDlgPasswdQuery::s_strMask = QStringLiteral("********");

const DialogTemplate CDlgPasswdQuery::s_template = {
    IDD, "Passwd Query", {0, 0, 470, 334},
    {
        {IDC_KEYWORDS, Control::Edit, "", {7, 7, 396, 14}, Style::GrowRight},
        {IDC_SEARCH, Control::Button, "&Search", {409, 7, 54, 14}, Style::MoveRight},
        {IDC_LIST, Control::ListCtrl, "Passwd Query List", {7, 26, 456, 158},
         Style::CheckBoxes | Style::GrowRight | Style::GrowDown},
        {IDC_CHECK_ALL, Control::CheckBox, "&Check All", {7, 190, 90, 12}, Style::ThreeState | Style::MoveDown},
        {IDC_DELETE_CHECKED, Control::Button, "Delete C&hecked Items", {253, 189, 105, 14},
         Style::Disabled | Style::MoveRight | Style::MoveDown},
        {IDC_OPEN_URL, Control::Button, "Open &URL (Alt+Enter)", {361, 189, 102, 14},
         Style::Disabled | Style::MoveRight | Style::MoveDown},
        {IDC_SHOW_PASSWD, Control::CheckBox, "Show &Passwd", {7, 206, 100, 12}, Style::MoveDown},
        {IDC_DIRECT_COPY, Control::CheckBox, "Di&rect Copy Passwd To Clipboard", {110, 206, 240, 12}, Style::MoveDown},
        {IDC_NOTICE_COPIED, Control::Static, "Passwd is coped to clipboard. We will keep it 10 seconds......",
         {7, 221, 456, 12}, Style::Hidden | kNoticeAnchor},
        {IDC_NOTICE_REMOVED, Control::Static, "The passwd in clipboard is removed.", {7, 221, 456, 12},
         Style::Hidden | kNoticeAnchor},
        {IDC_NOTICE_EACH_QUERY, Control::Static,
         "Input Frequency Mode: Each Query. Press 'Enter' or Click 'Search' to Query!......", {7, 221, 456, 12},
         Style::Hidden | kNoticeAnchor},
        // Its text names a count: set when shown, from the language file.
        {IDC_NOTICE_UNDO, Control::Static, "", {7, 221, 456, 12}, Style::Hidden | kNoticeAnchor},
        // Six lines of detail whole, also in scripts with tall lines (Arabic);
        // a longer note scrolls.
        {IDC_DETAIL, Control::Edit, "", {7, 235, 456, 92},
         Style::MultiLine | Style::ReadOnly | Style::GrowRight | Style::MoveDown},
    },
    // The list takes the height the user gives the window; the rows below it follow.
    Style::MinimizeBox | Style::Resizable};

CDlgPasswdQuery::CDlgPasswdQuery(int hintShown, CDialogEx* parent)
    : CBaseDlg(s_template, parent), m_bHintShown(hintShown)
{
}

void CDlgPasswdQuery::InitResizeAndMultiLangParam_Individual()
{
    RegisterItems({IDD, IDC_KEYWORDS, IDC_SEARCH, IDC_LIST, IDC_SHOW_PASSWD, IDC_DETAIL, IDC_DIRECT_COPY,
                   IDC_NOTICE_COPIED, IDC_NOTICE_REMOVED, IDC_NOTICE_EACH_QUERY, IDC_CHECK_ALL, IDC_DELETE_CHECKED,
                   IDC_OPEN_URL},
                  {m_eWndType, WND_TYPE_EDIT, WND_TYPE_TEXT, WND_TYPE_LIST, WND_TYPE_TEXT, WND_TYPE_EDIT,
                   WND_TYPE_TEXT, WND_TYPE_TEXT, WND_TYPE_TEXT, WND_TYPE_TEXT, WND_TYPE_TEXT, WND_TYPE_TEXT,
                   WND_TYPE_TEXT});
}

BOOL CDlgPasswdQuery::OnInitDialog()
{
    CBaseDlg::OnInitDialog();
    // The opening is an activation; a login asked for now covers it.
    g_pPwSettings->GetQueryAuth().RecordActivation();
    const int login = g_pPwSettings->ConfirmLogin();
    if (login == -1) {
        EndDialog(IDCANCEL);
        return TRUE;
    }
    // The password typed to open the vault was typed for this window's search.
    m_bLoginGrant = login == 1;
    m_bLoginAtOpen = 1;
    m_bActive = false;

    LoadTexts();
    m_strEachQueryNotice = GetDlgItemText(IDC_NOTICE_EACH_QUERY);
    SetDlgItemText(IDC_DETAIL, m_strHelp);
    m_list = GetDlgItem(IDC_LIST);
    m_list.SetExtendedStyle(LVS_EX_FULLROWSELECT | LVS_EX_CHECKBOXES | LVS_EX_SUBITEMIMAGES | LVS_EX_GRIDLINES |
                            LVS_EX_DOUBLEBUFFER);
    const QString* captions[COL_COUNT] = {&g_strColTitle, &g_strColUserName, &g_strColPasswd,
                                          &g_strColURL,   &g_strColEmail,    &g_strColNotes};
    const int widths[COL_COUNT - 1] = {120, 150, 110, 120, 130};
    CRect listRect;
    m_list.GetClientRect(listRect);
    for (int col = 0; col < COL_COUNT; ++col)
        m_list.InsertColumn(col, *captions[col], col < COL_COUNT - 1 ? widths[col] : listRect.Width() - 654);
    m_list.SetWindowText(QStringLiteral("Passwd Query List"));
    CheckDlgButton(IDC_CHECK_ALL, BST_UNCHECKED);
    GetDlgItem(IDC_DELETE_CHECKED).EnableWindow(FALSE);
    for (int id : {IDC_NOTICE_COPIED, IDC_NOTICE_REMOVED, IDC_NOTICE_EACH_QUERY, IDC_NOTICE_UNDO}) {
        CWnd notice = GetDlgItem(id);
        notice.SetBkTransparent();
        notice.SetTextColor(kNoticeColor);
    }

    m_list.SetOwnerData([this](int row, int col) { return CellText(row, col); });

    int freq = FREQ_EACH_QUERY;
    g_pPwSettings->SetAuthorition(1);
    const int read = g_pPwSettings->GetPasswdSetting(freq, g_strColInputFreq);
    g_pPwSettings->SetAuthorition(0);
    if (!read)
        freq = FREQ_EACH_QUERY;
    m_bWithoutPasswd = g_pSqlite->ConfirmPasswd(QString(), 2) ? 1 : 0;
    g_pPwSettings->GetQueryAuth().SetWithoutPasswd(m_bWithoutPasswd);
    if (m_bWithoutPasswd) {
        g_bNeedPasswd = 0;
        freq = FREQ_LOGIN_ONCE;
    }
    AttachFreq(freq);

    g_pPwSettings->GetPasswdSetting(m_bShowPasswd, g_strColShowPasswd);
    g_pPwSettings->GetPasswdSetting(m_bDirectCopy, g_strColDirectCopy);
    CheckDlgButton(IDC_SHOW_PASSWD, m_bShowPasswd ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(IDC_DIRECT_COPY, m_bDirectCopy ? BST_CHECKED : BST_UNCHECKED);
    m_bSkipNextCopy = 0;

    m_pFocusWnd = GetDlgItem(IDC_KEYWORDS);
    m_pFocusWnd.SetFocus();
    SetTopMost(TRUE);
    SetForegroundWindow();
    // Nothing is asked before the user acts: when the password is due, the
    // keywords are typed as usual and Enter (or a copy, an edit) asks.
    EmptyCtrls();
    return TRUE;
}

void CDlgPasswdQuery::LoadTexts()
{
    m_strHelp = vaultdlg::LangText(IDD, 1320009, QString::fromUtf8(kHelpText));
    m_strHint = vaultdlg::LangText(IDD, 1320010, QStringLiteral("Multi-Keywords (Separated by SPACE)"));
    // Looked up once per language: the detail is rendered at every keystroke.
    m_strDetailFormat = vaultdlg::LangText(IDD, 1320011,
                                           QStringLiteral("[Title]: %s\r\n[UserName]: %s\r\n[Passwd]: %s\r\n"
                                                          "[URL]: %s\r\n[Email]: %s\r\n[Note]:%s"));
}

void CDlgPasswdQuery::UpdateLanguageStrToUI_Ex()
{
    // The language file is (re)loaded just before this: texts taken while
    // opening may still be those of the previous language.
    LoadTexts();
    m_strEachQueryNotice = GetDlgItemText(IDC_NOTICE_EACH_QUERY);
    if (m_bDueShown)
        ShowDueNotice(true);
    if (m_bHintShown)
        SetKeywordText(m_strHint);
    const int row = SelectedRow();
    if (m_bHintShown || row < 0)
        SetDlgItemText(IDC_DETAIL, m_strHelp);
    else
        RenderDetail(row);
    if (GetDlgItem(IDC_NOTICE_UNDO).IsWindowVisible() && !m_undo.isEmpty())
        ShowUndoNotice(int(m_undo.size()), false);
}

void CDlgPasswdQuery::OnDestroy()
{
    // What the window read goes back: the list's rows, the texts read for
    // them, the search cache, the pages SQLite kept, and the heap they left.
    KillTimer(TIMER_LOAD_SEARCH);
    m_bSearchPending = false;
    m_waiting.clear();
    DropUndo();
    m_list.SetItemCountEx(0);
    ForgetCells();
    std::vector<int>().swap(m_places);
    m_firstScreen.clear();
    m_cache.Clear();
    if (g_pSqlite)
        g_pSqlite->ForgetDecryptedPages();
    ScrubFreedMemory();
    CBaseDlg::OnDestroy();
}

void CDlgPasswdQuery::AttachFreq(int freq)
{
    m_eInputFreq = EnumPwInputFreq(GetEnumFreq(freq) < 0 ? FREQ_EACH_QUERY : freq);
    g_pPwSettings->GetQueryAuth().SetFreq(m_eInputFreq);
    // Timer 2 tells when a time-based mode runs out while the window is open:
    // precise, at the moment the policy counts from its last query.
    if (const qint64 ms = g_pPwSettings->GetQueryAuth().MsUntilDue(); ms > 0)
        SetTimer(TIMER_AUTHORIZATION, UINT(ms), true);
    else
        KillTimer(TIMER_AUTHORIZATION);
}

void CDlgPasswdQuery::OnActivate(UINT state, BOOL minimized)
{
    CBaseDlg::OnActivate(state, minimized);
    // Only a change to active counts: a repeated WA_ACTIVE is not a new activation.
    const bool wasActive = m_bActive;
    m_bActive = state != WA_INACTIVE;
    if (!m_bActive || wasActive)
        return;
    if (m_bConfirmInProgress) {
        m_bConfirmInProgress = 0;
        return;
    }
    // The opening's own activation was counted while opening.
    if (m_bLoginAtOpen) {
        m_bLoginAtOpen = 0;
    } else {
        g_pPwSettings->GetQueryAuth().RecordActivation();
        m_bLoginGrant = false;
        // Asked at the next action, not now: the keys typed next are keywords.
        if (m_eInputFreq == FREQ_EACH_ACTIVATION && !MayQuery())
            OnDue();
    }
    GetDlgItem(IDC_KEYWORDS).SetFocus();
}

BOOL CDlgPasswdQuery::ConfirmPasswd()
{
    // Only a shown window is activated again when the confirmation closes; a
    // flag left set by the one asked while opening would swallow the next real
    // activation.
    m_bConfirmInProgress = IsWindowVisible() ? 1 : 0;
    CDlgConfirmPasswd dlg(this);
    return dlg.DoModal() == IDOK;
}

bool CDlgPasswdQuery::MayQuery() const
{
    return m_bLoginGrant || g_pPwSettings->GetQueryAuth().MayQuery();
}

BOOL CDlgPasswdQuery::EnsureAuthorised()
{
    if (std::exchange(m_bLoginGrant, false) || g_pPwSettings->GetQueryAuth().MayQuery())
        return TRUE;
    if (ConfirmPasswd())
        return TRUE;
    // Nothing listed earlier stays to be copied or shown, and the detail
    // says why the list is empty.
    m_bPasswdNeeded = true;
    ClearResults();
    return FALSE;
}

void CDlgPasswdQuery::ClearResults()
{
    m_bSearchPending = false;
    m_waiting.clear();
    m_bRecentQuery = 0;
    m_strListedKeywords.clear();
    FillList({});
}

void CDlgPasswdQuery::OnDue()
{
    m_bRecentQuery = 0;
    KillTimer(TIMER_RECENT_QUERY);
    MaskPasswords();
    if (m_eInputFreq != FREQ_EACH_QUERY)
        ShowDueNotice(true);
}

void CDlgPasswdQuery::ShowDueNotice(bool show)
{
    // The line of the each-query notice, which says the same in that mode.
    if (show) {
        SetDlgItemText(IDC_NOTICE_EACH_QUERY,
                       vaultdlg::LangText(IDD, 1320030,
                                          QStringLiteral("The master password is needed: type the keywords, then "
                                                         "press Enter or click Search.")));
        KillTimer(TIMER_HIDE_EACH_QUERY);
        ShowNotice(IDC_NOTICE_EACH_QUERY);
    } else if (m_bDueShown) {
        GetDlgItem(IDC_NOTICE_EACH_QUERY).ShowWindow(SW_HIDE);
        SetDlgItemText(IDC_NOTICE_EACH_QUERY, m_strEachQueryNotice);
    }
    m_bDueShown = show;
}

bool CDlgPasswdQuery::IsRevealable() const
{
    return m_bRecentQuery && g_pPwSettings->GetQueryAuth().MayReveal();
}

void CDlgPasswdQuery::OnAnswer(std::function<void()> action, bool reveal)
{
    if (m_bSearchPending || !m_waiting.empty()) {
        m_waiting.push_back({CurrentKeywords(), std::move(action), reveal});
        return;
    }
    if (reveal && !(IsRevealable() && m_strListedKeywords == CurrentKeywords())) {
        if (!Refresh())
            return;
        if (m_bSearchPending) {
            m_waiting.push_back({CurrentKeywords(), std::move(action), reveal});
            return;
        }
    }
    action();
}

void CDlgPasswdQuery::RunWaiting()
{
    // Typing searched every keyword text typed (the policy let it): each
    // waiting action gets the answer to its own from memory.
    const bool typingSearched = m_eInputFreq != FREQ_EACH_QUERY && MayQuery();
    while (!m_waiting.empty() && !m_bSearchPending) {
        Waiting next = std::move(m_waiting.front());
        m_waiting.pop_front();
        if (next.keywords != m_strListedKeywords) {
            if (typingSearched ? FindAndFill(next.keywords) != 0 : !Search())
                return m_waiting.clear();
        }
        if (next.reveal && !IsRevealable() && !Refresh())
            return m_waiting.clear();
        if (m_bSearchPending) {
            m_waiting.push_front(std::move(next));
            return;
        }
        next.action();
    }
    // Keys typed after the actions: the list answers them again.
    if (m_waiting.empty() && !m_bSearchPending && m_bRecentQuery && typingSearched &&
        m_strListedKeywords != CurrentKeywords())
        FindAndFill(CurrentKeywords());
}

BOOL CDlgPasswdQuery::Refresh()
{
    const qint64 keep = CurrentKeywords() == m_strListedKeywords ? RowIdOf(SelectedRow()) : -1;
    if (!Search())
        return FALSE;
    if (!m_bSearchPending && keep >= 0)
        SelectRow(RowOfId(keep));
    return TRUE;
}

qint64 CDlgPasswdQuery::RowIdOf(int row) const
{
    return row >= 0 && std::size_t(row) < m_places.size() ? m_cache.RowId(m_places[std::size_t(row)]) : -1;
}

int CDlgPasswdQuery::RowOfId(qint64 rowId) const
{
    if (rowId < 0)
        return -1;
    for (std::size_t row = 0; row < m_places.size(); ++row)
        if (m_cache.RowId(m_places[row]) == rowId)
            return int(row);
    return -1;
}

void CDlgPasswdQuery::SelectRow(int row)
{
    if (row < 0 || row >= m_list.GetItemCount())
        return;
    const int previous = SelectedRow();
    if (previous == row)
        return;
    if (previous >= 0)
        m_list.SetItemState(previous, 0, LVIS_SELECTED | LVIS_FOCUSED);
    m_list.SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    m_list.EnsureVisible(row);
}

void CDlgPasswdQuery::MoveSelection(int delta)
{
    const int count = m_list.GetItemCount();
    if (count == 0)
        return;
    const int row = SelectedRow();
    SelectRow(row < 0 ? 0 : std::clamp(row + delta, 0, count - 1));
}

QString CDlgPasswdQuery::CurrentKeywords() const
{
    return m_bHintShown ? QString() : GetDlgItemText(IDC_KEYWORDS);
}

void CDlgPasswdQuery::SetKeywordText(const QString& text)
{
    m_bSettingKeywords = true;
    SetDlgItemText(IDC_KEYWORDS, text);
    m_bSettingKeywords = false;
    CEdit keywords = GetDlgItem(IDC_KEYWORDS);
    if (m_bHintShown)
        keywords.SetTextColor(kHintColor);
    else
        keywords.ResetColors();
}

void CDlgPasswdQuery::ClearHint()
{
    if (!m_bHintShown)
        return;
    m_bHintShown = 0;
    SetKeywordText(QString());
}

void CDlgPasswdQuery::EmptyCtrls()
{
    const QString typed = std::exchange(m_strStartKeywords, QString());
    if (!typed.isEmpty())
        m_bHintShown = 0;
    SetKeywordText(m_bHintShown ? m_strHint : typed);
    m_bOpening = true;
    if (m_eInputFreq != FREQ_EACH_QUERY) {
        if (MayQuery())
            Search();
        else
            OnDue();
    }
    m_bOpening = false;
    CEdit keywords = GetDlgItem(IDC_KEYWORDS);
    // Keywords given when opening are left as if typed: the cursor after them.
    keywords.SetSel(int(typed.size()), int(typed.size()));
    keywords.SetFocus();
}

BOOL CDlgPasswdQuery::Search()
{
    if (!m_bRefresh && !EnsureAuthorised())
        return FALSE;
    int freq = FREQ_EACH_QUERY;
    bool read = false;
    Authorized([&] { read = g_pPwSettings->GetPasswdSetting(freq, g_strColInputFreq); });
    if (!read)
        freq = FREQ_EACH_QUERY;

    // Counted before the rows come in: the answer is the recent query's.
    g_pPwSettings->GetQueryAuth().RecordQuery();
    // A vault without a password has nothing to ask for, whatever its setting says.
    AttachFreq(m_bWithoutPasswd ? int(FREQ_LOGIN_ONCE) : freq);
    m_bPasswdNeeded = false;
    ShowDueNotice(false);
    m_bRecentQuery = 1;
    SetTimer(TIMER_RECENT_QUERY, s_iRecentQueryMs, true);
    return FindAndFill(CurrentKeywords()) == 0;
}

int CDlgPasswdQuery::FindAndFill(const QString& keywords)
{
    std::vector<int> places;
    QString errText;
    int code = 0;
    m_bSearchPending = false;
    if (std::exchange(m_bOpening, false) && keywords.trimmed().isEmpty() && ListFirstScreen())
        return 0;
    // The texts of the rows listed first stay for the places that still
    // hold those entries once the order of every entry is read.
    std::vector<qint64> firstIds = std::exchange(m_firstScreen, {});
    std::unordered_map<int, QStringList> firstCells;
    if (!firstIds.empty())
        firstCells = std::exchange(m_cells, {});
    // Read again after anything was written, once more if a write came
    // while it was read. A small vault is read at once; a large one is
    // listed from its order and read on between events.
    for (int attempt = 0; attempt < 2 && !m_cache.IsCurrent(*g_pSqlite); ++attempt) {
        code = m_cache.BeginLoad(*g_pSqlite, errText);
        if (code == 0 && m_cache.Count() <= s_iLoadStepRows)
            code = m_cache.LoadMore(*g_pSqlite, s_iLoadStepRows, errText);
    }
    for (auto it = firstCells.begin(); it != firstCells.end();) {
        const auto place = std::size_t(it->first);
        if (code == 0 && place < firstIds.size() && m_cache.RowId(int(place)) == firstIds[place]) {
            ++it;
        } else {
            WipeSecret(it->second[COL_PASSWD]);
            it = firstCells.erase(it);
        }
    }
    if (code == 0 && !m_cache.IsLoaded()) {
        if (!m_cache.CanListAll() || !keywords.trimmed().isEmpty()) {
            // The list keeps its rows until the texts are in.
            if (!readingHeld())
                SetTimer(TIMER_LOAD_SEARCH, 0);
            m_bSearchPending = true;
            m_strPendingKeywords = keywords;
            m_cells.merge(firstCells);
            return 0;
        }
        // Every entry is listed at once; the reading goes on after the list
        // has been drawn, so that the window's first frame does not wait for it.
        if (!readingHeld())
            SetTimer(TIMER_LOAD_SEARCH, s_iFirstFrameMs);
        m_cache.ListAll(places);
    } else if (code == 0) {
        code = m_cache.Find(*g_pSqlite, keywords, places, errText);
    }
    if (code) {
        // Nothing typed ahead acts on the rows still listed.
        m_waiting.clear();
        vaultdlg::ShowLangMessage(IDD, 1320002, QStringLiteral("Search failed!\r\nERROR CODE: %d; ERROR MESSAGE: %s"),
                                  {code, errText});
    } else {
        m_strListedKeywords = keywords;
        FillList(std::move(places), std::exchange(firstCells, {}));
    }
    for (auto& [place, cells] : firstCells)
        WipeSecret(cells[COL_PASSWD]);
    return code;
}

bool CDlgPasswdQuery::ListFirstScreen()
{
    if (m_cache.IsOrdered() || !m_cache.MayHoldMore(*g_pSqlite, s_iLoadStepRows))
        return false;
    m_bPasswdShown = IsDlgButtonChecked(IDC_SHOW_PASSWD) == BST_CHECKED && IsRevealable();
    std::unordered_map<int, QStringList> cells;
    QString errText;
    const int code = m_cache.ReadHead(
        *g_pSqlite, s_iFirstScreenRows, CellColumns(m_bPasswdShown),
        [&](int place, const SqlRowView& row) { cells.emplace(place, CellsOf(row, 3, COL_COUNT)); }, errText);
    if (code != 0) {
        for (auto& [place, texts] : cells)
            WipeSecret(texts[COL_PASSWD]);
        return false;
    }
    std::vector<int> places(std::size_t(m_cache.Count()));
    std::iota(places.begin(), places.end(), 0);
    m_firstScreen.clear();
    for (int place : places)
        m_firstScreen.push_back(m_cache.RowId(place));
    // What is listed is not yet the whole answer: actions wait for it, and
    // the password is copied once, from the whole answer.
    m_strListedKeywords = QString();
    m_bSkipNextCopy = 1;
    FillList(std::move(places), std::move(cells));
    m_bSearchPending = true;
    m_strPendingKeywords = QString();
    if (!readingHeld())
        SetTimer(TIMER_LOAD_SEARCH, s_iFirstFrameMs);
    return true;
}

void CDlgPasswdQuery::LoadSearchStep()
{
    QString errText;
    int code = m_cache.LoadMore(*g_pSqlite, s_iLoadStepRows, errText);
    if (code == 0 && !m_cache.IsLoaded() && m_cache.IsOrdered()) {
        if (!readingHeld())
            SetTimer(TIMER_LOAD_SEARCH, 0);
        return;
    }
    // Done, or the vault changed under the reading: the waiting search (or
    // the next keystroke) reads it again.
    // What is answered is what was searched: keywords typed since without
    // a search (due, each-query mode) are not.
    if (m_bSearchPending) {
        if (FindAndFill(m_strPendingKeywords) == 0 && !m_bSearchPending)
            RunWaiting();
    } else if (code != 0 && m_bRecentQuery) {
        FindAndFill(m_strListedKeywords);
    }
}

void CDlgPasswdQuery::HoldReading(bool hold)
{
    readingHeld() = hold;
}

bool CDlgPasswdQuery::ReadNextStep()
{
    if (m_bSearchPending || (m_cache.IsOrdered() && !m_cache.IsLoaded()))
        LoadSearchStep();
    return m_bSearchPending;
}

void CDlgPasswdQuery::FillList(std::vector<int> places, std::unordered_map<int, QStringList> cells)
{
    const bool shown = IsDlgButtonChecked(IDC_SHOW_PASSWD) == BST_CHECKED && IsRevealable();
    ForgetCells();
    // Texts read under another masking are read again.
    if (shown == m_bPasswdShown)
        m_cells = std::move(cells);
    else
        for (auto& [place, texts] : cells)
            WipeSecret(texts[COL_PASSWD]);
    m_bPasswdShown = shown;
    m_places = std::move(places);
    m_bFilling = true;
    m_list.SetItemCountEx(int(m_places.size()));
    if (m_list.GetItemCount() > 0)
        m_list.SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    m_bFilling = false;
    UpdateOpenUrl(0);
    // Fresh rows are unchecked.
    CheckDlgButton(IDC_CHECK_ALL, BST_UNCHECKED);
    GetDlgItem(IDC_DELETE_CHECKED).EnableWindow(FALSE);
    ShowDetail(0, true);
}

const QStringList& CDlgPasswdQuery::RowCells(int row)
{
    static const QStringList none(COL_COUNT);
    if (row < 0 || std::size_t(row) >= m_places.size())
        return none;
    const int place = m_places[std::size_t(row)];
    if (const auto it = m_cells.find(place); it != m_cells.end())
        return it->second;
    if (m_cells.size() >= s_nCellRows)
        ForgetCells();
    QStringList cells(COL_COUNT);
    const QString sql = FormatText(QStringLiteral("SELECT %s FROM %s WHERE rowid = %s"), CellColumns(m_bPasswdShown),
                                   g_strTnPwEntry, QString::number(m_cache.RowId(place)));
    QString err;
    g_pSqlite->ExecSQL_Visit(sql, [&](const SqlRowView& r) { cells = CellsOf(r, 0, COL_COUNT); }, err);
    return m_cells.emplace(place, std::move(cells)).first->second;
}

QString CDlgPasswdQuery::CellText(int row, int col)
{
    if (col == COL_PASSWD && !m_bPasswdShown)
        return s_strMask;
    return RowCells(row).value(col);
}

void CDlgPasswdQuery::ForgetCells()
{
    for (auto& [place, cells] : m_cells)
        WipeSecret(cells[COL_PASSWD]);
    std::unordered_map<int, QStringList>().swap(m_cells);
}

void CDlgPasswdQuery::RemoveRow(int row)
{
    if (row < 0 || std::size_t(row) >= m_places.size())
        return;
    m_places.erase(m_places.begin() + row);
    m_list.DeleteItem(row);
}

void CDlgPasswdQuery::RenderDetail(int row)
{
    if (m_bHintShown)
        return;
    if (row < 0 || row >= m_list.GetItemCount()) {
        SetDlgItemText(IDC_DETAIL, m_list.GetItemCount() == 0 ? NothingFoundText() : QString());
        return;
    }
    // In a window that reads from the right each value keeps its own
    // direction: an address like 1111@1111.com would otherwise come out
    // reordered (first-strong isolates).
    const bool isolate = platform::IsWindowRightToLeft(*this);
    QVariantList cells;
    for (int col = 0; col < COL_COUNT; ++col) {
        const QString cell = m_list.GetItemText(row, col);
        cells << (isolate ? QChar(0x2068) + cell + QChar(0x2069) : cell);
    }
    // Typing on often keeps the same first row: laying the text out again
    // costs more than comparing it.
    const QString text = FormatText(m_strDetailFormat, cells);
    if (GetDlgItemText(IDC_DETAIL) != text)
        SetDlgItemText(IDC_DETAIL, text);
}

void CDlgPasswdQuery::ShowDetail(int row, bool answer)
{
    if (m_bHintShown)
        return;
    RenderDetail(row);
    // An answer being filled in is the allowed search's; a row the user
    // selects may be in a list that is masked or about to be replaced.
    if (row >= 0 && row < m_list.GetItemCount() && IsDlgButtonChecked(IDC_DIRECT_COPY) == BST_CHECKED &&
        !m_bSkipNextCopy) {
        if (answer)
            CopySelectedPasswd();
        else
            CopyPasswdToClipboard();
    }
    m_bSkipNextCopy = 0;
}

void CDlgPasswdQuery::MaskPasswords()
{
    m_bPasswdShown = false;
    ForgetCells();
    m_list.RedrawItems(0, m_list.GetItemCount() - 1);
    // The detail shows the cells as displayed: it must not keep a password the list no longer shows.
    const int row = SelectedRow();
    if (row >= 0)
        RenderDetail(row);
}

int CDlgPasswdQuery::SelectedRow() const
{
    return m_list.GetNextItem(-1, LVNI_SELECTED);
}

BOOL CDlgPasswdQuery::CopyPasswdToClipboard()
{
    OnAnswer([this] { CopySelectedPasswd(); });
    return TRUE;
}

BOOL CDlgPasswdQuery::CopySelectedPasswd()
{
    const int row = SelectedRow();
    if (row < 0)
        return TRUE;
    QString passwd;
    const bool copied =
        g_pPwSettings->SelectPasswd(passwd, m_list.GetItemText(row, COL_TITLE), m_list.GetItemText(row, COL_USER)) &&
        platform::SetClipboardSecret(passwd);
    WipeSecret(passwd);
    if (!copied) {
        m_list.SetFocus();
        return FALSE;
    }
    SetTimer(TIMER_CLIPBOARD_REMOVED, s_iClipboardKeepMs, true);
    if (CDialogEx* mainWnd = GetParentDlg())
        mainWnd->PostMessage(WM_SETTIMER_REQUEST, 3, s_iClipboardKeepMs);
    ShowNotice(IDC_NOTICE_COPIED);
    SetTimer(TIMER_HIDE_COPIED, 4500);
    return TRUE;
}

void CDlgPasswdQuery::ShowNotice(int id)
{
    for (int notice : {IDC_NOTICE_COPIED, IDC_NOTICE_REMOVED, IDC_NOTICE_EACH_QUERY, IDC_NOTICE_UNDO})
        GetDlgItem(notice).ShowWindow(notice == id ? SW_SHOW : SW_HIDE);
}

void CDlgPasswdQuery::OnTimer(UINT id)
{
    KillTimer(id);
    switch (id) {
    case TIMER_CLIPBOARD_REMOVED:
        ShowNotice(IDC_NOTICE_REMOVED);
        SetTimer(TIMER_HIDE_REMOVED, 2500);
        break;
    case TIMER_AUTHORIZATION: {
        // Ran out with the window open: no password stays in view, and the
        // next action asks. A timer that fires early is armed again.
        const qint64 left = g_pPwSettings->GetQueryAuth().MsUntilDue();
        if (left > 0) {
            SetTimer(TIMER_AUTHORIZATION, UINT(left), true);
            return;
        }
        if (left == 0)
            OnDue();
        break;
    }
    case TIMER_HIDE_COPIED:
        GetDlgItem(IDC_NOTICE_COPIED).ShowWindow(SW_HIDE);
        break;
    case TIMER_HIDE_REMOVED:
        GetDlgItem(IDC_NOTICE_REMOVED).ShowWindow(SW_HIDE);
        break;
    case TIMER_HIDE_EACH_QUERY:
        GetDlgItem(IDC_NOTICE_EACH_QUERY).ShowWindow(SW_HIDE);
        break;
    case TIMER_HIDE_UNDO:
        if (m_undo.isEmpty())
            GetDlgItem(IDC_NOTICE_UNDO).ShowWindow(SW_HIDE);
        break;
    case TIMER_RECENT_QUERY:
        m_bRecentQuery = 0;
        MaskPasswords();
        break;
    case TIMER_LOAD_SEARCH:
        // Not the user's doing: the focus stays where it is.
        if (!readingHeld())
            LoadSearchStep();
        return;
    default:
        return;
    }
    GetDlgItem(IDC_KEYWORDS).SetFocus();
}

BOOL CDlgPasswdQuery::Clicked(UINT code, void (CDlgPasswdQuery::*handler)())
{
    if (code == BN_CLICKED)
        (this->*handler)();
    return TRUE;
}

BOOL CDlgPasswdQuery::OnCommand(int id, UINT code)
{
    switch (id) {
    case IDC_KEYWORDS:
        if (code == EN_CHANGE && !m_bSettingKeywords && !m_bHintShown) {
            if (m_eInputFreq == FREQ_EACH_QUERY) {
                // The list no longer answers the keywords: acting on it searches first.
                m_bRecentQuery = 0;
                MaskPasswords();
                ShowDueNotice(false);
                SetDlgItemText(IDC_NOTICE_EACH_QUERY, m_strEachQueryNotice);
                ShowNotice(IDC_NOTICE_EACH_QUERY);
                SetTimer(TIMER_HIDE_EACH_QUERY, 4000);
            } else if (MayQuery()) {
                Search();
            } else {
                // Due: only the keywords change; Enter asks and searches them.
                OnDue();
            }
        }
        return TRUE;
    case IDC_SEARCH:
        if (code == BN_CLICKED)
            Search();
        return TRUE;
    case IDC_SHOW_PASSWD: return Clicked(code, &CDlgPasswdQuery::OnShowPasswdClicked);
    case IDC_DIRECT_COPY: return Clicked(code, &CDlgPasswdQuery::OnDirectCopyClicked);
    case IDC_CHECK_ALL: return Clicked(code, &CDlgPasswdQuery::OnCheckAllClicked);
    case IDC_DELETE_CHECKED: return Clicked(code, &CDlgPasswdQuery::DeleteCheckedItems);
    case IDC_OPEN_URL: return Clicked(code, &CDlgPasswdQuery::OpenUrl);
    default:
        return CBaseDlg::OnCommand(id, code);
    }
}

BOOL CDlgPasswdQuery::ConfirmToReveal(int checkBoxId)
{
    if (!g_bNeedPasswd || m_eInputFreq == FREQ_LOGIN_ONCE) {
        Search();
        return TRUE;
    }
    if (!ConfirmPasswd()) {
        CheckDlgButton(checkBoxId, BST_UNCHECKED);
        return FALSE;
    }
    // The password just typed was typed for this search.
    Authorized([this] { Search(); });
    return TRUE;
}

void CDlgPasswdQuery::OnShowPasswdClicked()
{
    const int state = IsDlgButtonChecked(IDC_SHOW_PASSWD) == BST_CHECKED;
    if (state) {
        // The refresh that shows the passwords is not a selection by the user.
        m_bSkipNextCopy = 1;
        const BOOL confirmed = ConfirmToReveal(IDC_SHOW_PASSWD);
        m_bSkipNextCopy = 0;
        if (!confirmed)
            return;
    } else {
        MaskPasswords();
    }
    m_bShowPasswd = state;
    g_pPwSettings->UpdatePasswdSetting(g_strColShowPasswd, state);
}

void CDlgPasswdQuery::OnDirectCopyClicked()
{
    const int state = IsDlgButtonChecked(IDC_DIRECT_COPY) == BST_CHECKED;
    if (state) {
        if (!ConfirmToReveal(IDC_DIRECT_COPY))
            return;
    } else {
        SetTimer(TIMER_CLIPBOARD_REMOVED, 0);
    }
    m_bDirectCopy = state;
    g_pPwSettings->UpdatePasswdSetting(g_strColDirectCopy, state);
}

void CDlgPasswdQuery::OnCheckAllClicked()
{
    const bool all = IsDlgButtonChecked(IDC_CHECK_ALL) == BST_CHECKED && m_list.GetItemCount() > 0;
    m_bBulkCheck = true;
    m_list.SetCheck(-1, all);
    m_list.SetItemState(-1, all ? UINT(LVIS_SELECTED) : 0u, LVIS_SELECTED);
    m_bBulkCheck = false;
    UpdateCheckAll();
}

void CDlgPasswdQuery::UpdateCheckAll()
{
    const int n = m_list.GetItemCount();
    int checked = 0;
    for (int row = 0; row < n; ++row)
        checked += m_list.GetCheck(row) ? 1 : 0;
    CheckDlgButton(IDC_CHECK_ALL, checked == 0 ? BST_UNCHECKED : checked == n ? BST_CHECKED : BST_INDETERMINATE);
    GetDlgItem(IDC_DELETE_CHECKED).EnableWindow(checked > 0);
}

void CDlgPasswdQuery::UpdateOpenUrl(int row)
{
    GetDlgItem(IDC_OPEN_URL).EnableWindow(row >= 0 && row < m_list.GetItemCount() &&
                                          !m_list.GetItemText(row, COL_URL).isEmpty());
}

void CDlgPasswdQuery::DeleteCheckedItems()
{
    PwEntryArray taken;
    m_bBulkCheck = true;
    for (int row = m_list.GetItemCount() - 1; row >= 0; --row)
        if (m_list.GetCheck(row))
            DeleteRowEntry(row, taken);
    m_bBulkCheck = false;
    KeepForUndo(std::move(taken));
    ShowDetail(0);
    UpdateCheckAll();
    UpdateOpenUrl(SelectedRow());
}

void CDlgPasswdQuery::DeleteSelectedEntry()
{
    const int row = SelectedRow();
    PwEntryArray taken;
    if (row >= 0 && DeleteRowEntry(row, taken)) {
        KeepForUndo(std::move(taken));
        UpdateCheckAll();
        UpdateOpenUrl(SelectedRow());
        if (m_list.GetItemCount() == 0)
            RenderDetail(-1);
    }
}

BOOL CDlgPasswdQuery::DeleteRowEntry(int row, PwEntryArray& taken)
{
    ST_PW_ENTRY entry;
    entry.strTitle = m_list.GetItemText(row, COL_TITLE);
    entry.strUserName = m_list.GetItemText(row, COL_USER);
    const int result = g_pPwSettings->TakeEntry(&entry);
    if (result == 0)
        return FALSE;
    // Gone already (deleted elsewhere): the row goes, there is nothing to restore.
    if (result == 1)
        taken.append(std::move(entry));
    RemoveRow(row);
    return TRUE;
}

void CDlgPasswdQuery::KeepForUndo(PwEntryArray taken)
{
    if (taken.isEmpty())
        return;
    DropUndo();
    m_undo = std::move(taken);
    KillTimer(TIMER_HIDE_UNDO);
    ShowUndoNotice(int(m_undo.size()), false);
}

void CDlgPasswdQuery::ShowUndoNotice(int count, bool restored)
{
    QString text;
    if (restored)
        text = FormatText(vaultdlg::LangText(IDD, 1320043, QStringLiteral("Entries restored: %d.")), {count});
    else if (count == 1)
        text = vaultdlg::LangText(IDD, 1320040, QStringLiteral("1 entry deleted. Press Ctrl+Z to restore it."));
    else
        text = FormatText(vaultdlg::LangText(IDD, 1320041, QStringLiteral("Entries deleted: %d. Press Ctrl+Z to restore them.")),
                          {count});
    SetDlgItemText(IDC_NOTICE_UNDO, text);
    ShowNotice(IDC_NOTICE_UNDO);
}

void CDlgPasswdQuery::UndoDelete()
{
    if (m_undo.isEmpty())
        return;
    // Putting entries back shows nothing by itself, but the list it refreshes
    // may: a password that is due is asked for first.
    if (!g_pPwSettings->GetQueryAuth().MayReveal() && !ConfirmPasswd()) {
        m_bPasswdNeeded = true;
        ClearResults();
        return;
    }
    QString errText;
    if (const int code = g_pPwSettings->RestoreEntries(m_undo, errText)) {
        // Kept: the user can free the title and user name and try again.
        vaultdlg::ShowLangMessage(IDD, 1320044,
                                  QStringLiteral("The deleted entries were not restored: an entry with the same title "
                                                 "and user name may have been stored since.\r\nERROR CODE: %d; ERROR "
                                                 "MESSAGE: %s"),
                                  {code, errText});
        return;
    }
    const int count = int(m_undo.size());
    DropUndo();
    Authorized([this] { Search(); });
    ShowUndoNotice(count, true);
    SetTimer(TIMER_HIDE_UNDO, 4000);
}

void CDlgPasswdQuery::DropUndo()
{
    for (ST_PW_ENTRY& entry : m_undo)
        WipeSecret(entry.strPasswd);
    PwEntryArray().swap(m_undo);
}

template <class F>
void CDlgPasswdQuery::Authorized(F&& action)
{
    const int previous = g_pPwSettings->GetQueryAuthorization();
    const bool refresh = m_bRefresh;
    g_pPwSettings->SetAuthorition(1);
    m_bRefresh = true;
    action();
    m_bRefresh = refresh;
    g_pPwSettings->SetAuthorition(previous);
}

void CDlgPasswdQuery::EditEntry(int row, bool asCopy)
{
    if (row >= m_list.GetItemCount())
        return;
    // A row picked by the mouse is that entry, wherever the answer lists it.
    const qint64 rowId = row >= 0 ? RowIdOf(row) : -1;
    if (row >= 0 && rowId < 0)
        return;
    OnAnswer([this, rowId, asCopy] { EditRow(rowId >= 0 ? RowOfId(rowId) : SelectedRow(), asCopy); });
}

void CDlgPasswdQuery::EditRow(int row, bool asCopy)
{
    if (row < 0 || row >= m_list.GetItemCount())
        return;
    StEntry entry{m_list.GetItemText(row, COL_TITLE), m_list.GetItemText(row, COL_USER), QString(),
                  m_list.GetItemText(row, COL_URL),   m_list.GetItemText(row, COL_EMAIL),
                  m_list.GetItemText(row, COL_NOTES)};
    bool read = false;
    Authorized([&] { read = g_pPwSettings->SelectPasswd(entry.strPasswd, entry.strTitle, entry.strUserName); });
    if (!read)
        return;
    // A changed title makes the editor store a new entry beside the original.
    if (asCopy)
        entry.strTitle += QStringLiteral("-Copy");
    CDlgEditEntry dlg(this);
    dlg.SetEntry(&entry);
    const bool saved = dlg.DoModal() == IDOK;
    WipeSecret(entry.strPasswd);
    if (saved)
        Authorized([this] { Search(); });
}

void CDlgPasswdQuery::AddEntry()
{
    CDlgEditEntry dlg(this);
    // Adding asks for no password, so it lists nothing the user was not
    // already allowed to see.
    if (dlg.DoModal() == IDOK && (IsRevealable() || MayQuery()))
        Authorized([this] { Search(); });
}

void CDlgPasswdQuery::OpenUrl()
{
    const int row = SelectedRow();
    const QString url = row >= 0 ? m_list.GetItemText(row, COL_URL) : QString();
    if (url.isEmpty())
        return;
    switch (platform::OpenWebAddress(url)) {
    case platform::OpenResult::Opened:
        EndDialog(IDOK);
        break;
    case platform::OpenResult::Refused:
        vaultdlg::ShowLangMessage(IDD, 1320012, QStringLiteral("Only web addresses (http, https) can be opened:\r\n%s"),
                                  {url});
        SetForegroundWindow();
        break;
    case platform::OpenResult::Failed:
        SetForegroundWindow();
        break;
    }
}

void CDlgPasswdQuery::ShowContextMenu(const CPoint* at)
{
    const bool onRow = SelectedRow() >= 0;
    const std::vector<platform::MenuItem> items = {
        {ID_MENU_OPEN_URL, GetDlgItemText(IDC_OPEN_URL), GetDlgItem(IDC_OPEN_URL).IsWindowEnabled() != 0},
        {0, {}},
        {ID_MENU_ADD, vaultdlg::LangText(IDD, 1320005, QStringLiteral("&Add Entry"))},
        {ID_MENU_DELETE, vaultdlg::LangText(IDD, 1320006, QStringLiteral("&Delete Entry")), onRow},
        {ID_MENU_UNDO_DELETE, vaultdlg::LangText(IDD, 1320042, QStringLiteral("U&ndo Delete (Ctrl+Z)")),
         !m_undo.isEmpty()},
        {ID_MENU_EDIT, vaultdlg::LangText(IDD, 1320007, QStringLiteral("&Edit Entry")), onRow},
        {ID_MENU_COPY, vaultdlg::LangText(IDD, 1320008, QStringLiteral("&Copy Entry")), onRow},
        {0, {}},
        {ID_MENU_DELETE_CHECKED, GetDlgItemText(IDC_DELETE_CHECKED),
         GetDlgItem(IDC_DELETE_CHECKED).IsWindowEnabled() != 0},
    };
    switch (platform::TrackPopupMenu(items, *this, at)) {
    case ID_MENU_OPEN_URL: OpenUrl(); break;
    case ID_MENU_ADD: AddEntry(); break;
    case ID_MENU_DELETE: DeleteSelectedEntry(); break;
    case ID_MENU_UNDO_DELETE: UndoDelete(); break;
    case ID_MENU_EDIT: EditEntry(SelectedRow(), false); break;
    case ID_MENU_COPY: EditEntry(SelectedRow(), true); break;
    case ID_MENU_DELETE_CHECKED: DeleteCheckedItems(); break;
    default: break;
    }
}

void CDlgPasswdQuery::OnListNotify(const NMLISTVIEW& nm)
{
    if (nm.idFrom != IDC_LIST)
        return;
    switch (nm.code) {
    case LVN_ITEMCHANGED:
        if (m_bFilling)
            return;
        if (nm.iItem >= 0 && (nm.uNewState & LVIS_SELECTED) && !(nm.uOldState & LVIS_SELECTED) && !m_bBulkCheck) {
            UpdateOpenUrl(nm.iItem);
            ShowDetail(nm.iItem);
        }
        if (((nm.uNewState ^ nm.uOldState) & LVIS_STATEIMAGEMASK) && !m_bBulkCheck)
            UpdateCheckAll();
        break;
    case NM_DBLCLK:
        if (nm.iItem >= 0)
            EditEntry(nm.iItem, false);
        break;
    case NM_RCLICK:
        // Below the rows too while a delete can be undone: it may have taken the last row.
        if (nm.iItem >= 0 || !m_undo.isEmpty())
            ShowContextMenu();
        break;
    default:
        break;
    }
}

void CDlgPasswdQuery::ShowContextMenuAtSelection()
{
    CRect rect;
    if (!m_list.GetItemRect(SelectedRow(), rect)) {
        m_list.GetWindowRect(rect);
        rect.bottom = rect.top;
    }
    // Below the row's start, where a right click on it would have opened it.
    const CPoint at{platform::IsWindowRightToLeft(*this) ? rect.right : rect.left, rect.bottom};
    ShowContextMenu(&at);
}

QString CDlgPasswdQuery::NothingFoundText() const
{
    if (m_bPasswdNeeded)
        return vaultdlg::LangText(IDD, 1320031,
                                  QStringLiteral("The master password is needed to list the entries: press Enter "
                                                 "or click Search to give it."));
    const QString keywords = m_bHintShown ? QString() : GetDlgItemText(IDC_KEYWORDS).trimmed();
    if (keywords.isEmpty())
        return vaultdlg::LangText(IDD, 1320014, QStringLiteral("The vault holds no entries yet."));
    return FormatText(vaultdlg::LangText(IDD, 1320013, QStringLiteral("Nothing found for: %s")), {keywords});
}

BOOL CDlgPasswdQuery::PreTranslateMessage(MSG* msg)
{
    const WPARAM vk = msg->wParam;
    if (msg->message == WM_SYSKEYDOWN && vk == VK_RETURN) {
        OnAnswer([this] { OpenUrl(); }, false);
        return TRUE;
    }
    if (msg->message != WM_KEYDOWN)
        return CBaseDlg::PreTranslateMessage(msg);
    const bool ctrl = platform::GetKeyState(VK_CONTROL) < 0;
    const bool shift = platform::GetKeyState(VK_SHIFT) < 0;
    // The list's own keys: the menu key (or Shift+F10) opens the pop-up menu
    // at the selected row, Enter edits the row as a double click does.
    // Keys typed ahead of a search's answer act on the answer, in order.
    const bool waiting = m_bSearchPending || !m_waiting.empty();
    if (msg->hwndId == IDC_LIST && (vk == VK_APPS || (vk == VK_F10 && shift && !ctrl))) {
        OnAnswer([this] { ShowContextMenuAtSelection(); }, false);
        return TRUE;
    }
    if (vk == VK_DELETE && msg->hwndId == IDC_LIST && !ctrl && !shift) {
        OnAnswer([this] { DeleteSelectedEntry(); }, false);
        return TRUE;
    }
    // Only while a delete can be undone; otherwise the keyword box undoes its typing.
    if (ctrl && !shift && vk == 'Z' && !m_undo.isEmpty()) {
        UndoDelete();
        return TRUE;
    }
    if (vk == VK_RETURN && msg->hwndId == IDC_LIST && !ctrl && !shift && (waiting || SelectedRow() >= 0)) {
        EditEntry(-1, false);
        return TRUE;
    }
    if (vk == VK_RETURN) {
        if (waiting)
            OnAnswer([this] { Search(); }, false);
        else
            Search();
        return TRUE;
    }
    if (vk == VK_UP || vk == VK_DOWN) {
        ClearHint();
        if (waiting) {
            m_list.SetFocus();
            OnAnswer([this, vk] { MoveSelection(vk == VK_UP ? -1 : 1); }, false);
            return TRUE;
        }
        if (msg->hwndId != IDC_LIST) {
            m_list.SetFocus();
            platform::SendKeyInput(UINT(vk));
            return TRUE;
        }
        return FALSE;
    }
    if (ctrl && vk == 'C') {
        // Consumed: the list view would copy its current cell, the keyword
        // box its selected text, over the password. A masked list or one
        // that answers other keywords is searched again first (asking when
        // the password is due), never left without a word.
        CopyPasswdToClipboard();
        return TRUE;
    }
    if (IsPrintableKey(vk)) {
        ClearHint();
        if (msg->hwndId != IDC_KEYWORDS) {
            CEdit keywords = GetDlgItem(IDC_KEYWORDS);
            keywords.SetFocus();
            const int end = int(keywords.GetWindowText().size());
            keywords.SetSel(end, end);
            UINT modifiers = ctrl ? UINT(HOTKEYF_CONTROL) : 0u;
            if (platform::GetKeyState(VK_SHIFT) < 0)
                modifiers |= HOTKEYF_SHIFT;
            platform::SendKeyInput(UINT(vk), modifiers);
            return TRUE;
        }
    }
    return CBaseDlg::PreTranslateMessage(msg);
}
