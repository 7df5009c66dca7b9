#include "foundation/storage/DlgInitSettings.h"

#include <QFileInfo>

#include "foundation/storage/GlobalSettings.h"
#include "foundation/storage/Language.h"
#include "foundation/storage/SqlText.h"
#include "foundation/storage/SysHelpers.h"

// The folder row stays hidden: the data folder is changed from the settings
// page, not on the first run.
const DialogTemplate CDlgInitSettings::s_template = {
    IDD, "Init Settings", {0, 0, 220, 69},
    {
        {IDC_LANG_LABEL, Control::Static, "UI &Language Select:", {7, 9, 206, 10}},
        {IDC_LANG, Control::ComboBox, "", {7, 21, 206, 120}},
        {IDC_FOLDER_LABEL, Control::Static, "Passwd DB &Directory:", {7, 38, 80, 10}, Style::Hidden},
        {IDC_FOLDER, Control::FolderEdit, "", {90, 36, 123, 14}, Style::Hidden},
        {IDOK, Control::Button, "OK", {163, 48, 50, 14}, Style::DefaultButton},
        {IDCANCEL, Control::Button, "Cancel", {108, 48, 50, 14}, Style::Hidden},
    }};

CDlgInitSettings::CDlgInitSettings(CDialogEx* parent) : CBaseDlg(s_template, parent) {}

void CDlgInitSettings::InitResizeAndMultiLangParam_Individual()
{
    RegisterItems({IDD, IDC_LANG_LABEL, IDC_LANG, IDC_FOLDER_LABEL, IDC_FOLDER, IDOK, IDCANCEL},
                  {m_eWndType, WND_TYPE_TEXT, WND_TYPE_COMBO, WND_TYPE_TEXT, WND_TYPE_EDIT, WND_TYPE_TEXT,
                   WND_TYPE_TEXT});
}

void CDlgInitSettings::FillLanguageList(CComboBox& combo)
{
    combo.ResetContent();
    for (int i = 0; i < g_iLangNum; ++i)
        if (QFileInfo::exists(g_strExePath + GetLangFile(i)))
            combo.AddString(GetLangStr(i));
    if (combo.GetCount() == 0)
        combo.AddString(GetLangStr(LANG_ENU));
    combo.SetCurSel(0);
}

BOOL CDlgInitSettings::OnInitDialog()
{
    CBaseDlg::OnInitDialog();
    m_comboLang = GetDlgItem(IDC_LANG);
    m_editFolder = GetDlgItem(IDC_FOLDER);

    FillLanguageList(m_comboLang);
    m_strLanguage = m_comboLang.GetLBText(0);

    m_strFolder = g_strSavedDataPath;
    m_bFillingFolder = true;
    m_editFolder.SetWindowText(m_strFolder);
    m_bFillingFolder = false;
    m_editFolder.EnableFolderBrowseButton(TRUE);
    m_editFolder.SetReadOnly(TRUE);

    m_pFocusWnd = m_comboLang;
    return TRUE;
}

BOOL CDlgInitSettings::OnCommand(int id, UINT code)
{
    if (id == IDC_LANG && code == CBN_SELCHANGE) {
        OnLanguageChanged();
        return TRUE;
    }
    if (id == IDC_FOLDER && code == EN_CHANGE) {
        if (!m_bFillingFolder)
            OnFolderChanged();
        return TRUE;
    }
    return CBaseDlg::OnCommand(id, code);
}

void CDlgInitSettings::OnLanguageChanged()
{
    m_strLanguage = m_comboLang.GetLBText(m_comboLang.GetCurSel());
    const ENUM_LANGUAGE lang = GetLangByStr(m_strLanguage);
    if (lang == LANG_NONE || lang == s_eLanguage)
        return;
    // A failed write has shown its error; the language still changes for this run.
    UpdateGlobalSetting(g_strColLanguage, quoteSqlText(m_strLanguage), 0);
    SetStaticLang(lang);
    SendMessage(WM_ACTIVATE, WA_ACTIVE, 0);
}

void CDlgInitSettings::OnFolderChanged()
{
    QString folder = m_editFolder.GetWindowText();
    if (folder.isEmpty())
        return;
    if (!folder.endsWith('/'))
        folder += '/';
    m_strFolder = folder;
    UpdateGlobalSetting(g_strColDataFolder, quoteSqlText(folder), 0);
    ConfirmPath(folder);
}

BOOL CDlgInitSettings::PreTranslateMessage(MSG* msg)
{
    // The first run cannot be cancelled.
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_ESCAPE)
        return TRUE;
    return CBaseDlg::PreTranslateMessage(msg);
}

void CDlgInitSettings::OnCancel() {}

void CDlgInitSettings::OnClose()
{
    EndDialog(IDOK);
}
