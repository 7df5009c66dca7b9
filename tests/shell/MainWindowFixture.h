#pragma once

// The main window on a fresh program folder: Lang_enu.xml beside it, the
// autostart entry kept inside the folder, web addresses recorded instead of
// opened. Start-up runs the real sequence on real files.
#include <optional>

#include <QDesktopServices>
#include <QFile>
#include <QList>
#include <QObject>
#include <QUrl>
#include <gtest/gtest.h>

#include "foundation/storage/Globals.h"
#include "foundation/ui/BaseResizeAndMultiLang.h"
#include "foundation/ui/XmlLanguage.h"
#include "platform/TrayIcon.h"
#include "shell/VaultwickDlg.h"
#include "support/DialogDriver.h"
#include "support/TempDir.h"
#include "vault/PasswdSetting.h"

class UrlOpenRecorder : public QObject {
    Q_OBJECT
public:
    UrlOpenRecorder()
    {
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "open");
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open");
    }
    ~UrlOpenRecorder() override
    {
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    }
    QList<QUrl> urls;

public slots:
    void open(const QUrl& url) { urls.append(url); }
};

struct ProgramFolderState {
    int startMini = 0;
    int miniToTray = 0;
    int closeToTray = 0;
    int hotKeys = 0;  // the Add and Query check boxes
    std::optional<QString> masterPasswd = std::nullopt;
    int autoBackup = 0;
};

class MainWindowTest : public TempDirTest {
protected:
    void SetUp() override
    {
        qputenv("XDG_CONFIG_HOME", (path() + "config").toUtf8());
        ASSERT_TRUE(QFile::copy(VW_SOURCE_DIR "/lang/Lang_enu.xml", path() + "Lang_enu.xml"));
        CVaultwickDlg::s_strProgramFolder = path();
        CBaseResizeAndMultiLang::s_eLanguage = LANG_ENU;
        // A desktop with a panel, unless a test takes it away.
        platform::TrayIcon::s_fnHostPresent = [this] { return m_bTrayHost; };
    }

    void TearDown() override
    {
        CVaultwickDlg::s_strProgramFolder.clear();
        CVaultwickDlg::s_fnSecondsNow = [] { return GetSecondsFromZero(); };
        platform::TrayIcon::s_fnHostPresent = s_fnRealTrayHost;
        g_bNeedPasswd = 0;
    }

    // An init database and a vault as an earlier run left them.
    void PrepareProgramFolder(const ProgramFolderState& st)
    {
        g_strExePath = path();
        g_strSavedDataPath = path();
        g_pSqliteInit = new CDbSqlite3(path() + g_strDbFileInit);
        ASSERT_TRUE(CreateDbInit());
        const auto flag = [](int v) { return QString::number(v); };
        UpdateGlobalSetting(g_strColAutoStart, "0", 0);
        UpdateGlobalSetting(g_strColStartMini, flag(st.startMini), 0);
        UpdateGlobalSetting(g_strColMiniToTray, flag(st.miniToTray), 0);
        UpdateGlobalSetting(g_strColCloseToTray, flag(st.closeToTray), 0);
        UpdateGlobalSetting(g_strColCheckHotKeyAdd, flag(st.hotKeys), 0);
        UpdateGlobalSetting(g_strColCheckHotKeyQuery, flag(st.hotKeys), 0);
        g_pSqlite = new CDbSqlite3(path() + g_strDbFile);
        g_pPwSettings = new CPasswdSetting;
        ASSERT_TRUE(g_pPwSettings->CreateDbPasswd());
        ASSERT_EQ(g_pSqlite->InitDB(), 0);
        ASSERT_TRUE(g_pSqlite->ConfirmPasswd(QString(), 0));
        if (st.autoBackup)
            g_pPwSettings->UpdatePasswdSetting(g_strColAutoBackup, 1, 0);
        if (st.masterPasswd) {
            ASSERT_TRUE(g_pSqlite->ConfirmAndChangePasswd(QString(), *st.masterPasswd, 0));
        }
        delete g_pPwSettings;
        g_pPwSettings = nullptr;
        delete g_pSqlite;
        g_pSqlite = nullptr;
        delete g_pSqliteInit;
        g_pSqliteInit = nullptr;
    }

    // Runs the main window; `script` runs once it is up and must end it.
    int RunMain(CVaultwickDlg& dlg, const DialogDriver::Script& script) { return m_driver.RunModal(dlg, script); }

    DialogDriver m_driver;
    UrlOpenRecorder m_urls;
    bool m_bTrayHost = true;
    inline static const std::function<bool()> s_fnRealTrayHost = platform::TrayIcon::s_fnHostPresent;
};
