#pragma once

// The main window for the tests of the settings page and the vault file
// operations: reading the vault's settings, getting past start-up.
#include <QFile>

#include "MainWindowFixture.h"
#include "vault/PasswdSetting.h"

class SettingsFixture : public MainWindowTest {
protected:
    // A vault setting as stored (the input frequency too, past the read guard).
    static int StoredVault(const QString& column)
    {
        int value = -1;
        g_pPwSettings->SetAuthorition(1);
        g_pPwSettings->GetPasswdSetting(value, column);
        g_pPwSettings->SetAuthorition(0);
        return value;
    }
    // Clears what start-up may have left: the saved notice and message boxes.
    void Settle(CVaultwickDlg& dlg)
    {
        m_driver.FireTimer(dlg, CVaultwickDlg::TIMER_SAVED_NOTICE);
        m_driver.ClearMessages();
    }
    void ShipLanguage(const QString& file)
    {
        ASSERT_TRUE(QFile::copy(VW_SOURCE_DIR "/lang/" + file, path() + file));
    }
};
