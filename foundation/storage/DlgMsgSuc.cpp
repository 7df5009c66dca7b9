#include "foundation/storage/DlgMsgSuc.h"

const DialogTemplate CDlgMsgSuc::s_template = {
    IDD, "Import finished", {0, 0, 188, 86},
    {
        {IDC_ICON, Control::Static, "\u2714", {7, 7, 22, 22}, Style::CenterText},
        {IDC_MESSAGE, Control::Static, "Successfully!", {36, 9, 145, 50}},
        {IDC_OK, Control::Button, "OK", {131, 65, 50, 14}, Style::DefaultButton},
    }};

CDlgMsgSuc::CDlgMsgSuc(const QString& text, int showOk, CDialogEx* parent)
    : CBaseDlg(s_template, parent), m_strMsg(text), m_bShowOk(showOk)
{
}

void CDlgMsgSuc::InitResizeAndMultiLangParam_Individual()
{
    // The message is the caller's text: registered as data, never replaced.
    RegisterItems({IDD, IDC_MESSAGE, IDC_OK}, {m_eWndType, WND_TYPE_EDIT, WND_TYPE_TEXT});
}

BOOL CDlgMsgSuc::OnInitDialog()
{
    CBaseDlg::OnInitDialog();
    CWnd icon = GetDlgItem(IDC_ICON);
    LOGFONT lf;
    icon.GetLogFont(lf);
    lf.lfHeight = -26;
    lf.lfWeight = FW_BOLD;
    m_fontIcon.CreateFontIndirect(lf);
    icon.SetFont(&m_fontIcon);
    icon.SetTextColor(RGB(0, 150, 60));

    // '&' in a report is text, not a mnemonic.
    QString shown = m_strMsg;
    SetDlgItemText(IDC_MESSAGE, shown.replace(QLatin1Char('&'), QLatin1String("&&")));
    m_btnOk = GetDlgItem(IDC_OK);
    if (!m_bShowOk)
        m_btnOk.ShowWindow(SW_HIDE);
    else
        m_pFocusWnd = m_btnOk;
    return TRUE;
}

BOOL CDlgMsgSuc::OnCommand(int id, UINT code)
{
    if (id == IDC_OK && code == BN_CLICKED) {
        EndDialog(IDOK);
        return TRUE;
    }
    return CBaseDlg::OnCommand(id, code);
}

void CDlgMsgSuc::UpdateLanguageStrToUI_Ex()
{
    // The window grows downwards for a long report (an import's counts in a
    // wordy language) instead of hiding its last lines behind the button.
    CWnd message = GetDlgItem(IDC_MESSAGE);
    CRect text;
    message.GetWindowRect(text);
    ScreenToClient(text);
    const int grow = message.GetHeightForWidth(text.Width()) - text.Height();
    if (grow <= 0)
        return;
    message.MoveWindow(text.left, text.top, text.Width(), text.Height() + grow);
    CRect ok;
    m_btnOk.GetWindowRect(ok);
    ScreenToClient(ok);
    m_btnOk.MoveWindow(ok.left, ok.top + grow, ok.Width(), ok.Height());
    CRect window;
    GetWindowRect(window);
    MoveWindow(window.left, window.top - grow / 2, window.Width(), window.Height() + grow);
}
