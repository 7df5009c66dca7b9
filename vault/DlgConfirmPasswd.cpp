#include "vault/DlgConfirmPasswd.h"

const DialogTemplate CDlgConfirmPasswd::s_template = {
    IDD, "Confirm Password", {0, 0, 200, 60},
    {
        {IDC_PROMPT, Control::Static, "Please Input Passwd:", {7, 7, 186, 12}},
        {IDC_PASSWD, Control::Edit, "", {7, 21, 186, 14}, Style::Password},
        {IDOK, Control::Button, "OK", {88, 41, 50, 14}, Style::DefaultButton},
        {IDCANCEL, Control::Button, "Cancel", {143, 41, 50, 14}},
    }};

CDlgConfirmPasswd::CDlgConfirmPasswd(CDialogEx* parent) : CBaseDlg(s_template, parent) {}
void CDlgConfirmPasswd::InitResizeAndMultiLangParam_Individual() {}
BOOL CDlgConfirmPasswd::OnInitDialog() { return CBaseDlg::OnInitDialog(); }
void CDlgConfirmPasswd::OnOK() { CBaseDlg::OnOK(); }
