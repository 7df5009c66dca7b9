#include "vault/DlgDbLogin.h"

#include "foundation/storage/DbSqlite3.h"
#include "vault/LoginSeam.h"

const DialogTemplate CDlgDbLogin::s_template = {
    IDD, "Login", {0, 0, 200, 60},
    {
        {IDC_PROMPT, Control::Static, "Please input login passwd:", {7, 7, 186, 12}},
        {IDC_PASSWD, Control::Edit, "", {7, 21, 186, 14}, Style::Password},
        {IDOK, Control::Button, "OK", {88, 41, 50, 14}, Style::DefaultButton},
        {IDCANCEL, Control::Button, "Cancel", {143, 41, 50, 14}},
    }};

int CDlgDbLogin::s_iWrongPasswdDelayMs = 1000;

CDlgDbLogin::CDlgDbLogin(CDbSqlite3* db, CDialogEx* parent) : CBaseDlg(s_template, parent), m_pDb(db) {}

void CDlgDbLogin::InitResizeAndMultiLangParam_Individual() {}
BOOL CDlgDbLogin::OnInitDialog() { return CBaseDlg::OnInitDialog(); }
void CDlgDbLogin::OnOK() { CBaseDlg::OnOK(); }
void CDlgDbLogin::OnCancel() { CBaseDlg::OnCancel(); }
void CDlgDbLogin::OnTimer(UINT id) { CBaseDlg::OnTimer(id); }
void CDlgDbLogin::UpdateLanguageStrToUI_Ex() {}
QString CDlgDbLogin::PromptText() const { return {}; }
void CDlgDbLogin::ShowWrongPasswd() {}

void InstallLoginDialog() {}
