#include "vault/DlgDbLogin.h"

#include "foundation/storage/DbSqlite3.h"
#include "foundation/storage/Secret.h"
#include "vault/DlgHelpers.h"
#include "vault/LoginSeam.h"

using vaultdlg::LangText;
using vaultdlg::ShowLangMessage;

const DialogTemplate CDlgDbLogin::s_template = {
    IDD, "Login", {0, 0, 200, 62},
    {
        {IDC_PROMPT, Control::Static, "Please input login passwd:", {7, 7, 186, 12}},
        {IDC_PASSWD, Control::Edit, "", {7, 21, 186, 14}, Style::Password},
        {IDOK, Control::Button, "OK", {88, 42, 50, 14}, Style::DefaultButton},
        {IDCANCEL, Control::Button, "Cancel", {143, 42, 50, 14}},
        {IDC_SHOW_PASSWD, Control::CheckBox, "&Show password", {7, 42, 78, 12}},
    }};

int CDlgDbLogin::s_iWrongPasswdDelayMs = 1000;

CDlgDbLogin::CDlgDbLogin(CDbSqlite3* db, CDialogEx* parent) : CBaseDlg(s_template, parent), m_pDb(db) {}

CDlgDbLogin::~CDlgDbLogin()
{
    WipeSecret(m_strPasswd);
}

void CDlgDbLogin::InitResizeAndMultiLangParam_Individual()
{
    RegisterItems({IDD, IDC_PROMPT, IDC_PASSWD, IDOK, IDCANCEL, IDC_SHOW_PASSWD},
                  {m_eWndType, WND_TYPE_TEXT, WND_TYPE_EDIT, WND_TYPE_TEXT, WND_TYPE_TEXT, WND_TYPE_TEXT});
}

QString CDlgDbLogin::PromptText() const
{
    return m_bBackup ? LangText(IDD, 1340001, QStringLiteral("Please Input Backup DB Passwd:"))
                     : LangText(IDD, 1340002, QStringLiteral("Please input login passwd:"));
}

BOOL CDlgDbLogin::OnInitDialog()
{
    CBaseDlg::OnInitDialog();
    m_bWaiting = false;
    SetDlgItemText(IDC_PROMPT, PromptText());
    m_pFocusWnd = GetDlgItem(IDC_PASSWD);
    platform::DiscardTypedAhead();
    SetForegroundWindow();
    return TRUE;
}

void CDlgDbLogin::UpdateLanguageStrToUI_Ex()
{
    // The base has just put the label's file text in; the prompt depends on the mode.
    SetDlgItemText(IDC_PROMPT, PromptText());
}

void CDlgDbLogin::OnOK()
{
    if (m_bWaiting)
        return;
    const QString passwd = GetDlgItemText(IDC_PASSWD);
    // No password opens a file that is no vault: say so, and leave the file
    // as it is (opening an empty file for writing would make it one).
    const EnumDbFile kind = m_pDb ? CDbSqlite3::InspectFile(m_pDb->GetPathFile()) : DBFILE_MISSING;
    if (kind != DBFILE_ENCRYPTED && kind != DBFILE_PLAIN) {
        RefuseDamagedFile();
        return;
    }
    if (m_pDb && m_pDb->ConfirmPasswd(passwd, 0)) {
        // The field's text is overwritten with the window: the caller gets a
        // copy of its own.
        m_strPasswd = QString(passwd.constData(), passwd.size());
        EndDialog(IDOK);
        return;
    }
    // The password that opened the file before, refused now: the file is at
    // fault, unless another file took its name since.
    const CDbSqlite3::EnumRefusal refusal = m_pDb ? m_pDb->IsDamagedFor(passwd) : CDbSqlite3::REFUSED_WRONG_PASSWD;
    if (refusal == CDbSqlite3::REFUSED_DAMAGED) {
        RefuseDamagedFile();
        return;
    }
    m_bReplacedFile = refusal == CDbSqlite3::REFUSED_REPLACED;
    if (s_iWrongPasswdDelayMs <= 0) {
        ShowWrongPasswd();
        return;
    }
    // Slow down guessing without freezing the window: no input until the timer.
    m_bWaiting = true;
    GetDlgItem(IDC_PASSWD).EnableWindow(FALSE);
    GetDlgItem(IDOK).EnableWindow(FALSE);
    SetTimer(TIMER_WRONG_PASSWD, UINT(s_iWrongPasswdDelayMs), true);
}

void CDlgDbLogin::RefuseDamagedFile()
{
    ShowLangMessage(IDD, 1340004, QStringLiteral("The file '%s' is damaged or is not a vault. It was left as it is."),
                    {m_pDb ? m_pDb->GetPathFile() : QString()});
    WipeSecret(m_strPasswd);
    EndDialog(IDCANCEL);
}

void CDlgDbLogin::OnTimer(UINT id)
{
    if (id != TIMER_WRONG_PASSWD) {
        CBaseDlg::OnTimer(id);
        return;
    }
    KillTimer(id);
    m_bWaiting = false;
    GetDlgItem(IDC_PASSWD).EnableWindow(TRUE);
    GetDlgItem(IDOK).EnableWindow(TRUE);
    ShowWrongPasswd();
}

void CDlgDbLogin::ShowWrongPasswd()
{
    // Kept with the main window's texts about synced vaults.
    if (m_bReplacedFile)
        ShowLangMessage(15000, 1500094,
                        QStringLiteral("The vault file was replaced (by a sync program, for example) since this "
                                       "password last opened it, and the new file needs another master password: "
                                       "it was probably changed on another computer. Please enter the new one."));
    else
        ShowLangMessage(IDD, 1340003, QStringLiteral("Password Error, please input passwd again!"));
    GetDlgItem(IDC_PASSWD).WipeText();
    GetDlgItem(IDC_PASSWD).SetFocus();
}

void CDlgDbLogin::OnCancel()
{
    KillTimer(TIMER_WRONG_PASSWD);
    m_bWaiting = false;
    WipeSecret(m_strPasswd);
    EndDialog(IDCANCEL);
}

void InstallLoginDialog()
{
    SetLoginPrompt([](CDbSqlite3* db, int backupFlag, QString& passwordOut) {
        CDlgDbLogin dlg(db);
        dlg.SetTypeBackup(backupFlag);
        const int result = dlg.DoModal();
        if (result == IDOK)
            passwordOut = dlg.GetPasswd();
        return result;
    });
}

BOOL CDlgDbLogin::OnCommand(int id, UINT code)
{
    if (id == IDC_SHOW_PASSWD && code == BN_CLICKED) {
        vaultdlg::ShowPasswdText(*this, IDC_SHOW_PASSWD, {IDC_PASSWD});
        return TRUE;
    }
    return CBaseDlg::OnCommand(id, code);
}
