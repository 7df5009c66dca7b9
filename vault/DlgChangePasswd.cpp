#include "vault/DlgChangePasswd.h"

#include "foundation/storage/Secret.h"
#include "vault/DlgHelpers.h"
#include "vault/DlgSetPasswd.h"
#include "vault/PasswdSetting.h"

using vaultdlg::ShowLangMessage;

const DialogTemplate CDlgChangePasswd::s_template = {
    IDD, "Change Passwd", {0, 0, 220, 100},
    {
        {IDC_OLD_LABEL, Control::Static, "&Old Passwd:", {7, 9, 70, 12}},
        {IDC_OLD, Control::Edit, "", {80, 7, 133, 14}, Style::Password},
        {IDC_NEW_LABEL, Control::Static, "&New Passwd:", {7, 27, 70, 12}},
        {IDC_NEW, Control::Edit, "", {80, 25, 133, 14}, Style::Password},
        {IDC_REPEAT_LABEL, Control::Static, "&Repeat Passwd:", {7, 45, 70, 12}},
        {IDC_REPEAT, Control::Edit, "", {80, 43, 133, 14}, Style::Password},
        {IDC_STRENGTH, Control::Static, "100/100 (Passwd Strength)", {80, 61, 133, 12}},
        {IDOK, Control::Button, "OK", {108, 80, 50, 14}, Style::DefaultButton},
        {IDCANCEL, Control::Button, "Cancel", {163, 80, 50, 14}},
        {IDC_SHOW_PASSWD, Control::CheckBox, "&Show password", {7, 80, 98, 12}},
    }};

CDlgChangePasswd::CDlgChangePasswd(CDialogEx* parent) : CBaseDlg(s_template, parent) {}

void CDlgChangePasswd::InitResizeAndMultiLangParam_Individual()
{
    RegisterItems({IDD, IDC_OLD_LABEL, IDC_OLD, IDC_NEW_LABEL, IDC_NEW, IDC_REPEAT_LABEL, IDC_REPEAT, IDC_STRENGTH,
                   IDOK, IDCANCEL, IDC_SHOW_PASSWD},
                  {m_eWndType, WND_TYPE_TEXT, WND_TYPE_EDIT, WND_TYPE_TEXT, WND_TYPE_EDIT, WND_TYPE_TEXT,
                   WND_TYPE_EDIT, WND_TYPE_TEXT, WND_TYPE_TEXT, WND_TYPE_TEXT, WND_TYPE_TEXT});
}

BOOL CDlgChangePasswd::OnInitDialog()
{
    CBaseDlg::OnInitDialog();
    m_pFocusWnd = GetDlgItem(IDC_OLD);
    vaultdlg::ShowPasswdStrength(*this, IDC_STRENGTH, 0);
    return TRUE;
}

void CDlgChangePasswd::UpdateLanguageStrToUI_Ex()
{
    // The base has just put the label's template text back.
    vaultdlg::ShowPasswdStrength(*this, IDC_STRENGTH, CalcPasswdStrength(GetDlgItemText(IDC_NEW)));
}

void CDlgChangePasswd::OnOK()
{
    const QString oldPasswd = GetDlgItemText(IDC_OLD);
    const QString newPasswd = GetDlgItemText(IDC_NEW);
    const vaultdlg::PasswdCheck check = vaultdlg::CheckVaultPasswd(oldPasswd, IDD, 1330001);
    if (check == vaultdlg::PasswdCheck::Unopenable)
        return;
    if (check == vaultdlg::PasswdCheck::Refused) {
        ShowLangMessage(IDD, 1330002, QStringLiteral("Old passwd is mistake, please input again!"));
        SetDlgItemText(IDC_OLD, QString());
        GetDlgItem(IDC_OLD).SetFocus();
        return;
    }
    if (!vaultdlg::CheckNewPasswd(*this, IDC_NEW, IDC_REPEAT, 1330003, 1330004) ||
        !vaultdlg::AcceptMasterPasswdStrength(*this, IDC_NEW))
        return;
    // The wrapper keeps the old password in full when re-keying fails; say so
    // and let the user try again instead of reporting a change that never happened.
    if (!g_pSqlite->ConfirmAndChangePasswd(oldPasswd, newPasswd, 0)) {
        ShowLangMessage(CDlgSetPasswd::IDD, 1370005, QStringLiteral("Set passwd faild!"));
        GetDlgItem(IDC_NEW).SetFocus();
        return;
    }
    if (g_pPwSettings)
        g_pPwSettings->GetQueryAuth().RecordPasswd();
    EndDialog(IDOK);
}

BOOL CDlgChangePasswd::OnCommand(int id, UINT code)
{
    if (id == IDC_NEW && code == EN_CHANGE) {
        vaultdlg::ShowPasswdStrength(*this, IDC_STRENGTH, CalcPasswdStrength(GetDlgItemText(IDC_NEW)));
        return TRUE;
    }
    if (id == IDC_SHOW_PASSWD && code == BN_CLICKED) {
        vaultdlg::ShowPasswdText(*this, IDC_SHOW_PASSWD, {IDC_OLD, IDC_NEW, IDC_REPEAT});
        return TRUE;
    }
    return CBaseDlg::OnCommand(id, code);
}

void CDlgChangePasswd::OnDestroy()
{
    // The old and the new master password go from the fields and from the
    // copies read of them, which share the fields' buffers.
    for (int id : {IDC_OLD, IDC_NEW, IDC_REPEAT})
        GetDlgItem(id).WipeText();
    if (g_pSqlite)
        g_pSqlite->ForgetDecryptedPages();
    ScrubFreedMemory();
    CBaseDlg::OnDestroy();
}
