#pragma once

// A fresh vault (StoreTest) with the program folder in the same temporary
// folder: no language file unless a test writes one, so the built-in
// English texts show; English current, scaling off.
#include <QDir>
#include <QFile>
#include <QPalette>
#include <QWidget>

#include "StoreFixture.h"
#include "foundation/ui/BaseResizeAndMultiLang.h"
#include "foundation/ui/XmlLanguage.h"
#include "support/DialogDriver.h"

class DlgTest : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        m_savedExePath = g_strExePath;
        g_strExePath = path();
        delete g_pXmlLang;
        g_pXmlLang = CXmlLanguage::Instance();
        CBaseResizeAndMultiLang::s_eLanguage = LANG_ENU;
        CBaseResizeAndMultiLang::s_bSizeSwitchOpened = 0;
        m_savedPrompt = SetLoginPrompt({});
    }
    void TearDown() override
    {
        SetLoginPrompt(m_savedPrompt);
        delete g_pXmlLang;
        g_pXmlLang = nullptr;
        g_strExePath = m_savedExePath;
        StoreTest::TearDown();
    }

    void WriteLangFile(const QByteArray& xml)
    {
        QFile f(file("Lang_enu.xml"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(xml);
    }

    // Reopens the vault connection without its key, as after a failed check.
    void LockVault()
    {
        g_pSqlite->CloseDB();
        ASSERT_EQ(g_pSqlite->InitDB(), 0);
    }

    // The connection holds the vault's key (a statement on the entries runs).
    bool VaultReadable() { return exec("SELECT count(*) FROM TnPwEntry") == 0; }

    static QColor Background(CDialogEx& dlg, int id)
    {
        return dlg.GetDlgItem(id).GetWidget()->palette().color(QPalette::Base);
    }
    static QColor TextColor(CDialogEx& dlg, int id)
    {
        return dlg.GetDlgItem(id).GetWidget()->palette().color(QPalette::WindowText);
    }
    // Where the screenshot tests put their pictures: VW_SCREENSHOT_DIR, else a
    // folder under /tmp.
    static QString ScreenshotDir()
    {
        const QString dir = qEnvironmentVariableIsSet("VW_SCREENSHOT_DIR") ? qEnvironmentVariable("VW_SCREENSHOT_DIR")
                                                                            : QStringLiteral("/tmp/vaultwick-screens");
        QDir().mkpath(dir);
        return dir;
    }
    static bool HasFocus(CDialogEx& dlg, int id) { return dlg.GetDlgItem(id).HasFocus() != 0; }

    static constexpr const char* kLangFile = VW_SOURCE_DIR "/lang/Lang_enu.xml";

    DialogDriver d;
    QString m_savedExePath;
    LoginPrompt m_savedPrompt;
};
