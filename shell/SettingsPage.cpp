// The settings page: how its controls are filled and enabled, and how each
// one saves its setting the moment it changes.
#include "foundation/storage/DlgInitSettings.h"
#include "foundation/storage/Globals.h"
#include "foundation/ui/XmlLanguage.h"
#include "platform/MessageBox.h"
#include "shell/VaultwickDlg.h"
#include "vault/DlgChangePasswd.h"
#include "vault/DlgConfirmPasswd.h"
#include "vault/DlgSetPasswd.h"
#include "vault/PasswdSetting.h"

namespace {

const QString kAutoRunName = QStringLiteral("VaultwickStart");

// Index + 1 = EnumPwInputFreq; 0, "only once", is the radio button beside.
const char* const kInputFreqTexts[] = {
    "Each Activation (Passwd Query Dialog)",
    "Each Query",
    "10 Seconds From Last Query",
    "30 Seconds From Last Query",
    "1 Minute From Last Query",
    "5 Minute From Last Query",
    "10 Minute From Last Query",
    "30 Minute From Last Query",
    "1 Hour From Last Query",
};

bool ConfirmMasterPasswd(CDialogEx* parent)
{
    CDlgConfirmPasswd dlg(parent);
    return dlg.DoModal() == IDOK;
}

} // namespace

void CVaultwickDlg::InitComboBoxes()
{
    CComboBox freq = GetDlgItem(IDC_INPUT_FREQ);
    freq.ResetContent();
    for (const char* text : kInputFreqTexts)
        freq.AddString(QString::fromUtf8(text));
    freq.SetCurSel(-1);

    CComboBox lang = GetDlgItem(IDC_LANGUAGE);
    CDlgInitSettings::FillLanguageList(lang);

    GetDlgItem(IDC_SAVED_NOTICE).ModifyStyle(0, SS_CENTER | SS_CENTERIMAGE);
    SetNoticeColors();

    CFolderEdit folder = GetDlgItem(IDC_DATA_FOLDER);
    folder.EnableFolderBrowseButton(TRUE);
    folder.SetReadOnly(TRUE);
}

void CVaultwickDlg::SetNoticeColors()
{
    CWnd notice = GetDlgItem(IDC_SAVED_NOTICE);
    notice.SetTextColor(RGB(255, 0, 0));
    notice.SetBkTransparent();
}

void CVaultwickDlg::ShowSavedNotice()
{
    GetDlgItem(IDC_SAVED_NOTICE).ShowWindow(SW_SHOW);
    SetTimer(TIMER_SAVED_NOTICE, s_iSavedNoticeMs);
}

void CVaultwickDlg::EnableLoginPasswdCtrls()
{
    CWnd change = GetDlgItem(IDC_CHANGE_LOGIN_PASSWD);
    CWnd once = GetDlgItem(IDC_RADIO_ONCE);
    CWnd other = GetDlgItem(IDC_RADIO_OTHER);
    CWnd freq = GetDlgItem(IDC_INPUT_FREQ);
    const bool onceMode = m_nInputFreq == 0;
    CheckDlgButton(IDC_RADIO_ONCE, onceMode ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(IDC_RADIO_OTHER, onceMode ? BST_UNCHECKED : BST_CHECKED);
    if (!m_bNeedLoginPasswd) {
        change.EnableWindow(FALSE);
        once.EnableWindow(FALSE);
        other.EnableWindow(FALSE);
        freq.EnableWindow(FALSE);
        return;
    }
    change.EnableWindow(TRUE);
    once.EnableWindow(TRUE);
    other.EnableWindow(TRUE);
    freq.EnableWindow(!onceMode);
}

// ---------------------------------------------------------------- login password

void CVaultwickDlg::OnCheckNeedLoginPasswd()
{
    UpdateData(TRUE);
    g_bNeedPasswd = m_bNeedLoginPasswd;
    const auto putBack = [this](int need) {
        m_bNeedLoginPasswd = need;
        g_bNeedPasswd = need;
        UpdateData(FALSE);
    };
    const auto enableGroup = [this] {
        GetDlgItem(IDC_CHANGE_LOGIN_PASSWD).EnableWindow(TRUE);
        GetDlgItem(IDC_RADIO_ONCE).EnableWindow(TRUE);
        GetDlgItem(IDC_RADIO_OTHER).EnableWindow(TRUE);
        GetDlgItem(IDC_INPUT_FREQ).EnableWindow(IsDlgButtonChecked(IDC_RADIO_OTHER) == BST_CHECKED);
    };

    if (!m_bNeedLoginPasswd) {
        CDlgConfirmPasswd confirm(this);
        if (confirm.DoModal() != IDOK) {
            putBack(1);
            return;
        }
        if (!g_pSqlite->ConfirmAndChangePasswd(confirm.GetInputPasswd(), QString(), 0)) {
            // The vault keeps its password, so the box stays ticked.
            QString text = QStringLiteral("Set passwd faild!");
            GetOtherStr_ByStrId(CDlgSetPasswd::IDD, 1370005, text);
            platform::ShowMessageBox(text);
            putBack(1);
            return;
        }
        for (int id : {IDC_CHANGE_LOGIN_PASSWD, IDC_RADIO_ONCE, IDC_RADIO_OTHER, IDC_INPUT_FREQ})
            GetDlgItem(id).EnableWindow(FALSE);
    } else {
        CDlgSetPasswd set(this);
        if (set.DoModal() == IDOK) {
            enableGroup();
        } else if (set.m_bOldPasswdExist) {
            CDlgChangePasswd change(this);
            if (change.DoModal() != IDOK) {
                putBack(0);
                return;
            }
            enableGroup();
            g_pPwSettings->UpdatePasswdSetting(g_strColNeedLoginPasswd, m_bNeedLoginPasswd, 0);
            return;
        } else {
            putBack(0);
            return;
        }
    }
    if (g_pPwSettings->UpdatePasswdSetting(g_strColNeedLoginPasswd, m_bNeedLoginPasswd, 0))
        ShowSavedNotice();
}

void CVaultwickDlg::OfferMasterPasswd()
{
    if (!m_bLoggedIn || m_bNeedLoginPasswd)
        return;
    // No owner: the main window is not shown yet, and the first-run dialog
    // before it had none either.
    CDlgSetPasswd set;
    if (set.DoModal() != IDOK)
        return;
    m_bNeedLoginPasswd = 1;
    g_bNeedPasswd = 1;
    g_pPwSettings->UpdatePasswdSetting(g_strColNeedLoginPasswd, 1, 0);
    UpdateData(FALSE);
    EnableLoginPasswdCtrls();
}

void CVaultwickDlg::OnChangeLoginPasswd()
{
    CDlgChangePasswd dlg(this);
    dlg.DoModal();
}

// The two radio buttons are groups of their own: a click checks the clicked
// one only. The switch goes ahead when the other one was the mode, and only
// with the master password when the list shows a frequency; otherwise the
// click is undone.
namespace {

bool RadioSwitchAllowed(CVaultwickDlg& dlg, int clicked, int other)
{
    if (dlg.IsDlgButtonChecked(other) != BST_CHECKED)
        return false;
    if (CComboBox(dlg.GetDlgItem(CVaultwickDlg::IDC_INPUT_FREQ)).GetCurSel() >= 0 && !ConfirmMasterPasswd(&dlg)) {
        dlg.CheckDlgButton(clicked, BST_UNCHECKED);
        return false;
    }
    dlg.CheckDlgButton(other, BST_UNCHECKED);
    return true;
}

} // namespace

void CVaultwickDlg::OnRadioInputOnce()
{
    if (!RadioSwitchAllowed(*this, IDC_RADIO_ONCE, IDC_RADIO_OTHER))
        return;
    m_nInputFreq = 0;
    GetDlgItem(IDC_INPUT_FREQ).EnableWindow(FALSE);
    if (g_pPwSettings->UpdatePasswdSetting(g_strColInputFreq, 0, 0))
        ShowSavedNotice();
}

void CVaultwickDlg::OnRadioInputOther()
{
    if (!RadioSwitchAllowed(*this, IDC_RADIO_OTHER, IDC_RADIO_ONCE))
        return;
    UpdateData(TRUE);
    CWnd freq = GetDlgItem(IDC_INPUT_FREQ);
    freq.EnableWindow(TRUE);
    // Nothing chosen yet: the mode would be "only once" under another name.
    // The choice in the list saves it.
    if (m_nInputFreq == 0) {
        freq.SetFocus();
        platform::ShowMessageBox(GetOtherStrOr(13200, 1320054, QStringLiteral("Choose in the list how often the master "
                                                                              "password is asked. Nothing is saved "
                                                                              "until then.")),
                                 QString(), MB_OK | MB_ICONINFORMATION);
        return;
    }
    if (g_pPwSettings->UpdatePasswdSetting(g_strColInputFreq, m_nInputFreq, 0))
        ShowSavedNotice();
}

void CVaultwickDlg::OnSelChangeInputFreq()
{
    const int previous = m_nInputFreq;
    UpdateData(TRUE);
    if (m_nInputFreq == previous)
        return;
    if (!ConfirmMasterPasswd(this)) {
        m_nInputFreq = previous;
        UpdateData(FALSE);
        return;
    }
    if (g_pPwSettings->UpdatePasswdSetting(g_strColInputFreq, m_nInputFreq, 0))
        ShowSavedNotice();
}

// ---------------------------------------------------------------- system settings

void CVaultwickDlg::OnCheckSystemSetting(int id)
{
    UpdateData(TRUE);
    int* member = nullptr;
    const QString* column = nullptr;
    switch (id) {
    case IDC_AUTO_START: member = &m_bAutoStart; column = &g_strColAutoStart; break;
    case IDC_START_MINI: member = &m_bStartMini; column = &g_strColStartMini; break;
    case IDC_CLOSE_TO_TRAY: member = &m_bCloseToTray; column = &g_strColCloseToTray; break;
    case IDC_MINI_TO_TRAY: member = &m_bMiniToTray; column = &g_strColMiniToTray; break;
    default: return;
    }
    // An autostart entry that could not be written was reported; the box
    // follows what really happens at the next log-on.
    if (id == IDC_AUTO_START && !SetAutoRun(m_bAutoStart, kAutoRunName, LauncherPath())) {
        m_bAutoStart = !m_bAutoStart;
        UpdateData(FALSE);
        return;
    }
    if (UpdateGlobalSetting(*column, *member ? QStringLiteral("1") : QStringLiteral("0"), 0))
        ShowSavedNotice();
}

// ---------------------------------------------------------------- language

void CVaultwickDlg::OnSelChangeLanguage()
{
    UpdateData(TRUE);
    const ENUM_LANGUAGE lang = GetLangByStr(m_strLanguage);
    if (lang == LANG_NONE || lang == s_eLanguage)
        return;
    // A failed write was shown; the language still changes for this run.
    const int stored = UpdateGlobalSetting(g_strColLanguage, quoteSqlText(m_strLanguage), 0);
    SetStaticLang(lang);
    SetNewFont(this);
    g_pXmlLang->SetFile(GetLangFile(lang));
    g_pXmlLang->LoadSettings();
    // No fixed format: the store takes its message from the language now loaded.
    g_pPwSettings->SetErrorFormat(QString());
    SendMessage(WM_ACTIVATE, WA_ACTIVE, 0);
    if (stored)
        ShowSavedNotice();
}
