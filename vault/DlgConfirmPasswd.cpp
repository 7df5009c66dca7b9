#include "vault/DlgConfirmPasswd.h"

#include "vault/DlgHelpers.h"
#include "vault/PasswdSetting.h"

using vaultdlg::ShowLangMessage;

const DialogTemplate CDlgConfirmPasswd::s_template = {
    IDD, "Confirm Password", {0, 0, 200, 62},
    {
        {IDC_PROMPT, Control::Static, "Please Input Passwd:", {7, 7, 186, 12}},
        {IDC_PASSWD, Control::Edit, "", {7, 21, 186, 14}, Style::Password},
        {IDOK, Control::Button, "OK", {88, 42, 50, 14}, Style::DefaultButton},
        {IDCANCEL, Control::Button, "Cancel", {143, 42, 50, 14}},
    }};

CDlgConfirmPasswd::CDlgConfirmPasswd(CDialogEx* parent) : CBaseDlg(s_template, parent) {}

void CDlgConfirmPasswd::InitResizeAndMultiLangParam_Individual()
{
    RegisterItems({IDD, IDC_PROMPT, IDC_PASSWD, IDOK, IDCANCEL},
                  {m_eWndType, WND_TYPE_TEXT, WND_TYPE_EDIT, WND_TYPE_TEXT, WND_TYPE_TEXT});
}

BOOL CDlgConfirmPasswd::OnInitDialog()
{
    CBaseDlg::OnInitDialog();
    m_pFocusWnd = GetDlgItem(IDC_PASSWD);
    platform::DiscardTypedAhead();
    SetForegroundWindow();
    return TRUE;
}

void CDlgConfirmPasswd::OnOK()
{
    const QString passwd = GetDlgItemText(IDC_PASSWD);
    CWnd edit = GetDlgItem(IDC_PASSWD);
    if (passwd.isEmpty()) {
        ShowLangMessage(IDD, 1350001, QStringLiteral("The 'New Passwd' can not be empty!"));
        edit.SetFocus();
        return;
    }
    const vaultdlg::PasswdCheck check = vaultdlg::CheckVaultPasswd(passwd, IDD, 1350002);
    if (check == vaultdlg::PasswdCheck::Unopenable)
        return;
    if (check == vaultdlg::PasswdCheck::Accepted) {
        m_strPasswd = passwd;
        if (g_pPwSettings)
            g_pPwSettings->GetQueryAuth().RecordPasswd();
        EndDialog(IDOK);
        return;
    }
    ShowLangMessage(IDD, 1350003, QStringLiteral("Passwd is mistake, please input again!"));
    SetDlgItemText(IDC_PASSWD, QString());
    edit.SetFocus();
}
