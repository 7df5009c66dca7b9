#include "vault/DlgPasswdQuery.h"

#include <vector>

#include "foundation/storage/FormatText.h"
#include "foundation/storage/GlobalSettings.h"
#include "platform/Clipboard.h"
#include "platform/OpenUrl.h"
#include "platform/PopupMenu.h"
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

bool IsPrintableKey(WPARAM vk)
{
    return (vk >= 0x30 && vk <= 0x5A) || (vk >= 0x60 && vk <= 0x6F) || (vk >= 0xBA && vk <= 0xC0) ||
           (vk >= 0xDB && vk <= 0xDE);
}

} // namespace

const QString CDlgPasswdQuery::s_strMask = QStringLiteral("********");

const DialogTemplate CDlgPasswdQuery::s_template = {
    IDD, "Passwd Query", {0, 0, 470, 330},
    {
        {IDC_KEYWORDS, Control::Edit, "", {7, 7, 396, 14}},
        {IDC_SEARCH, Control::Button, "Search", {409, 7, 54, 14}},
        {IDC_LIST, Control::ListCtrl, "Passwd Query List", {7, 26, 456, 158}, Style::CheckBoxes},
        {IDC_CHECK_ALL, Control::CheckBox, "Check All", {7, 190, 90, 12}, Style::ThreeState},
        {IDC_DELETE_CHECKED, Control::Button, "Delete Checked Items", {253, 189, 105, 14}, Style::Disabled},
        {IDC_OPEN_URL, Control::Button, "Open URL (Alt+Enter)", {361, 189, 102, 14}, Style::Disabled},
        {IDC_SHOW_PASSWD, Control::CheckBox, "Show Passwd", {7, 206, 100, 12}},
        {IDC_DIRECT_COPY, Control::CheckBox, "Direct Copy Passwd To Clipboard", {110, 206, 240, 12}},
        {IDC_NOTICE_COPIED, Control::Static, "Passwd is coped to clipboard. We will keep it 10 seconds......",
         {7, 221, 456, 12}, Style::Hidden},
        {IDC_NOTICE_REMOVED, Control::Static, "The passwd in clipboard is removed.", {7, 221, 456, 12}, Style::Hidden},
        {IDC_NOTICE_EACH_QUERY, Control::Static,
         "Input Frequency Mode: Each Query. Press 'Enter' or Click 'Search' to Query!......", {7, 221, 456, 12},
         Style::Hidden},
        // Six lines of detail, also in scripts with tall lines (Arabic).
        {IDC_DETAIL, Control::Edit, "", {7, 235, 456, 88}, Style::MultiLine | Style::ReadOnly},
    }};

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
    if (g_pPwSettings->ConfirmLogin() == -1) {
        EndDialog(IDCANCEL);
        return TRUE;
    }
    m_bLoginAtOpen = 1;
    m_bActive = false;

    LoadTexts();
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
    for (int id : {IDC_NOTICE_COPIED, IDC_NOTICE_REMOVED, IDC_NOTICE_EACH_QUERY}) {
        CWnd notice = GetDlgItem(id);
        notice.SetBkTransparent();
        notice.SetTextColor(kNoticeColor);
    }

    // A search scans the whole entry table; a cache that holds the vault's
    // pages spares reading and decrypting them again at every keystroke. The
    // connection's own size comes back when the window closes.
    SqlResultMap cache;
    QString pragmaErr;
    if (g_pSqlite->ExecSQL_W(QStringLiteral("PRAGMA cache_size"), &cache, pragmaErr) == 0 && !cache.empty()) {
        m_strPrevCacheSize = cache.begin()->second.begin()->second;
        g_pSqlite->ExecSQL_W(FormatText(QStringLiteral("PRAGMA cache_size = -%d"), s_iCacheKiB), nullptr, pragmaErr);
    }

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
    // Due now: asked at once, before anything is typed.
    if (EnsureAuthorised(true)) {
        EmptyCtrls();
    } else {
        SetKeywordText(m_bHintShown ? m_strHint : QString());
        m_pFocusWnd.SetFocus();
    }
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
    if (m_bHintShown)
        SetKeywordText(m_strHint);
    const int row = SelectedRow();
    if (m_bHintShown || row < 0)
        SetDlgItemText(IDC_DETAIL, m_strHelp);
    else
        RenderDetail(row);
}

void CDlgPasswdQuery::OnDestroy()
{
    if (!m_strPrevCacheSize.isEmpty()) {
        QString err;
        g_pSqlite->ExecSQL_W(FormatText(QStringLiteral("PRAGMA cache_size = %d"), m_strPrevCacheSize.toInt()), nullptr, err);
        m_strPrevCacheSize.clear();
    }
    CBaseDlg::OnDestroy();
}

void CDlgPasswdQuery::AttachFreq(int freq)
{
    m_eInputFreq = EnumPwInputFreq(GetEnumFreq(freq) < 0 ? FREQ_EACH_QUERY : freq);
    g_pPwSettings->GetQueryAuth().SetFreq(m_eInputFreq);
    // Timer 2 tells when a time-based mode runs out while the window is open.
    if (const int ms = CQueryAuth::IntervalMs(m_eInputFreq))
        SetTimer(TIMER_AUTHORIZATION, UINT(ms));
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
        if (!EnsureAuthorised(false))
            return;
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

BOOL CDlgPasswdQuery::EnsureAuthorised(bool forQuery)
{
    const CQueryAuth& auth = g_pPwSettings->GetQueryAuth();
    if (forQuery ? auth.MayQuery() : auth.MayReveal())
        return TRUE;
    if (ConfirmPasswd())
        return TRUE;
    // Nothing listed earlier stays to be copied or shown.
    ClearResults();
    return FALSE;
}

void CDlgPasswdQuery::ClearResults()
{
    SqlResultMap none;
    FillList(none);
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
    SetKeywordText(m_bHintShown ? m_strHint : QString());
    if (m_eInputFreq != FREQ_EACH_QUERY)
        Search();
    CEdit keywords = GetDlgItem(IDC_KEYWORDS);
    keywords.SetSel(0, 0);
    keywords.SetFocus();
}

void CDlgPasswdQuery::Search()
{
    if (!m_bRefresh && !EnsureAuthorised(true))
        return;
    int freq = FREQ_EACH_QUERY;
    bool read = false;
    Authorized([&] { read = g_pPwSettings->GetPasswdSetting(freq, g_strColInputFreq); });
    if (!read)
        freq = FREQ_EACH_QUERY;

    const QString sql = BuildQueryStatement(m_bHintShown ? QString() : GetDlgItemText(IDC_KEYWORDS));
    SqlResultMap rows;
    QString errText;
    if (const int code = g_pSqlite->ExecSQL_W(sql, &rows, errText)) {
        vaultdlg::ShowLangMessage(IDD, 1320002, QStringLiteral("Search failed!\r\nERROR CODE: %d; ERROR MESSAGE: %s"),
                                  {code, errText});
    } else {
        FillList(rows);
    }

    // A vault without a password has nothing to ask for, whatever its setting says.
    AttachFreq(m_bWithoutPasswd ? int(FREQ_LOGIN_ONCE) : freq);
    g_pPwSettings->GetQueryAuth().RecordQuery();
    m_bRecentQuery = 1;
    SetTimer(TIMER_RECENT_QUERY, s_iRecentQueryMs);
}

void CDlgPasswdQuery::FillList(SqlResultMap& rows)
{
    const bool show = IsDlgButtonChecked(IDC_SHOW_PASSWD) == BST_CHECKED && g_pPwSettings->GetQueryAuth().MayReveal();
    QList<QStringList> items;
    items.reserve(qsizetype(rows.size()));
    if (!rows.empty()) {
        // Every row holds the same columns in the same (name) order: find the
        // list column of each once, then move the texts over without lookups.
        const QString* names[COL_COUNT] = {&g_strColTitle, &g_strColUserName, &g_strColPasswd,
                                           &g_strColURL,   &g_strColEmail,    &g_strColNotes};
        std::vector<int> target;
        for (const auto& [name, value] : rows.begin()->second) {
            int col = -1;
            for (int c = 0; c < COL_COUNT; ++c)
                if (*names[c] == name)
                    col = c;
            target.push_back(col);
        }
        for (auto& [index, row] : rows) {
            QStringList cells(COL_COUNT);
            std::size_t i = 0;
            for (auto& [name, value] : row) {
                const int col = i < target.size() ? target[i] : -1;
                if (col >= 0)
                    cells[col] = std::move(value);
                ++i;
            }
            if (!show)
                cells[COL_PASSWD] = s_strMask;
            items.append(std::move(cells));
        }
    }
    m_bFilling = true;
    m_list.SetAllItems(std::move(items));
    if (m_list.GetItemCount() > 0)
        m_list.SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    m_bFilling = false;
    UpdateOpenUrl(0);
    // Fresh rows are unchecked.
    CheckDlgButton(IDC_CHECK_ALL, BST_UNCHECKED);
    GetDlgItem(IDC_DELETE_CHECKED).EnableWindow(FALSE);
    ShowDetail(0);
}

void CDlgPasswdQuery::RenderDetail(int row)
{
    if (m_bHintShown)
        return;
    if (row < 0 || row >= m_list.GetItemCount()) {
        SetDlgItemText(IDC_DETAIL, QString());
        return;
    }
    QVariantList cells;
    for (int col = 0; col < COL_COUNT; ++col)
        cells << m_list.GetItemText(row, col);
    // Typing on often keeps the same first row: laying the text out again
    // costs more than comparing it.
    const QString text = FormatText(m_strDetailFormat, cells);
    if (GetDlgItemText(IDC_DETAIL) != text)
        SetDlgItemText(IDC_DETAIL, text);
}

void CDlgPasswdQuery::ShowDetail(int row)
{
    if (m_bHintShown)
        return;
    RenderDetail(row);
    if (row >= 0 && row < m_list.GetItemCount() && IsDlgButtonChecked(IDC_DIRECT_COPY) == BST_CHECKED &&
        !m_bSkipNextCopy)
        CopyPasswdToClipboard();
    m_bSkipNextCopy = 0;
}

void CDlgPasswdQuery::MaskPasswords()
{
    for (int row = 0, n = m_list.GetItemCount(); row < n; ++row)
        m_list.SetItemText(row, COL_PASSWD, s_strMask);
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
    const int row = SelectedRow();
    if (row < 0)
        return TRUE;
    if (!EnsureAuthorised(false))
        return FALSE;
    QString passwd;
    if (!g_pPwSettings->SelectPasswd(passwd, m_list.GetItemText(row, COL_TITLE), m_list.GetItemText(row, COL_USER)) ||
        !platform::SetClipboardSecret(passwd)) {
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
    for (int notice : {IDC_NOTICE_COPIED, IDC_NOTICE_REMOVED, IDC_NOTICE_EACH_QUERY})
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
    case TIMER_AUTHORIZATION:
        // Ran out with the window open: no password stays in view, and an
        // active window asks now rather than at the next keystroke.
        if (!g_pPwSettings->GetQueryAuth().MayReveal()) {
            MaskPasswords();
            if (m_bActive && !EnsureAuthorised(false))
                return;
        }
        break;
    case TIMER_HIDE_COPIED:
        GetDlgItem(IDC_NOTICE_COPIED).ShowWindow(SW_HIDE);
        break;
    case TIMER_HIDE_REMOVED:
        GetDlgItem(IDC_NOTICE_REMOVED).ShowWindow(SW_HIDE);
        break;
    case TIMER_HIDE_EACH_QUERY:
        GetDlgItem(IDC_NOTICE_EACH_QUERY).ShowWindow(SW_HIDE);
        break;
    case TIMER_RECENT_QUERY:
        m_bRecentQuery = 0;
        MaskPasswords();
        break;
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
                ShowNotice(IDC_NOTICE_EACH_QUERY);
                SetTimer(TIMER_HIDE_EACH_QUERY, 4000);
            } else {
                Search();
            }
        }
        return TRUE;
    case IDC_SEARCH: return Clicked(code, &CDlgPasswdQuery::Search);
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
    if (!g_bNeedPasswd || m_eInputFreq == FREQ_LOGIN_ONCE)
        return TRUE;
    if (!ConfirmPasswd()) {
        CheckDlgButton(checkBoxId, BST_UNCHECKED);
        return FALSE;
    }
    return TRUE;
}

void CDlgPasswdQuery::OnShowPasswdClicked()
{
    const int state = IsDlgButtonChecked(IDC_SHOW_PASSWD) == BST_CHECKED;
    if (state) {
        if (!ConfirmToReveal(IDC_SHOW_PASSWD))
            return;
        // The refresh that shows the passwords is not a selection by the user.
        m_bSkipNextCopy = 1;
        Search();
        m_bSkipNextCopy = 0;
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
        Search();
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
    m_bBulkCheck = true;
    for (int row = m_list.GetItemCount() - 1; row >= 0; --row)
        if (m_list.GetCheck(row) &&
            g_pPwSettings->DeleteEntry(m_list.GetItemText(row, COL_TITLE), m_list.GetItemText(row, COL_USER)))
            m_list.DeleteItem(row);
    m_bBulkCheck = false;
    ShowDetail(0);
    UpdateCheckAll();
}

void CDlgPasswdQuery::DeleteSelectedEntry()
{
    const int row = SelectedRow();
    if (row >= 0 &&
        g_pPwSettings->DeleteEntry(m_list.GetItemText(row, COL_TITLE), m_list.GetItemText(row, COL_USER))) {
        m_list.DeleteItem(row);
        UpdateCheckAll();
    }
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
    if (row < 0 || row >= m_list.GetItemCount() || !EnsureAuthorised(false))
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
    if (dlg.DoModal() == IDOK)
        Authorized([this] { Search(); });
}

void CDlgPasswdQuery::AddEntry()
{
    CDlgEditEntry dlg(this);
    if (dlg.DoModal() == IDOK)
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

void CDlgPasswdQuery::ShowContextMenu()
{
    const std::vector<platform::MenuItem> items = {
        {ID_MENU_OPEN_URL, GetDlgItemText(IDC_OPEN_URL), GetDlgItem(IDC_OPEN_URL).IsWindowEnabled() != 0},
        {0, {}},
        {ID_MENU_ADD, vaultdlg::LangText(IDD, 1320005, QStringLiteral("&Add Entry"))},
        {ID_MENU_DELETE, vaultdlg::LangText(IDD, 1320006, QStringLiteral("&Delete Entry"))},
        {ID_MENU_EDIT, vaultdlg::LangText(IDD, 1320007, QStringLiteral("&Edit Entry"))},
        {ID_MENU_COPY, vaultdlg::LangText(IDD, 1320008, QStringLiteral("&Copy Entry"))},
        {0, {}},
        {ID_MENU_DELETE_CHECKED, GetDlgItemText(IDC_DELETE_CHECKED),
         GetDlgItem(IDC_DELETE_CHECKED).IsWindowEnabled() != 0},
    };
    switch (platform::TrackPopupMenu(items, *this)) {
    case ID_MENU_OPEN_URL: OpenUrl(); break;
    case ID_MENU_ADD: AddEntry(); break;
    case ID_MENU_DELETE: DeleteSelectedEntry(); break;
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
        if (nm.iItem >= 0)
            ShowContextMenu();
        break;
    default:
        break;
    }
}

BOOL CDlgPasswdQuery::PreTranslateMessage(MSG* msg)
{
    const WPARAM vk = msg->wParam;
    if (msg->message == WM_SYSKEYDOWN && vk == VK_RETURN) {
        OpenUrl();
        return TRUE;
    }
    if (msg->message != WM_KEYDOWN)
        return CBaseDlg::PreTranslateMessage(msg);
    const bool ctrl = platform::GetKeyState(VK_CONTROL) < 0;
    if (vk == VK_RETURN) {
        Search();
        return TRUE;
    }
    if (vk == VK_UP || vk == VK_DOWN) {
        ClearHint();
        if (msg->hwndId != IDC_LIST) {
            m_list.SetFocus();
            platform::SendKeyInput(UINT(vk));
            return TRUE;
        }
        return FALSE;
    }
    if (ctrl && vk == 'C') {
        if (m_bRecentQuery)
            CopyPasswdToClipboard();
        // The list view would copy its current cell over the password.
        return msg->hwndId == IDC_LIST;
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
