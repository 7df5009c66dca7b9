#pragma once

// The main window: a settings page that lives mostly hidden behind a tray
// icon, with the global hot keys, the timers and the weekly backup thread.
// VaultwickDlg.cpp holds start-up, shutdown and the window behaviour;
// SettingsPage.cpp the settings controls; VaultFileOps.cpp export, import,
// automatic backup and the data-folder move; VaultSync.cpp what a sync
// program does to the data folder; MainTemplate.cpp the template.
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include <QSet>
#include <QString>

#include "foundation/ui/BaseDlg.h"

namespace platform {
class CFolderWatch;
class GlobalHotKeys;
class TrayIcon;
} // namespace platform

class CVaultwickDlg : public CBaseDlg {
public:
    explicit CVaultwickDlg(CDialogEx* parent = nullptr);
    ~CVaultwickDlg() override;

    static const DialogTemplate s_template;
    enum : int {
        IDD = 15000,
        IDC_GROUP_HOTKEY = 15001,
        IDC_CHECK_HOTKEY_ADD = 15002,
        IDC_HOTKEY_ADD = 15003,
        IDC_ADD_NOW = 15004,
        IDC_CHECK_HOTKEY_QUERY = 15005,
        IDC_HOTKEY_QUERY = 15006,
        IDC_QUERY_NOW = 15007,
        IDC_GROUP_LOGIN = 15008,
        IDC_NEED_LOGIN_PASSWD = 15009,
        IDC_CHANGE_LOGIN_PASSWD = 15010,
        IDC_RADIO_ONCE = 15011,
        IDC_RADIO_OTHER = 15012,
        IDC_INPUT_FREQ = 15013,
        IDC_GROUP_SYSTEM = 15014,
        IDC_AUTO_START = 15015,
        IDC_START_MINI = 15016,
        IDC_CLOSE_TO_TRAY = 15017,
        IDC_MINI_TO_TRAY = 15018,
        IDC_GROUP_OTHER = 15019,
        IDC_LANGUAGE_LABEL = 15020,
        IDC_LANGUAGE = 15021,
        IDC_DATA_FOLDER_LABEL = 15022,
        IDC_DATA_FOLDER = 15023,
        IDC_IMPORT = 15024,
        IDC_EXPORT = 15025,
        IDC_SAVED_NOTICE = 15026,
        IDC_GROUP_BACKUP = 15027,
        IDC_AUTO_BACKUP = 15028,
    };
    // Hot-key ids (also the timers that apply a hot-key control), timers,
    // tray-menu commands.
    enum : UINT {
        HOTKEY_ADD = 13100,
        HOTKEY_QUERY = 13200,
        HOTKEY_SHOW = 15000,
        TIMER_SAVED_NOTICE = 2,
        TIMER_CLEAR_CLIPBOARD = 3,
        TIMER_NO_TRAY_NOTICE = 15080,
        ID_TRAY_ABOUT = 1026,
        ID_TRAY_HELP = 1027,
        ID_TRAY_SHOW = 1028,
        ID_TRAY_QUERY = 1029,
        ID_TRAY_ADD = 1030,
        TRAY_ICON_ID = 137,
    };
    // Posted to itself: runs the command that waited for the end of start-up.
    static constexpr UINT WM_RUN_COMMAND = WM_USER + 0x504;
    static constexpr UINT s_iHotKeyApplyDelayMs = 500;
    static constexpr UINT s_iSavedNoticeMs = 1500;
    // A hidden start without a tray waits this long before telling so: at
    // log-on the desktop's panel may start after the program.
    static constexpr UINT s_iNoTrayGraceMs = 15000;
    static constexpr int s_iBackupPollMs = 1500;
    static constexpr quint32 s_iBackupPeriodSec = 604800;  // a backup when more than this has passed

    // The seconds-from-1900 clock of the backup thread (tests replace it).
    static std::function<quint32()> s_fnSecondsNow;
    // The program folder; empty means the folder of the running executable (tests set it).
    static QString s_strProgramFolder;

    // ---- start-up and login (VaultwickDlg.cpp) ----
    int LoginAndLoadSettings();
    int IsLoggedIn() const { return m_bLoggedIn; }
    int IsFirstRun() const { return m_bFirstRun; }
    // OnInitDialog went through the whole start-up sequence.
    bool IsStartedUp() const { return m_bStartedUp; }
    // The program runs the window modeless (Create) in the application's
    // event loop, which then ends with the window.
    void SetQuitOnEnd(bool quit) { m_bQuitOnEnd = quit; }

    // ---- window (VaultwickDlg.cpp) ----
    // Hides the window into the tray; while there is no tray, minimises it
    // to the task bar instead, so that it stays within reach.
    void HideToTray(bool startUp = false);
    void ShowMainWindow();
    int AddTrayIcon();
    int ApplyHotKeyAdd();
    int ApplyHotKeyQuery();
    int RegisterShowHotKey();
    int OpenEntryDialog(int id);
    void OnHotKey(int id);
    // A command of the command line or of a later start ("show", "query" with
    // its keywords, "add", "quit"): does what the matching hot key (for "quit"
    // the tray's Exit) does. One that
    // arrives before start-up has finished waits for it. false for a command
    // this program does not know.
    bool RunCommand(const QString& command, const QString& argument = QString());
    // The commands RunCommand knows.
    static const QStringList& CommandNames();
    void OnTrayCommand(int id);
    void ShowAboutDlg();
    void OpenHelp();
    // The help page in the window's language, else the English one shipped.
    QString HelpPage() const;
    // What the log-on start entry runs: the launcher beside the program.
    QString LauncherPath() const;
    platform::TrayIcon* GetTrayIcon() const { return m_pTrayIcon.get(); }
    platform::GlobalHotKeys* GetHotKeys() const { return m_pHotKeys.get(); }

    // ---- backup thread (VaultwickDlg.cpp) ----
    int StartBackupThread();
    // Sets the stop flag, wakes the thread and joins it; a copy under way
    // finishes first (it is atomic), nothing is killed.
    void StopBackupThread();
    bool IsBackupThreadRunning() const { return m_hBackupThread != nullptr; }
    // Backups made by the thread since it started (for tests).
    int GetBackupCount() const { return m_iBackupCount; }

    // Control values <-> members (TRUE: controls to members).
    void UpdateData(BOOL saveAndValidate);

    // ---- settings page (SettingsPage.cpp) ----
    void InitComboBoxes();
    void ShowSavedNotice();
    // Enabling of the login-password group after the vault settings are loaded.
    void EnableLoginPasswdCtrls();
    void OnCheckNeedLoginPasswd();
    void OnChangeLoginPasswd();
    // First start: a vault without a master password is keyed with the fixed
    // prefix alone, the same on every computer; offer to set one at once.
    // Cancel keeps the vault as it is.
    void OfferMasterPasswd();
    void OnRadioInputOnce();
    void OnRadioInputOther();
    void OnSelChangeInputFreq();
    void OnCheckSystemSetting(int id);  // 15015 to 15018
    void OnSelChangeLanguage();
    void SetNoticeColors();             // red text on a transparent background for 15026

    // ---- vault file operations (VaultFileOps.cpp) ----
    void OnExport();
    void OnImport();
    void OnCheckAutoBackup();
    void OnDataFolderChanged();

    // ---- a data folder kept in step by a sync program (VaultSync.cpp) ----
    // Watches the data folder once the vault is open.
    void StartDataFolderWatch();
    // Something in the data folder changed: a vault delivered from another
    // computer is opened, a conflict copy is offered for merging.
    void OnDataFolderContentChanged();
    void MergeConflictCopies();
    // Offers one copy (none when it has nothing new) and merges it on OK.
    void MergeConflictCopy(const QString& copy);

protected:
    void InitResizeAndMultiLangParam_Individual() override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    BOOL OnCommand(int id, UINT code) override;
    void OnTimer(UINT id) override;
    BOOL PreTranslateMessage(MSG* msg) override;
    LRESULT OnPrivateMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnClose() override;
    void OnSysCommand(UINT id, LPARAM lParam) override;
    void OnDestroy() override;
    void UpdateLanguageStrToUI_Ex() override;

private:
    int InitPathParam();
    int InitDbInit();
    int InitDbPasswd();
    int LoadGlobalSettings();
    int LoginDb();
    int LoadPasswdSettings();
    int ApplyHotKey(UINT hotKeyId, int controlId, int& checked, quint32& registered,
                    const QString& valueColumn, const QString& checkColumn, int failTextId,
                    const char* failText);
    void ReloadHotKeyControl(int controlId, const QString& column);
    void RunEditEntryDialog();
    // Runs the query window; `running` points at it while it is open.
    void RunQueryDialog(int firstQuery, CDialogEx*& running);
    void RunPendingCommand();
    QString HotKeyDescription(UINT hotKeyId) const;
    // Tells the user once that the desktop gives no global hot keys and which
    // commands to bind instead.
    void ShowHotKeyCommandsNotice(int textId, const char* english);
    // Tells the user once that there is no tray and how to reach the program.
    void ShowNoTrayNotice();
    void ShowCommandsNotice(int textId, const char* english, int& shown);
    void OnTrayHostChanged(bool present);
    void UpdateTrayMenu();
    void AutoBackupThreadProc();
    void ShutDown();
    QString OtherStr(int strId, const char* english) const;

public:
    // Members (bound to the settings page where they have a control).
    QString m_hIcon;        // window and tray icon image
    QString m_strPropName;  // name of the running instance
    int m_bAutoStart = 0;
    int m_bStartMini = 0;
    int m_bCloseToTray = 0;
    int m_bMiniToTray = 0;
    QString m_strLanguage;
    QString m_strDataFolder;
    int m_bNeedLoginPasswd = 0;
    int m_nInputFreq = 0;
    int m_bAutoBackup = 0;
    int m_bCheckHotKeyAdd = 0;
    int m_bCheckHotKeyQuery = 0;
    quint32 m_dwHotKeyAdd = 0;
    quint32 m_dwHotKeyQuery = 0;
    int m_bFirstRun = 0;
    int m_bLoggedIn = 0;
    int m_bLoginBusy = 0;
    int m_bEditEntryOpen = 0;
    int m_bQueryOpen = 0;
    int m_bFirstQuery = 1;
    int m_bHotKeyNoticeShown = 0;
    int m_bNoTrayNoticeShown = 0;
    COLORREF m_crBack = 0xC0C0C0;
    // Set while the data-folder control is filled by the program, so only a
    // folder the user chose moves the vault.
    int m_bSettingDataFolder = 0;

private:
    std::atomic<int> m_bStopBackup{0};
    std::unique_ptr<std::thread> m_hBackupThread;
    std::mutex m_backupMutex;
    std::condition_variable m_backupWake;
    std::atomic<int> m_iBackupCount{0};

    std::unique_ptr<platform::TrayIcon> m_pTrayIcon;  // stands for the notify-icon record
    std::unique_ptr<platform::GlobalHotKeys> m_pHotKeys;
    std::unique_ptr<platform::CFolderWatch> m_pDataWatch;
    QSet<QString> m_declinedCopies;  // conflict copies not to offer again
    bool m_bMerging = false;
    CDialogEx* m_pQueryDlg = nullptr;  // the query window while it runs
    bool m_bInstalled = false;       // under a prefix such as /usr, not a portable folder
    QString m_strProgramFolder;      // the executables
    QString m_strConfigFolder;       // db.init
    QString m_strDefaultDataFolder;  // the vault unless the user chose another folder
    QString m_strQueryKeywords;        // typed into the next query window
    QString m_strPendingCommand, m_strPendingArgument;
    bool m_bHiddenStart = false;     // the start-up's minimise request is on its way
    bool m_bShutDown = false;
    bool m_bStartedUp = false;
    bool m_bQuitOnEnd = false;
};
