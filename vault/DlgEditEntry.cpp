#include "vault/DlgEditEntry.h"

#include "foundation/storage/Secret.h"
#include "vault/DlgEntrySavedSuc.h"
#include "vault/DlgHelpers.h"
#include "vault/DlgPwGenOptions.h"
#include "vault/PasswdSetting.h"
#include "vault/PasswdStrength.h"

using vaultdlg::LangText;
using vaultdlg::ShowLangMessage;

const DialogTemplate CDlgEditEntry::s_template = {
    IDD, "Entry", {0, 0, 300, 211},
    {
        {IDC_TITLE_LABEL, Control::Static, "&Title:", {7, 9, 62, 12}},
        {IDC_TITLE, Control::Edit, "", {72, 7, 221, 14}},
        {IDC_USER_LABEL, Control::Static, "&User Name:", {7, 27, 62, 12}},
        {IDC_USER, Control::Edit, "", {72, 25, 221, 14}},
        {IDC_PASSWD_LABEL, Control::Static, "&Passwd:", {7, 45, 62, 12}},
        {IDC_PASSWD, Control::Edit, "", {72, 43, 143, 14}, Style::Password},
        {IDC_REPEAT_LABEL, Control::Static, "&Repeat:", {7, 63, 62, 12}},
        {IDC_REPEAT, Control::Edit, "", {72, 61, 143, 14}, Style::Password},
        {IDC_STRENGTH, Control::Static, "100/100 (Passwd Strength)", {72, 79, 143, 12}},
        {IDC_URL_LABEL, Control::Static, "UR&L:", {7, 97, 62, 12}},
        {IDC_URL, Control::Edit, "", {72, 95, 221, 14}},
        {IDC_EMAIL_LABEL, Control::Static, "Contact &Email:", {7, 115, 62, 12}},
        {IDC_EMAIL, Control::Edit, "", {72, 113, 221, 14}},
        {IDC_NOTES_LABEL, Control::Static, "&Notes:", {7, 133, 62, 12}},
        {IDC_NOTES, Control::Edit, "", {72, 131, 221, 52}, Style::MultiLine | Style::WantReturn},
        {IDOK, Control::Button, "OK (Alt+Enter)", {153, 190, 68, 14}, Style::DefaultButton},
        {IDCANCEL, Control::Button, "Cancel (Esc)", {225, 190, 68, 14}},
        {IDC_OK_NEXT, Control::Button, "Ok and Ne&xt (Ctrl+Enter)", {7, 190, 110, 14}, Style::Hidden},
        // Outside the tab order, so Enter and Tab still walk from field to field
        // while an entry is typed; Alt+G, Alt+I and Alt+S reach them.
        {IDC_GENERATE, Control::Button, "&Generate", {219, 43, 74, 14}, Style::NoTabStop},
        {IDC_GEN_OPTIONS, Control::Button, "Opt&ions...", {219, 61, 74, 14}, Style::NoTabStop},
        {IDC_SHOW_PASSWD, Control::CheckBox, "&Show", {219, 79, 74, 12}, Style::NoTabStop},
    }};

StPwGenOptions CDlgEditEntry::s_genOptions;

CDlgEditEntry::CDlgEditEntry(CDialogEx* parent) : CBaseDlg(s_template, parent) {}

void CDlgEditEntry::InitResizeAndMultiLangParam_Individual()
{
    RegisterItems({IDD, IDC_TITLE_LABEL, IDC_TITLE, IDC_USER_LABEL, IDC_USER, IDC_PASSWD_LABEL, IDC_PASSWD,
                   IDC_REPEAT_LABEL, IDC_REPEAT, IDC_URL_LABEL, IDC_URL, IDC_EMAIL_LABEL, IDC_EMAIL, IDC_NOTES_LABEL,
                   IDC_NOTES, IDC_STRENGTH, IDC_OK_NEXT, IDOK, IDCANCEL, IDC_GENERATE, IDC_GEN_OPTIONS,
                   IDC_SHOW_PASSWD},
                  {m_eWndType, WND_TYPE_TEXT, WND_TYPE_EDIT, WND_TYPE_TEXT, WND_TYPE_EDIT, WND_TYPE_TEXT,
                   WND_TYPE_EDIT, WND_TYPE_TEXT, WND_TYPE_EDIT, WND_TYPE_TEXT, WND_TYPE_EDIT, WND_TYPE_TEXT,
                   WND_TYPE_EDIT, WND_TYPE_TEXT, WND_TYPE_EDIT, WND_TYPE_TEXT, WND_TYPE_TEXT, WND_TYPE_TEXT,
                   WND_TYPE_TEXT, WND_TYPE_TEXT, WND_TYPE_TEXT, WND_TYPE_TEXT});
}

void CDlgEditEntry::SetEntry(StEntry* entry)
{
    if (!entry)
        return;
    m_loaded = *entry;
    // The window's own copy of the password, which it overwrites when it
    // closes; the caller's stays the caller's.
    m_loaded.strPasswd = QString(entry->strPasswd.constData(), entry->strPasswd.size());
    m_strTitle = entry->strTitle;
    m_strUserName = entry->strUserName;
    m_strPasswd = m_loaded.strPasswd;
    m_strRepeat = m_loaded.strPasswd;
    m_strURL = entry->strURL;
    m_strEmail = entry->strEmail;
    m_strNotes = entry->strNotes;
    m_bEditMode = 1;
}

BOOL CDlgEditEntry::OnInitDialog()
{
    CBaseDlg::OnInitDialog();
    SetDlgItemText(IDC_TITLE, m_strTitle);
    SetDlgItemText(IDC_USER, m_strUserName);
    SetDlgItemText(IDC_PASSWD, m_strPasswd);
    SetDlgItemText(IDC_REPEAT, m_strRepeat);
    SetDlgItemText(IDC_URL, m_strURL);
    SetDlgItemText(IDC_EMAIL, m_strEmail);
    SetDlgItemText(IDC_NOTES, m_strNotes);
    SetPasswdStrength(CalcPasswdStrength(m_strPasswd));
    UpdateYellow();
    GetDlgItem(IDC_OK_NEXT).ShowWindow(m_bEditMode ? SW_HIDE : SW_SHOW);
    m_pFocusWnd = GetDlgItem(IDC_TITLE);
    SetTopMost(TRUE);
    SetForegroundWindow();
    return TRUE;
}

void CDlgEditEntry::UpdateLanguageStrToUI_Ex()
{
    // The base has just put the label's template text back.
    SetPasswdStrength(m_iStrength);
}

int CDlgEditEntry::CalcPasswdStrength(const QString& passwd)
{
    m_iStrength = ::CalcPasswdStrength(passwd);
    return m_iStrength;
}

COLORREF CDlgEditEntry::StrengthTextColor(int strength)
{
    return vaultdlg::PasswdStrengthColor(strength);
}

void CDlgEditEntry::SetPasswdStrength(int strength)
{
    m_iStrength = strength;
    vaultdlg::ShowPasswdStrength(*this, IDC_STRENGTH, strength);
    m_strStrength = GetDlgItemText(IDC_STRENGTH);
}

void CDlgEditEntry::UpdateYellow()
{
    const QString passwd = GetDlgItemText(IDC_PASSWD);
    const QString repeat = GetDlgItemText(IDC_REPEAT);
    m_bTitleEmpty = GetDlgItemText(IDC_TITLE).isEmpty();
    m_bUserEmpty = GetDlgItemText(IDC_USER).isEmpty();
    m_bPasswdEmpty = passwd.isEmpty();
    m_bRepeatEmpty = repeat.isEmpty();

    auto mark = [this](int id, bool on, COLORREF color) {
        CWnd edit = GetDlgItem(id);
        edit.ResetColors();
        if (on)
            edit.SetBkColor(color);
    };
    mark(IDC_TITLE, m_bTitleEmpty, s_clrEmpty);
    mark(IDC_USER, m_bUserEmpty, s_clrEmpty);
    const bool differ = passwd != repeat;
    const bool empty = m_bPasswdEmpty || m_bRepeatEmpty;
    for (int id : {IDC_PASSWD, IDC_REPEAT})
        mark(id, differ || empty, differ ? s_clrMismatch : s_clrEmpty);
}

void CDlgEditEntry::EmptyCtrls()
{
    for (int id : {IDC_TITLE, IDC_USER, IDC_URL, IDC_EMAIL, IDC_NOTES})
        SetDlgItemText(id, QString());
    GetDlgItem(IDC_PASSWD).WipeText();
    GetDlgItem(IDC_REPEAT).WipeText();
    ReadFields();
    UpdateYellow();
    SetPasswdStrength(CalcPasswdStrength(QString()));
    GetDlgItem(IDC_TITLE).SetFocus();
}

BOOL CDlgEditEntry::OnCommand(int id, UINT code)
{
    if (code == EN_CHANGE) {
        switch (id) {
        case IDC_PASSWD:
            SetPasswdStrength(CalcPasswdStrength(GetDlgItemText(IDC_PASSWD)));
            [[fallthrough]];
        case IDC_TITLE:
        case IDC_USER:
        case IDC_REPEAT:
            UpdateYellow();
            return TRUE;
        default:
            break;
        }
    }
    if (code == BN_CLICKED) {
        switch (id) {
        case IDC_GENERATE:
            GeneratePasswd();
            return TRUE;
        case IDC_GEN_OPTIONS: {
            CDlgPwGenOptions options(s_genOptions, this);
            if (options.DoModal() == IDOK) {
                s_genOptions = options.GetOptions();
                GeneratePasswd();
            }
            return TRUE;
        }
        case IDC_SHOW_PASSWD:
            vaultdlg::ShowPasswdText(*this, IDC_SHOW_PASSWD, {IDC_PASSWD, IDC_REPEAT});
            return TRUE;
        default:
            break;
        }
    }
    if (id == IDC_OK_NEXT && code == BN_CLICKED) {
        if (!m_bEditMode)
            Save(true);
        return TRUE;
    }
    return CBaseDlg::OnCommand(id, code);
}

BOOL CDlgEditEntry::PreTranslateMessage(MSG* msg)
{
    if ((msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN) && msg->wParam == VK_RETURN) {
        if (msg->message == WM_SYSKEYDOWN || platform::GetKeyState(VK_MENU) < 0) {
            OnOK();
            return TRUE;
        }
        if (platform::GetKeyState(VK_CONTROL) < 0) {
            if (!m_bEditMode)
                Save(true);
            return TRUE;
        }
        if (msg->hwndId != IDC_NOTES) {
            platform::SendKeyInput(VK_TAB);
            return TRUE;
        }
    }
    return CBaseDlg::PreTranslateMessage(msg);
}

void CDlgEditEntry::GeneratePasswd()
{
    const QString passwd = ::GeneratePasswd(s_genOptions);
    SetDlgItemText(IDC_PASSWD, passwd);
    SetDlgItemText(IDC_REPEAT, passwd);
    SetPasswdStrength(CalcPasswdStrength(passwd));
    UpdateYellow();
}

void CDlgEditEntry::OnOK()
{
    Save(false);
}

void CDlgEditEntry::OnCancel()
{
    ReadFields();
    if (EntryChanged()) {
        const QString question = LangText(IDD, 1310005, QStringLiteral("Discard the changes to this entry?"));
        // The safe answer is the default one: a stray Enter keeps the typing.
        if (platform::ShowMessageBox(question, QString(), MB_YESNO | MB_ICONQUESTION) != IDYES)
            return;
    }
    CBaseDlg::OnCancel();
}

void CDlgEditEntry::Save(bool next)
{
    if (!g_pPwSettings || g_pPwSettings->ConfirmLogin() == -1) {
        EndDialog(IDCANCEL);
        return;
    }
    ReadFields();
    if (!CheckInput())
        return;
    if (m_bEditMode && !EntryChanged()) {
        EndDialog(IDCANCEL);
        return;
    }
    if (!(m_bEditMode ? UpdateEntry() : InsertEntry()))
        return;
    ShowSavedNotice(m_bEditMode, next ? s_iNoticeMsNext : s_iNoticeMsOk);
    if (!next) {
        EndDialog(IDOK);
        return;
    }
    // The notice had the input; take it back for the next entry.
    SetForegroundWindow();
    EmptyCtrls();
}

void CDlgEditEntry::ReadFields()
{
    m_strTitle = GetDlgItemText(IDC_TITLE);
    m_strUserName = GetDlgItemText(IDC_USER);
    m_strPasswd = GetDlgItemText(IDC_PASSWD);
    m_strRepeat = GetDlgItemText(IDC_REPEAT);
    m_strURL = GetDlgItemText(IDC_URL);
    m_strEmail = GetDlgItemText(IDC_EMAIL);
    m_strNotes = GetDlgItemText(IDC_NOTES);
}

void CDlgEditEntry::RefuseField(int strId, const QString& english, int labelId, int focusId)
{
    const QString fmt = LangText(IDD, strId, english);
    platform::ShowMessageBox(labelId ? FormatText(fmt, {platform::StripMnemonic(GetDlgItemText(labelId))}) : fmt);
    GetDlgItem(focusId).SetFocus();
}

bool CDlgEditEntry::CheckInput()
{
    const QString emptyFmt = QStringLiteral("'%s'can not be empty!");
    if (m_strTitle.isEmpty()) {
        RefuseField(1310001, emptyFmt, IDC_TITLE_LABEL, IDC_TITLE);
        return false;
    }
    if (m_strUserName.isEmpty()) {
        RefuseField(1310001, emptyFmt, IDC_USER_LABEL, IDC_USER);
        return false;
    }
    if (m_strPasswd != m_strRepeat) {
        SetDlgItemText(IDC_PASSWD, QString());
        SetDlgItemText(IDC_REPEAT, QString());
        SetPasswdStrength(CalcPasswdStrength(QString()));
        UpdateYellow();
        RefuseField(1310002, QStringLiteral("The two passwords do not match, please enter them again!"), 0,
                    IDC_PASSWD);
        return false;
    }
    if (m_strPasswd.isEmpty()) {
        RefuseField(1310001, emptyFmt, IDC_PASSWD_LABEL, IDC_PASSWD);
        return false;
    }
    return true;
}

namespace {
// The entry already stored under this title and user name.
bool EntryExists(const QString& title, const QString& userName)
{
    ST_PW_ENTRY probe;
    probe.strTitle = title;
    probe.strUserName = userName;
    return g_pPwSettings->SelectEntry(&probe) == 1;
}

void ShowEntryExists(const QString& title, const QString& userName)
{
    ShowLangMessage(CDlgEditEntry::IDD, 1310003,
                    QStringLiteral("The entry that 'Title' as %s and 'User Name' as %s is exist!"), {title, userName});
}
} // namespace

bool CDlgEditEntry::InsertEntry()
{
    if (EntryExists(m_strTitle, m_strUserName)) {
        ShowEntryExists(m_strTitle, m_strUserName);
        GetDlgItem(IDC_USER).SetFocus();
        return false;
    }
    ST_PW_ENTRY entry{QStringLiteral("Common"), m_strTitle, m_strUserName, m_strPasswd, m_strURL, m_strEmail,
                      m_strNotes};
    int code = 0;
    QString errText;
    if (g_pPwSettings->InsertEntry(&entry, 0, code, errText) != 0) {
        // Said, never swallowed: what was typed stays for another try.
        g_pPwSettings->ShowSqlFailure(code, errText);
        GetDlgItem(IDC_TITLE).SetFocus();
        return false;
    }
    return true;
}

bool CDlgEditEntry::UpdateEntry()
{
    // Taking the key of another entry would fail inside the transaction; say why.
    const bool keyChanged = m_strTitle != m_loaded.strTitle || m_strUserName != m_loaded.strUserName;
    if (keyChanged && EntryExists(m_strTitle, m_strUserName)) {
        ShowEntryExists(m_strTitle, m_strUserName);
        GetDlgItem(IDC_TITLE).SetFocus();
        return false;
    }
    const ST_PW_ENTRY entry{QStringLiteral("Common"), m_strTitle, m_strUserName, m_strPasswd, m_strURL, m_strEmail,
                            m_strNotes};
    QString errText;
    const int code = g_pPwSettings->ReplaceEntry(m_loaded.strTitle, m_loaded.strUserName, entry, errText);
    if (code != 0) {
        g_pPwSettings->ShowSqlFailure(code, errText);
        GetDlgItem(IDC_TITLE).SetFocus();
        return false;
    }
    return true;
}

namespace {
// The notes edit answers CR LF line breaks whatever the stored notes hold.
QString PlainLineBreaks(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}
} // namespace

bool CDlgEditEntry::EntryChanged() const
{
    return m_strTitle != m_loaded.strTitle || m_strUserName != m_loaded.strUserName ||
           m_strPasswd != m_loaded.strPasswd || m_strURL != m_loaded.strURL || m_strEmail != m_loaded.strEmail ||
           PlainLineBreaks(m_strNotes) != PlainLineBreaks(m_loaded.strNotes) || m_strRepeat != m_loaded.strPasswd;
}

void CDlgEditEntry::ShowSavedNotice(int editMode, int displayMs)
{
    CDlgEntrySavedSuc notice(editMode, m_strTitle, m_strUserName, displayMs, this);
    notice.DoModal();
}

void CDlgEditEntry::OnDestroy()
{
    // The password typed or loaded goes from the fields and from every copy
    // this window made or read of it.
    GetDlgItem(IDC_PASSWD).WipeText();
    GetDlgItem(IDC_REPEAT).WipeText();
    WipeSharedSecret(m_strPasswd);
    WipeSharedSecret(m_strRepeat);
    WipeSharedSecret(m_loaded.strPasswd);
    if (g_pSqlite)
        g_pSqlite->ForgetDecryptedPages();
    ScrubFreedMemory();
    CBaseDlg::OnDestroy();
}
