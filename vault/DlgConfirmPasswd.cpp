#include "vault/DlgConfirmPasswd.h"

#include "foundation/storage/Secret.h"
#include "vault/DlgHelpers.h"
#include "vault/PasswdSetting.h"

using vaultdlg::ShowLangMessage;

const DialogTemplate CDlgConfirmPasswd::s_template = {
    IDD, "Confirm Password", {0, 0, 200, 62},
    {
        {IDC_PROMPT, Control::Static, "Please Input &Passwd:", {7, 7, 186, 12}},
        {IDC_PASSWD, Control::Edit, "", {7, 21, 186, 14}, Style::Password},
        {IDOK, Control::Button, "OK", {88, 42, 50, 14}, Style::DefaultButton},
        {IDCANCEL, Control::Button, "Cancel", {143, 42, 50, 14}},
        {IDC_SHOW_PASSWD, Control::CheckBox, "&Show password", {7, 42, 78, 12}},
    }};

CDlgConfirmPasswd::CDlgConfirmPasswd(CDialogEx* parent) : CBaseDlg(s_template, parent) {}

CDlgConfirmPasswd::~CDlgConfirmPasswd()
{
    WipeSecret(m_strPasswd);
}

void CDlgConfirmPasswd::InitResizeAndMultiLangParam_Individual()
{
    RegisterItems({IDD, IDC_PROMPT, IDC_PASSWD, IDOK, IDCANCEL, IDC_SHOW_PASSWD},
                  {m_eWndType, WND_TYPE_TEXT, WND_TYPE_EDIT, WND_TYPE_TEXT, WND_TYPE_TEXT, WND_TYPE_TEXT});
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
        // The field's text is overwritten with the window: the caller gets a
        // copy of its own.
        m_strPasswd = QString(passwd.constData(), passwd.size());
        if (g_pPwSettings)
            g_pPwSettings->GetQueryAuth().RecordPasswd();
        EndDialog(IDOK);
        return;
    }
    ShowLangMessage(IDD, 1350003, QStringLiteral("Passwd is mistake, please input again!"));
    edit.WipeText();
    edit.SetFocus();
}

BOOL CDlgConfirmPasswd::OnCommand(int id, UINT code)
{
    if (id == IDC_SHOW_PASSWD && code == BN_CLICKED) {
        vaultdlg::ShowPasswdText(*this, IDC_SHOW_PASSWD, {IDC_PASSWD});
        return TRUE;
    }
    return CBaseDlg::OnCommand(id, code);
}
