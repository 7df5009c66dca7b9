#include "shell/VaultwickDlg.h"

#include <chrono>
#include <utility>

#include <QCoreApplication>
#include <QDir>
#include <QObject>
#include <QRegularExpression>
#include <QThread>

#include "foundation/storage/Globals.h"
#include "foundation/storage/DlgInitSettings.h"
#include "foundation/storage/FormatText.h"
#include "foundation/ui/XmlLanguage.h"
#include "platform/Clipboard.h"
#include "platform/FileWatch.h"
#include "platform/Files.h"
#include "platform/GlobalHotKeys.h"
#include "platform/MessageBox.h"
#include "platform/OpenUrl.h"
#include "platform/TrayIcon.h"
#include "shell/DlgAbout.h"
#include "vault/DlgEditEntry.h"
#include "vault/DlgPasswdQuery.h"
#include "vault/LoginSeam.h"
#include "vault/PasswdSetting.h"

std::function<quint32()> CVaultwickDlg::s_fnSecondsNow = [] { return GetSecondsFromZero(); };
QString CVaultwickDlg::s_strProgramFolder;

namespace {

const QString kAutoRunName = QStringLiteral("VaultwickStart");
const QString kLauncherName = QStringLiteral("VaultwickLauncher");
const QString kTrayIconFile = QStringLiteral("vaultwick.svg");
const QString kShippedHelp = QStringLiteral("Vaultwick-help.html");
const char kNoPortalText[] =
    "This desktop does not let programs take global hot keys (a Wayland session without the "
    "GlobalShortcuts portal), so Alt+Q, Alt+A and Alt+F1 work only inside Vaultwick's windows.\r\n"
    "Bind keys to these commands in the desktop's keyboard settings instead:\r\n"
    "%s --query\r\n%s --add\r\n%s --show";
const char kPortalRefusedText[] =
    "The desktop did not grant Vaultwick's global hot keys. Allow them in the desktop's shortcut "
    "settings, or bind keys to these commands there:\r\n"
    "%s --query\r\n%s --add\r\n%s --show";
const char kNoTrayText[] =
    "This desktop shows no notification area (tray), so Vaultwick's window goes to the task bar "
    "when it is closed or minimised, instead of hiding. Vaultwick keeps running: reach it with its "
    "global hot keys, or bind keys to these commands in the desktop's keyboard settings:\r\n"
    "%s --query\r\n%s --add\r\n%s --show";

QString Decimal(quint32 v) { return QString::number(v); }
QString Flag(int v) { return v ? QStringLiteral("1") : QStringLiteral("0"); }

} // namespace

CVaultwickDlg::CVaultwickDlg(CDialogEx* parent)
    : CBaseDlg(s_template, parent), m_strPropName(QStringLiteral("Vaultwick"))
{
}

CVaultwickDlg::~CVaultwickDlg()
{
    ShutDown();
}

QString CVaultwickDlg::OtherStr(int strId, const char* english) const
{
    return GetOtherStrOr(IDD, strId, QString::fromUtf8(english));
}

void CVaultwickDlg::InitResizeAndMultiLangParam_Individual()
{
    RegisterItems({IDD, IDC_GROUP_HOTKEY, IDC_CHECK_HOTKEY_ADD, IDC_HOTKEY_ADD, IDC_ADD_NOW,
                   IDC_CHECK_HOTKEY_QUERY, IDC_HOTKEY_QUERY, IDC_QUERY_NOW, IDC_GROUP_LOGIN,
                   IDC_NEED_LOGIN_PASSWD, IDC_CHANGE_LOGIN_PASSWD, IDC_RADIO_ONCE, IDC_RADIO_OTHER,
                   IDC_INPUT_FREQ, IDC_GROUP_SYSTEM, IDC_AUTO_START, IDC_START_MINI, IDC_CLOSE_TO_TRAY,
                   IDC_MINI_TO_TRAY, IDC_GROUP_OTHER, IDC_LANGUAGE_LABEL, IDC_LANGUAGE,
                   IDC_DATA_FOLDER_LABEL, IDC_DATA_FOLDER, IDC_IMPORT, IDC_EXPORT, IDC_SAVED_NOTICE,
                   IDC_GROUP_BACKUP, IDC_AUTO_BACKUP},
                  {m_eWndType, WND_TYPE_TEXT, WND_TYPE_TEXT, WND_TYPE_EDIT, WND_TYPE_TEXT,
                   WND_TYPE_TEXT, WND_TYPE_EDIT, WND_TYPE_TEXT, WND_TYPE_TEXT,
                   WND_TYPE_TEXT, WND_TYPE_TEXT, WND_TYPE_TEXT, WND_TYPE_TEXT,
                   WND_TYPE_COMBO, WND_TYPE_TEXT, WND_TYPE_TEXT, WND_TYPE_TEXT, WND_TYPE_TEXT,
                   WND_TYPE_TEXT, WND_TYPE_TEXT, WND_TYPE_TEXT, WND_TYPE_COMBO,
                   WND_TYPE_TEXT, WND_TYPE_EDIT, WND_TYPE_TEXT, WND_TYPE_TEXT, WND_TYPE_TEXT,
                   WND_TYPE_TEXT, WND_TYPE_TEXT});
}

// ---------------------------------------------------------------- start-up

BOOL CVaultwickDlg::OnInitDialog()
{
    CBaseDlg::OnInitDialog();

    s_bSizeSwitchOpened = 0;
    g_pXmlLang = CXmlLanguage::Instance();
    m_pHotKeys = std::make_unique<platform::GlobalHotKeys>();
    QObject::connect(m_pHotKeys.get(), &platform::GlobalHotKeys::activated,
                     [this](int id) { OnHotKey(id); });
    QObject::connect(m_pHotKeys.get(), &platform::GlobalHotKeys::unavailable,
                     [this] { ShowHotKeyCommandsNotice(1500043, kPortalRefusedText); });
    // A password copied out of a shown field (editor, prompts) is cleared by
    // the same timer, after the same time, as the query window's copies.
    platform::SetSecretCopyHandler([this](const QString& text) {
        if (!platform::SetClipboardSecret(text))
            return 0;
        SetTimer(TIMER_CLEAR_CLIPBOARD, UINT(CDlgPasswdQuery::s_iClipboardKeepMs), true);
        return 1;
    });
    // The desktop answered, but gave some keys to nobody (or to another program).
    QObject::connect(m_pHotKeys.get(), &platform::GlobalHotKeys::notBound,
                     [this] { ShowHotKeyCommandsNotice(1500043, kPortalRefusedText); });

    if (!InitPathParam() || !InitDbInit() || !InitDbPasswd()) {
        OnCancel();
        return FALSE;
    }
    InitComboBoxes();
    if (!LoadGlobalSettings()) {
        OnCancel();
        return FALSE;
    }
    CPasswdSetting::RemoveStaleCopies();

    // A vault with a master password asks for it now, unless the start is a
    // hidden one: then it waits until the window is first shown.
    const int emptyPasswd = g_pSqlite->ConfirmPasswd(QString(), 0);
    if (emptyPasswd || !m_bStartMini || m_bFirstRun)
        LoginAndLoadSettings();
    if (m_bFirstRun)
        OfferMasterPasswd();

    RegisterShowHotKey();
    if (m_bStartMini && !m_bFirstRun) {
        m_bHiddenStart = true;
        PostMessage(WM_SYSCOMMAND, SC_MINIMIZE);
    }
    AddTrayIcon();
    // The first start shows the help page shipped beside the program (the
    // tray's Help); a desktop without a viewer must not stop the start.
    if (m_bFirstRun)
        OpenHelp();
    UpdateData(FALSE);
    m_bStartedUp = true;
    if (!m_strPendingCommand.isEmpty())
        PostMessage(WM_RUN_COMMAND);
    return TRUE;
}

int CVaultwickDlg::InitPathParam()
{
    const platform::ProgramLayout layout = platform::GetProgramLayout(
        s_strProgramFolder.isEmpty() ? platform::ProgramFolder() : s_strProgramFolder,
        QStringLiteral("vaultwick"), GetLangFile(LANG_ENU));
    // The language files and the help page are found through g_strExePath:
    // for an installed program that is where they were installed.
    g_strExePath = layout.strResourceFolder;
    m_strProgramFolder = layout.strProgramFolder;
    m_bInstalled = layout.bInstalled;
    m_strConfigFolder = layout.strConfigFolder;
    m_strPropName = QStringLiteral("Vaultwick");
    g_strExeName = QStringLiteral("Vaultwick");
    g_strSavedDataPath = m_strDefaultDataFolder = layout.strDataFolder;
    m_hIcon = g_strExePath + kTrayIconFile;
    // The per-user folders of an installed program; a portable folder exists.
    if (layout.bInstalled)
        platform::MakeFolderPath(m_strConfigFolder);
    if ((layout.bInstalled && !platform::MakeFolderPath(g_strSavedDataPath)) || ConfirmPath(g_strSavedDataPath) == -1
        || ConfirmPath(m_strConfigFolder) == -1) {
        QString text = QStringLiteral(
            "ProgramData Path is not exist and can not create, please check the settings path exist!");
        CBaseResizeAndMultiLang::GetOtherStr_ByStrId(0, 1010005, text);
        platform::ShowMessageBox(text);
        return 0;
    }
    return 1;
}

int CVaultwickDlg::InitDbInit()
{
    const QString path = m_strConfigFolder + g_strDbFileInit;
    const bool exists = platform::FileExists(path);
    g_pSqliteInit = new CDbSqlite3(path);
    if (exists) {
        g_pSqliteInit->InitDB();
        if (!g_pSqliteInit->ConfirmPasswd(QString(), 1) || !CheckAndUpdateDbInit())
            return 0;
        g_strSavedDataPath = GetGlobalSetting(g_strColDataFolder);
    } else {
        m_bFirstRun = 1;
        CreateFileEveryone(path);
        if (!CreateDbInit())
            return 0;
        CDlgInitSettings dlg;
        if (dlg.DoModal() != IDOK)
            return 0;
        if (!dlg.GetFolder().isEmpty())
            g_strSavedDataPath = dlg.GetFolder();
    }
    // An empty stored folder means the default one, where a first run puts the vault.
    if (g_strSavedDataPath.isEmpty())
        g_strSavedDataPath = m_strDefaultDataFolder;
    if (!g_strSavedDataPath.endsWith(QLatin1Char('/')))
        g_strSavedDataPath += QLatin1Char('/');
    return 1;
}

int CVaultwickDlg::InitDbPasswd()
{
    const QString path = g_strSavedDataPath + g_strDbFile;
    g_pSqlite = new CDbSqlite3(path);
    g_pPwSettings = new CPasswdSetting();
    // A sync program's temporary copy of the vault beside a missing vault:
    // it is between its delete and its rename, and a new empty vault made
    // now would be synced over the real one.
    for (int waited = 0; !platform::FileExists(path) && waited < 3000 &&
                         !QDir(g_strSavedDataPath).entryList({'.' + QStringLiteral("*") + g_strDbFile + '*'},
                                                             QDir::Files | QDir::Hidden).isEmpty();
         waited += 20)
        QThread::msleep(20);
    if (platform::FileExists(path))
        return g_pPwSettings->CheckAndUpdateDbPasswd();
    CreateFileEveryone(path);
    return g_pPwSettings->CreateDbPasswd();
}

int CVaultwickDlg::LoadGlobalSettings()
{
    StGlobalSettings st;
    if (!GetGlobalSettings(&st))
        return 0;
    m_bAutoStart = st.AutoStart;
    m_bStartMini = st.StartMini;
    m_bCloseToTray = st.CloseToTray;
    m_bMiniToTray = st.MiniToTray;
    m_strDataFolder = st.DataFolder;
    SetAutoRun(m_bAutoStart, kAutoRunName, LauncherPath());

    m_strLanguage = GetLangStr(st.Language);
    CComboBox lang = GetDlgItem(IDC_LANGUAGE);
    const int index = lang.FindStringExact(-1, m_strLanguage);
    if (index >= 0)
        lang.SetCurSel(index);
    SetStaticLang(st.Language);
    g_pXmlLang->SetFile(GetLangFile(st.Language));
    g_pXmlLang->LoadSettings();

    m_bCheckHotKeyAdd = st.CheckHotKeyAdd;
    m_bCheckHotKeyQuery = st.CheckHotKeyQuery;
    GetDlgItem(IDC_HOTKEY_ADD).EnableWindow(m_bCheckHotKeyAdd);
    GetDlgItem(IDC_HOTKEY_QUERY).EnableWindow(m_bCheckHotKeyQuery);
    CHotKeyCtrl(GetDlgItem(IDC_HOTKEY_ADD)).SetHotKeyValue(st.HotKeyAdd);
    CHotKeyCtrl(GetDlgItem(IDC_HOTKEY_QUERY)).SetHotKeyValue(st.HotKeyQuery);
    UpdateData(FALSE);
    ApplyHotKeyAdd();
    ApplyHotKeyQuery();
    return 1;
}

int CVaultwickDlg::LoginAndLoadSettings()
{
    if (m_bLoginBusy)
        return 1;
    m_bLoginBusy = 1;
    if (!LoginDb() || !LoadPasswdSettings()) {
        m_bLoginBusy = 0;
        return 0;
    }
    if (m_bAutoBackup)
        StartBackupThread();
    UpdateData(FALSE);
    m_bLoginBusy = 0;
    StartDataFolderWatch();
    return 1;
}

int CVaultwickDlg::LoginDb()
{
    if (g_pSqlite->IsLoggedIn()) {
        m_bLoggedIn = 1;
        return 1;
    }
    g_pSqlite->CloseDB();
    if (g_pSqlite->InitDB() != 0) {
        platform::ShowMessageBox(
            FormatText(OtherStr(1500010, "Open sqlite3 DataBase '%s' Failed!"), {g_pSqlite->GetPathFile()}));
        return 0;
    }
    const int ok = g_pSqlite->ConfirmPasswd(QString(), 0);
    g_bNeedPasswd = !ok;
    if (!ok) {
        if (ShowLoginPrompt(g_pSqlite, 0) != IDOK)
            return 0;
    }
    m_bLoggedIn = 1;
    return 1;
}

int CVaultwickDlg::LoadPasswdSettings()
{
    StPwSetting st;
    g_pPwSettings->SetAuthorition(1);
    const int ok = g_pPwSettings->GetPasswdSettings(&st, 0);
    g_pPwSettings->SetAuthorition(0);
    if (!ok)
        return 0;
    m_bNeedLoginPasswd = (st.bNeedLoginPasswd || g_bNeedPasswd) ? 1 : 0;
    g_bNeedPasswd = m_bNeedLoginPasswd;
    m_nInputFreq = st.iInputFreq;
    m_bAutoBackup = st.bAutoBackup;
    UpdateData(FALSE);
    EnableLoginPasswdCtrls();
    return 1;
}

void CVaultwickDlg::UpdateData(BOOL saveAndValidate)
{
    struct Check {
        int id;
        int* member;
    };
    const Check checks[] = {
        {IDC_CHECK_HOTKEY_ADD, &m_bCheckHotKeyAdd}, {IDC_CHECK_HOTKEY_QUERY, &m_bCheckHotKeyQuery},
        {IDC_NEED_LOGIN_PASSWD, &m_bNeedLoginPasswd}, {IDC_AUTO_START, &m_bAutoStart},
        {IDC_START_MINI, &m_bStartMini}, {IDC_CLOSE_TO_TRAY, &m_bCloseToTray},
        {IDC_MINI_TO_TRAY, &m_bMiniToTray}, {IDC_AUTO_BACKUP, &m_bAutoBackup},
    };
    CComboBox freq = GetDlgItem(IDC_INPUT_FREQ);
    CComboBox lang = GetDlgItem(IDC_LANGUAGE);
    if (saveAndValidate) {
        for (const Check& c : checks)
            *c.member = IsDlgButtonChecked(c.id) == BST_CHECKED ? 1 : 0;
        m_nInputFreq = IsDlgButtonChecked(IDC_RADIO_OTHER) == BST_CHECKED ? freq.GetCurSel() + 1 : 0;
        if (lang.GetCurSel() >= 0)
            m_strLanguage = lang.GetLBText(lang.GetCurSel());
        m_strDataFolder = GetDlgItemText(IDC_DATA_FOLDER);
        return;
    }
    for (const Check& c : checks)
        CheckDlgButton(c.id, *c.member ? BST_CHECKED : BST_UNCHECKED);
    if (m_nInputFreq >= 0 && m_nInputFreq <= freq.GetCount())
        freq.SetCurSel(m_nInputFreq - 1);
    const int index = lang.FindStringExact(-1, m_strLanguage);
    if (index >= 0)
        lang.SetCurSel(index);
    if (GetDlgItemText(IDC_DATA_FOLDER) != m_strDataFolder) {
        m_bSettingDataFolder = 1;
        SetDlgItemText(IDC_DATA_FOLDER, m_strDataFolder);
        m_bSettingDataFolder = 0;
    }
}

// ---------------------------------------------------------------- backup thread

int CVaultwickDlg::StartBackupThread()
{
    if (m_hBackupThread)
        return 0;
    m_bStopBackup = 0;
    m_iBackupCount = 0;
    m_hBackupThread = std::make_unique<std::thread>([this] { AutoBackupThreadProc(); });
    return 1;
}

void CVaultwickDlg::StopBackupThread()
{
    if (!m_hBackupThread)
        return;
    {
        std::lock_guard lock(m_backupMutex);
        m_bStopBackup = 1;
    }
    m_backupWake.notify_all();
    // A copy under way runs to its end: it writes a temporary file that is
    // renamed into place, so waiting is safe and killing it would gain nothing.
    m_hBackupThread->join();
    m_hBackupThread.reset();
}

void CVaultwickDlg::AutoBackupThreadProc()
{
    quint32 last = GetLastBackupTime(0);
    std::unique_lock lock(m_backupMutex);
    while (!m_bStopBackup) {
        const quint32 now = s_fnSecondsNow();
        if (quint32(now - last) <= s_iBackupPeriodSec) {
            m_backupWake.wait_for(lock, std::chrono::milliseconds(s_iBackupPollMs),
                                  [this] { return m_bStopBackup.load() != 0; });
            continue;
        }
        lock.unlock();
        if (g_pPwSettings->BackupPasswdDb())
            UpdateLastBackupTime(now, 0);
        // A failed copy is tried again after a week, not in a tight loop.
        last = now;
        ++m_iBackupCount;
        lock.lock();
    }
}

// ---------------------------------------------------------------- shutdown

void CVaultwickDlg::OnDestroy()
{
    CBaseDlg::OnDestroy();
    ShutDown();
}

void CVaultwickDlg::ShutDown()
{
    if (m_bShutDown)
        return;
    m_bShutDown = true;
    platform::SetSecretCopyHandler({});
    StopBackupThread();
    if (m_pHotKeys) {
        m_pHotKeys->Unregister(HOTKEY_ADD);
        m_pHotKeys->Unregister(HOTKEY_QUERY);
        m_pHotKeys.reset();
    }
    m_pTrayIcon.reset();
    m_pDataWatch.reset();
    delete g_pPwSettings;
    g_pPwSettings = nullptr;
    delete g_pXmlLang;
    g_pXmlLang = nullptr;
    delete g_pSqlite;
    g_pSqlite = nullptr;
    delete g_pSqliteInit;
    g_pSqliteInit = nullptr;
}

void CVaultwickDlg::OnOK()
{
    // A settings page without an OK button: Enter must not end the program.
}

void CVaultwickDlg::OnCancel()
{
    EndDialog(IDCANCEL);
    // Run without a modal loop of its own, the program ends with the event loop.
    if (m_bQuitOnEnd && m_bStartedUp)
        QCoreApplication::exit(0);
}

// ---------------------------------------------------------------- show / hide, tray

void CVaultwickDlg::HideToTray(bool startUp)
{
    AddTrayIcon();
    if (platform::TrayIcon::IsAvailable()) {
        ShowWindow(SW_HIDE);
        return;
    }
    // Hidden without a tray, the window could be found again only through
    // hot keys and commands the user may not know of. The notice comes
    // first, in front of the window it speaks of.
    if (startUp)
        SetTimer(TIMER_NO_TRAY_NOTICE, s_iNoTrayGraceMs);
    else
        ShowNoTrayNotice();
    ShowWindow(SW_MINIMIZE);
}

void CVaultwickDlg::OnTrayHostChanged(bool present)
{
    if (present) {
        KillTimer(TIMER_NO_TRAY_NOTICE);
        return;
    }
    // A panel that goes away takes the hidden window's only door with it.
    if (!IsWindowVisible())
        ShowWindow(SW_MINIMIZE);
}

void CVaultwickDlg::ShowMainWindow()
{
    if (!m_bLoggedIn)
        LoginAndLoadSettings();
    ShowWindow(SW_SHOW);
    SetForegroundWindow();
}

int CVaultwickDlg::AddTrayIcon()
{
    if (!m_pTrayIcon) {
        m_pTrayIcon = std::make_unique<platform::TrayIcon>();
        m_pTrayIcon->SetIcon(m_hIcon);
        m_pTrayIcon->SetToolTip(QStringLiteral("Vaultwick"));
        QObject::connect(m_pTrayIcon.get(), &platform::TrayIcon::doubleClicked, [this] { ShowMainWindow(); });
        QObject::connect(m_pTrayIcon.get(), &platform::TrayIcon::menuCommand,
                         [this](int id) { OnTrayCommand(id); });
        QObject::connect(m_pTrayIcon.get(), &platform::TrayIcon::hostChanged,
                         [this](bool present) { OnTrayHostChanged(present); });
        UpdateTrayMenu();
    }
    m_pTrayIcon->Show();
    return m_pTrayIcon->IsVisible() ? 1 : 0;
}

void CVaultwickDlg::UpdateTrayMenu()
{
    if (!m_pTrayIcon)
        return;
    m_pTrayIcon->SetMenu({
        {int(ID_TRAY_QUERY), OtherStr(1500040, "&Query")},
        {int(ID_TRAY_ADD), OtherStr(1500041, "&Add Entry")},
        {0, QString()},
        {int(ID_TRAY_HELP), OtherStr(1500025, "&Help")},
        {int(ID_TRAY_ABOUT), OtherStr(1500024, "&About")},
        {int(ID_TRAY_SHOW), OtherStr(1500023, "&Show Settings")},
        {IDCANCEL, OtherStr(1500022, "E&xit")},
    });
}

void CVaultwickDlg::UpdateLanguageStrToUI_Ex()
{
    UpdateTrayMenu();
}

void CVaultwickDlg::OnTrayCommand(int id)
{
    switch (id) {
    case ID_TRAY_HELP:
        OpenHelp();
        break;
    case ID_TRAY_ABOUT:
        ShowAboutDlg();
        break;
    case ID_TRAY_SHOW:
        ShowMainWindow();
        break;
    case ID_TRAY_QUERY:
        OnHotKey(HOTKEY_QUERY);
        break;
    case ID_TRAY_ADD:
        OnHotKey(HOTKEY_ADD);
        break;
    case IDCANCEL:
        OnCancel();
        break;
    default:
        break;
    }
}

void CVaultwickDlg::ShowAboutDlg()
{
    CDlgAbout dlg;
    dlg.SetHelpPage(HelpPage());
    dlg.DoModal();
}

QString CVaultwickDlg::LauncherPath() const
{
    return m_strProgramFolder + kLauncherName;
}

QString CVaultwickDlg::HelpPage() const
{
    const QString help = g_strExePath + GetHelpFileByLang(GetLangByStr(m_strLanguage));
    return platform::FileExists(help) ? help : g_strExePath + kShippedHelp;
}

void CVaultwickDlg::OpenHelp()
{
    platform::OpenLocalDocument(HelpPage());
}

void CVaultwickDlg::OnClose()
{
    if (m_bCloseToTray)
        HideToTray();
    else
        CBaseDlg::OnClose();
}

void CVaultwickDlg::OnSysCommand(UINT id, LPARAM lParam)
{
    if (id == SC_MINIMIZE) {
        const bool startUp = std::exchange(m_bHiddenStart, false);
        if (m_bMiniToTray)
            HideToTray(startUp);
        else if (!IsIconic())
            ShowWindow(SW_MINIMIZE);  // the start-up's own request
        return;
    }
    CBaseDlg::OnSysCommand(id, lParam);
}

// ---------------------------------------------------------------- hot keys

int CVaultwickDlg::RegisterShowHotKey()
{
    m_pHotKeys->Unregister(HOTKEY_SHOW);
    const int ok = m_pHotKeys->Register(HOTKEY_SHOW, (HOTKEYF_ALT << 16) | VK_F1, HotKeyDescription(HOTKEY_SHOW));
    if (!ok && m_pHotKeys->IsWaylandWithoutPortal())
        ShowHotKeyCommandsNotice(1500042, kNoPortalText);
    return ok;
}

QString CVaultwickDlg::HotKeyDescription(UINT hotKeyId) const
{
    // The tray menu's words for the same actions, without their mnemonics.
    QString text = hotKeyId == HOTKEY_ADD     ? OtherStr(1500041, "&Add Entry")
                   : hotKeyId == HOTKEY_QUERY ? OtherStr(1500040, "&Query")
                                              : OtherStr(1500023, "&Show Settings");
    static const QRegularExpression mnemonic(QStringLiteral("\\s*\\(&.\\)|&(?=.)"));
    return text.remove(mnemonic).trimmed();
}

void CVaultwickDlg::ShowHotKeyCommandsNotice(int textId, const char* english)
{
    ShowCommandsNotice(textId, english, m_bHotKeyNoticeShown);
}

void CVaultwickDlg::ShowNoTrayNotice()
{
    ShowCommandsNotice(1500080, kNoTrayText, m_bNoTrayNoticeShown);
}

void CVaultwickDlg::ShowCommandsNotice(int textId, const char* english, int& shown)
{
    // Once per run: the reason is the desktop's, and repeating it helps nobody.
    if (shown)
        return;
    shown = 1;
    // An installed program is found on the PATH; a portable one by its folder.
    const QString program = m_bInstalled ? QStringLiteral("Vaultwick")
        : m_strProgramFolder + QStringLiteral("Vaultwick");
    platform::ShowMessageBox(FormatText(OtherStr(textId, english), {program, program, program}));
}

int CVaultwickDlg::ApplyHotKeyAdd()
{
    return ApplyHotKey(HOTKEY_ADD, IDC_HOTKEY_ADD, m_bCheckHotKeyAdd, m_dwHotKeyAdd, g_strColHotKeyAdd,
                       g_strColCheckHotKeyAdd, 1500011, "'Add' HOTKEY set faild, please reset it!");
}

int CVaultwickDlg::ApplyHotKeyQuery()
{
    return ApplyHotKey(HOTKEY_QUERY, IDC_HOTKEY_QUERY, m_bCheckHotKeyQuery, m_dwHotKeyQuery,
                       g_strColHotKeyQuery, g_strColCheckHotKeyQuery, 1500012,
                       "'Query' HOTKEY set faild, please reset it!");
}

int CVaultwickDlg::ApplyHotKey(UINT hotKeyId, int controlId, int& checked, quint32& registered,
                               const QString& valueColumn, const QString& checkColumn, int failTextId,
                               const char* failText)
{
    UpdateData(TRUE);
    CHotKeyCtrl control = GetDlgItem(controlId);
    if (checked) {
        control.EnableWindow(TRUE);
        const quint32 value = control.GetHotKey();
        if (value != registered) {
            m_pHotKeys->Unregister(int(hotKeyId));
            registered = 0;
            if (value > 0x10000) {
                if (m_pHotKeys->Register(int(hotKeyId), value, HotKeyDescription(hotKeyId))) {
                    registered = value;
                } else if (m_pHotKeys->IsWaylandWithoutPortal()) {
                    // No key could be had: the choice stays, the commands are the way.
                    ShowHotKeyCommandsNotice(1500042, kNoPortalText);
                } else {
                    platform::ShowMessageBox(OtherStr(failTextId, failText));
                    checked = 0;
                    UpdateData(FALSE);
                }
            } else if (value <= 0xFFFF) {
                control.SetHotKeyValue(0);  // a key without a modifier is never a hot key
            }
            UpdateGlobalSetting(valueColumn, Decimal(value), 0);
        }
    } else {
        m_pHotKeys->Unregister(int(hotKeyId));
        registered = 0;
        control.EnableWindow(FALSE);
    }
    UpdateGlobalSetting(checkColumn, Flag(checked), 0);
    // Applying the stored keys at start-up saves nothing the user changed.
    if (m_bStartedUp)
        ShowSavedNotice();
    return 1;
}

void CVaultwickDlg::ReloadHotKeyControl(int controlId, const QString& column)
{
    CWnd control = GetDlgItem(controlId);
    if (!control.HasFocus())
        return;
    CHotKeyCtrl(control).SetHotKeyValue(GetGlobalSetting(column).toUInt());
}

void CVaultwickDlg::OnHotKey(int id)
{
    OpenEntryDialog(id);
}

const QStringList& CVaultwickDlg::CommandNames()
{
    static const QStringList names = {QStringLiteral("show"), QStringLiteral("query"), QStringLiteral("add"),
                                       QStringLiteral("quit")};
    return names;
}

bool CVaultwickDlg::RunCommand(const QString& command, const QString& argument)
{
    if (!CommandNames().contains(command))
        return false;
    // The latest request wins: it is what the user asked for last.
    m_strPendingCommand = command;
    m_strPendingArgument = argument;
    if (m_bStartedUp)
        RunPendingCommand();
    return true;
}

void CVaultwickDlg::RunPendingCommand()
{
    const QString command = std::exchange(m_strPendingCommand, QString());
    const QString argument = std::exchange(m_strPendingArgument, QString());
    if (command == u"show") {
        // A second start or --show: a window comes to the front even when
        // the login was cancelled.
        ShowMainWindow();
    } else if (command == u"add") {
        OnHotKey(HOTKEY_ADD);
    } else if (command == u"quit") {
        OnTrayCommand(IDCANCEL);
    } else if (command == u"query") {
        // Only a window opened now takes the keywords; an open one is brought
        // forward as by the hot key.
        m_strQueryKeywords = argument;
        OnHotKey(HOTKEY_QUERY);
        m_strQueryKeywords.clear();
    }
}

int CVaultwickDlg::OpenEntryDialog(int id)
{
    switch (id) {
    case HOTKEY_ADD:
        if (m_bEditEntryOpen)
            break;
        m_bEditEntryOpen = 1;
        RunEditEntryDialog();
        m_bEditEntryOpen = 0;
        ReloadHotKeyControl(IDC_HOTKEY_ADD, g_strColHotKeyAdd);
        break;
    case HOTKEY_QUERY:
        if (m_bQueryOpen) {
            // Always to the front with the keyboard in it (or in the prompt
            // or editor that it is waiting for), wherever the keys were.
            if (m_pQueryDlg)
                m_pQueryDlg->SetForegroundWindow();
            break;
        }
        m_bQueryOpen = 1;
        RunQueryDialog(m_bFirstQuery, m_pQueryDlg);
        m_pQueryDlg = nullptr;
        m_bQueryOpen = 0;
        m_bFirstQuery = 0;
        ReloadHotKeyControl(IDC_HOTKEY_QUERY, g_strColHotKeyQuery);
        break;
    case HOTKEY_SHOW:
        if (m_bLoggedIn || LoginAndLoadSettings()) {
            ShowWindow(SW_SHOW);
            SetForegroundWindow();
        }
        break;
    default:
        break;
    }
    return 0;
}

void CVaultwickDlg::RunEditEntryDialog()
{
    CDlgEditEntry dlg;
    dlg.DoModal();
}

void CVaultwickDlg::RunQueryDialog(int firstQuery, CDialogEx*& running)
{
    // The main window is its parent so that it can ask for the clipboard to be
    // emptied (WM_SETTIMER_REQUEST) even after it has been closed itself.
    CDlgPasswdQuery dlg(m_strQueryKeywords.isEmpty() ? firstQuery : 0, this);
    dlg.SetStartKeywords(m_strQueryKeywords);
    running = &dlg;
    dlg.DoModal();
    running = nullptr;
}

// ---------------------------------------------------------------- messages

BOOL CVaultwickDlg::PreTranslateMessage(MSG* msg)
{
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_ESCAPE) {
        HideToTray();
        return TRUE;
    }
    const bool keyPress =
        (msg->message == WM_KEYDOWN && msg->wParam != VK_SHIFT && msg->wParam != VK_CONTROL &&
         msg->wParam != VK_LWIN && msg->wParam != VK_RWIN) ||
        (msg->message == WM_SYSKEYDOWN && msg->wParam != VK_MENU);
    if (keyPress) {
        // The hot key is applied once the user has stopped typing.
        if (msg->hwndId == IDC_HOTKEY_ADD)
            SetTimer(HOTKEY_ADD, s_iHotKeyApplyDelayMs);
        else if (msg->hwndId == IDC_HOTKEY_QUERY)
            SetTimer(HOTKEY_QUERY, s_iHotKeyApplyDelayMs);
    }
    if (msg->message == WM_LBUTTONDOWN || msg->message == WM_NCLBUTTONDOWN) {
        const CWnd focus = CWnd::GetFocus();
        if (focus == GetDlgItem(IDC_HOTKEY_ADD) || focus == GetDlgItem(IDC_HOTKEY_QUERY))
            SetFocus();
    }
    return CBaseDlg::PreTranslateMessage(msg);
}

void CVaultwickDlg::OnTimer(UINT id)
{
    switch (id) {
    case TIMER_SAVED_NOTICE:
        GetDlgItem(IDC_SAVED_NOTICE).ShowWindow(SW_HIDE);
        KillTimer(id);
        break;
    case TIMER_CLEAR_CLIPBOARD:
        KillTimer(id);
        platform::ClearClipboardSecret();
        break;
    case TIMER_NO_TRAY_NOTICE:
        KillTimer(id);
        if (!platform::TrayIcon::IsAvailable())
            ShowNoTrayNotice();
        break;
    case HOTKEY_ADD:
        KillTimer(id);
        ApplyHotKeyAdd();
        break;
    case HOTKEY_QUERY:
        KillTimer(id);
        ApplyHotKeyQuery();
        break;
    default:
        break;
    }
    CBaseDlg::OnTimer(id);
}

LRESULT CVaultwickDlg::OnPrivateMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_RUN_COMMAND) {
        RunPendingCommand();
        return 1;
    }
    if (msg == WM_SETTIMER_REQUEST) {
        // The clipboard promise is a time told to the user: a precise timer.
        SetTimer(UINT(wParam), UINT(lParam), true);
        return 1;
    }
    return CBaseDlg::OnPrivateMessage(msg, wParam, lParam);
}

BOOL CVaultwickDlg::OnCommand(int id, UINT code)
{
    switch (id) {
    case IDC_ADD_NOW:
        OpenEntryDialog(HOTKEY_ADD);
        return TRUE;
    case IDC_QUERY_NOW:
        OpenEntryDialog(HOTKEY_QUERY);
        return TRUE;
    case IDC_CHECK_HOTKEY_ADD:
        ApplyHotKeyAdd();
        return TRUE;
    case IDC_CHECK_HOTKEY_QUERY:
        ApplyHotKeyQuery();
        return TRUE;
    case IDC_NEED_LOGIN_PASSWD:
        OnCheckNeedLoginPasswd();
        return TRUE;
    case IDC_CHANGE_LOGIN_PASSWD:
        OnChangeLoginPasswd();
        return TRUE;
    case IDC_RADIO_ONCE:
        OnRadioInputOnce();
        return TRUE;
    case IDC_RADIO_OTHER:
        OnRadioInputOther();
        return TRUE;
    case IDC_INPUT_FREQ:
        if (code == CBN_SELCHANGE)
            OnSelChangeInputFreq();
        return TRUE;
    case IDC_AUTO_START:
    case IDC_START_MINI:
    case IDC_CLOSE_TO_TRAY:
    case IDC_MINI_TO_TRAY:
        OnCheckSystemSetting(id);
        return TRUE;
    case IDC_LANGUAGE:
        if (code == CBN_SELCHANGE)
            OnSelChangeLanguage();
        return TRUE;
    case IDC_DATA_FOLDER:
        if (code == EN_CHANGE && !m_bSettingDataFolder)
            OnDataFolderChanged();
        return TRUE;
    case IDC_IMPORT:
        OnImport();
        return TRUE;
    case IDC_EXPORT:
        OnExport();
        return TRUE;
    case IDC_AUTO_BACKUP:
        OnCheckAutoBackup();
        return TRUE;
    case ID_TRAY_HELP:
    case ID_TRAY_ABOUT:
    case ID_TRAY_SHOW:
    case ID_TRAY_QUERY:
    case ID_TRAY_ADD:
        OnTrayCommand(id);
        return TRUE;
    default:
        break;
    }
    return CBaseDlg::OnCommand(id, code);
}
