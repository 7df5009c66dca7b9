#include "SampleDlg.h"

#include "platform/PopupMenu.h"

const DialogTemplate CDlgSample::s_template = {
    IDD, "Passwd Query", {0, 0, 300, 200},
    {
        {IDC_KEYWORDS, Control::Edit, "", {7, 7, 220, 14}},
        {IDC_SEARCH, Control::Button, "Search", {233, 7, 60, 14}, Style::DefaultButton},
        {IDC_LIST, Control::ListCtrl, "Passwd Query List", {7, 26, 286, 120}, Style::CheckBoxes},
        {IDC_SHOW_PASSWD, Control::CheckBox, "Show Passwd", {7, 152, 90, 12}},
        {IDC_CHECK_ALL, Control::CheckBox, "Check All", {100, 152, 80, 12}, Style::ThreeState},
        {IDC_DELETE_CHECKED, Control::Button, "Delete Checked Items", {183, 150, 110, 14}, Style::Disabled},
        {IDC_FREQUENCY, Control::ComboBox, "", {7, 168, 120, 80}},
        {IDC_NOTICE, Control::Static, "Passwd is coped to clipboard.", {133, 170, 160, 24}, Style::Hidden},
        {IDCANCEL, Control::Button, "Cancel", {243, 182, 50, 14}},
    }};

CDlgSample::CDlgSample(CDialogEx* parent) : CBaseDlg(s_template, parent) {}

void CDlgSample::InitResizeAndMultiLangParam_Individual()
{
    RegisterItems({IDD, IDC_SEARCH, IDC_LIST, IDC_SHOW_PASSWD, IDC_CHECK_ALL, IDC_DELETE_CHECKED, IDC_NOTICE,
                   IDC_KEYWORDS},
                  {m_eWndType, WND_TYPE_TEXT, WND_TYPE_LIST, WND_TYPE_TEXT, WND_TYPE_TEXT, WND_TYPE_TEXT,
                   WND_TYPE_TEXT, WND_TYPE_EDIT});
}

BOOL CDlgSample::OnInitDialog()
{
    CBaseDlg::OnInitDialog();
    m_list = GetDlgItem(IDC_LIST);
    m_list.SetExtendedStyle(LVS_EX_FULLROWSELECT | LVS_EX_CHECKBOXES | LVS_EX_GRIDLINES);
    const char* columns[] = {"Title", "UserName", "Password", "URL", "Email", "Notes"};
    for (int i = 0; i < 6; ++i)
        m_list.InsertColumn(i, QString::fromUtf8(columns[i]), 80);
    CComboBox frequency = GetDlgItem(IDC_FREQUENCY);
    frequency.AddString(QStringLiteral("Once"));
    frequency.AddString(QStringLiteral("Each Query"));
    frequency.SetCurSel(0);
    m_pFocusWnd = GetDlgItem(IDC_KEYWORDS);
    return TRUE;
}

BOOL CDlgSample::OnCommand(int id, UINT code)
{
    switch (id) {
    case IDC_SEARCH:
        if (code == BN_CLICKED)
            Search();
        return TRUE;
    case IDC_CHECK_ALL:
        if (code == BN_CLICKED) {
            const bool all = IsDlgButtonChecked(IDC_CHECK_ALL) == BST_CHECKED;
            if (!all)
                CheckDlgButton(IDC_CHECK_ALL, BST_UNCHECKED);
            m_list.SetCheck(-1, all);
            UpdateCheckAll();
        }
        return TRUE;
    case IDC_DELETE_CHECKED:
        for (int row = m_list.GetItemCount() - 1; row >= 0; --row)
            if (m_list.GetCheck(row))
                m_list.DeleteItem(row);
        UpdateCheckAll();
        return TRUE;
    default:
        return CBaseDlg::OnCommand(id, code);
    }
}

void CDlgSample::OnListNotify(const NMLISTVIEW& nm)
{
    if (nm.code == LVN_ITEMCHANGED) {
        if ((nm.uNewState & LVIS_SELECTED) && !(nm.uOldState & LVIS_SELECTED))
            m_selectedRows << nm.iItem;
        if ((nm.uNewState ^ nm.uOldState) & LVIS_STATEIMAGEMASK)
            UpdateCheckAll();
    } else if (nm.code == NM_DBLCLK) {
        m_doubleClicked = nm.iItem;
    } else if (nm.code == NM_RCLICK && nm.iItem >= 0) {
        QString edit = QStringLiteral("&Edit Entry");
        GetOtherStr_ByStrId(IDD, 1320007, edit);
        m_menuChoice = platform::TrackPopupMenu({{32780, edit, true}, {0, {}, true}, {32777, QStringLiteral("Delete"),
                                                 GetDlgItem(IDC_DELETE_CHECKED).IsWindowEnabled() != 0}},
                                                *this);
    }
}

void CDlgSample::OnTimer(UINT id)
{
    if (id == TIMER_HIDE_NOTICE) {
        KillTimer(id);
        GetDlgItem(IDC_NOTICE).ShowWindow(SW_HIDE);
    }
}

BOOL CDlgSample::PreTranslateMessage(MSG* msg)
{
    if (msg->message == WM_KEYDOWN) {
        m_keysSeen << UINT(msg->wParam);
        if (msg->wParam == VK_RETURN) {
            Search();
            return TRUE;
        }
    }
    return CBaseDlg::PreTranslateMessage(msg);
}

LRESULT CDlgSample::OnPrivateMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_SETTIMER_REQUEST) {
        SetTimer(UINT(wParam), UINT(lParam), true);
        m_lastPrivate = 1;
        return 1;
    }
    return CBaseDlg::OnPrivateMessage(msg, wParam, lParam);
}

void CDlgSample::OnActivate(UINT state, BOOL minimized)
{
    CBaseDlg::OnActivate(state, minimized);
    if (state != WA_INACTIVE)
        ++m_activations;
}

void CDlgSample::OnWindowPosChanged()
{
    ++m_posChanges;
    CBaseDlg::OnWindowPosChanged();
}

void CDlgSample::Search()
{
    ++m_searches;
    m_lastKeywords = GetDlgItemText(IDC_KEYWORDS);
    GetDlgItem(IDC_NOTICE).ShowWindow(SW_SHOW);
    SetTimer(TIMER_HIDE_NOTICE, 4500);
}

void CDlgSample::UpdateCheckAll()
{
    const int n = m_list.GetItemCount();
    int checked = 0;
    for (int row = 0; row < n; ++row)
        checked += m_list.GetCheck(row) ? 1 : 0;
    CheckDlgButton(IDC_CHECK_ALL, checked == 0 ? BST_UNCHECKED : checked == n ? BST_CHECKED : BST_INDETERMINATE);
    GetDlgItem(IDC_DELETE_CHECKED).EnableWindow(checked > 0);
}
