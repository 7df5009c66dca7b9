#include "vault/DlgSetPasswd.h"

#include "foundation/storage/Secret.h"
#include "vault/DlgHelpers.h"
#include "vault/PasswdSetting.h"

using vaultdlg::ShowLangMessage;

const DialogTemplate CDlgSetPasswd::s_template = {
    IDD, "Set Password", {0, 0, 220, 82},
    {
        {IDC_NEW_LABEL, Control::Static, "&New Passwd:", {7, 9, 70, 12}},
        {IDC_NEW, Control::Edit, "", {80, 7, 133, 14}, Style::Password},
        {IDC_REPEAT_LABEL, Control::Static, "&Repeat Passwd:", {7, 27, 70, 12}},
        {IDC_REPEAT, Control::Edit, "", {80, 25, 133, 14}, Style::Password},
        {IDC_STRENGTH, Control::Static, "100/100 (Passwd Strength)", {80, 43, 133, 12}},
        {IDOK, Control::Button, "OK", {108, 62, 50, 14}, Style::DefaultButton},
        {IDCANCEL, Control::Button, "Cancel", {163, 62, 50, 14}},
        {IDC_SHOW_PASSWD, Control::CheckBox, "&Show password", {7, 62, 98, 12}},
    }};

CDlgSetPasswd::CDlgSetPasswd(CDialogEx* parent) : CBaseDlg(s_template, parent) {}

void CDlgSetPasswd::InitResizeAndMultiLangParam_Individual()
{
    RegisterItems({IDD, IDC_NEW_LABEL, IDC_NEW, IDC_REPEAT_LABEL, IDC_REPEAT, IDC_STRENGTH, IDOK, IDCANCEL,
                   IDC_SHOW_PASSWD},
                  {m_eWndType, WND_TYPE_TEXT, WND_TYPE_EDIT, WND_TYPE_TEXT, WND_TYPE_EDIT, WND_TYPE_TEXT,
                   WND_TYPE_TEXT, WND_TYPE_TEXT, WND_TYPE_TEXT});
}

BOOL CDlgSetPasswd::OnInitDialog()
{
    CBaseDlg::OnInitDialog();
    m_pFocusWnd = GetDlgItem(IDC_NEW);
    vaultdlg::ShowPasswdStrength(*this, IDC_STRENGTH, 0);
    return TRUE;
}

void CDlgSetPasswd::UpdateLanguageStrToUI_Ex()
{
    // The base has just put the label's template text back.
    vaultdlg::ShowPasswdStrength(*this, IDC_STRENGTH, CalcPasswdStrength(GetDlgItemText(IDC_NEW)));
}

void CDlgSetPasswd::OnOK()
{
    const QString newPasswd = GetDlgItemText(IDC_NEW);
    const vaultdlg::PasswdCheck check = vaultdlg::CheckVaultPasswd(QString(), IDD, 1370001);
    if (check == vaultdlg::PasswdCheck::Unopenable)
        return;
    if (check == vaultdlg::PasswdCheck::Refused) {
        ShowLangMessage(IDD, 1370002, QStringLiteral("Old passwd is not empty, please check it!"));
        m_bOldPasswdExist = 1;
        EndDialog(IDCANCEL);
        return;
    }
    if (!vaultdlg::CheckNewPasswd(*this, IDC_NEW, IDC_REPEAT, 1370003, 1370004) ||
        !vaultdlg::AcceptMasterPasswdStrength(*this, IDC_NEW))
        return;
    if (g_pSqlite->ConfirmAndChangePasswd(QString(), newPasswd, 0)) {
        if (g_pPwSettings)
            g_pPwSettings->GetQueryAuth().RecordPasswd();
        EndDialog(IDOK);
        return;
    }
    ShowLangMessage(IDD, 1370005, QStringLiteral("Set passwd faild!"));
    EndDialog(IDCANCEL);
}

BOOL CDlgSetPasswd::OnCommand(int id, UINT code)
{
    if (id == IDC_NEW && code == EN_CHANGE) {
        vaultdlg::ShowPasswdStrength(*this, IDC_STRENGTH, CalcPasswdStrength(GetDlgItemText(IDC_NEW)));
        return TRUE;
    }
    if (id == IDC_SHOW_PASSWD && code == BN_CLICKED) {
        vaultdlg::ShowPasswdText(*this, IDC_SHOW_PASSWD, {IDC_NEW, IDC_REPEAT});
        return TRUE;
    }
    return CBaseDlg::OnCommand(id, code);
}

void CDlgSetPasswd::OnDestroy()
{
    // The new master password goes from the fields and the copies read of them.
    for (int id : {IDC_NEW, IDC_REPEAT})
        GetDlgItem(id).WipeText();
    if (g_pSqlite)
        g_pSqlite->ForgetDecryptedPages();
    ScrubFreedMemory();
    CBaseDlg::OnDestroy();
}
