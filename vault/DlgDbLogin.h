#pragma once

#include <QString>

#include "foundation/ui/BaseDlg.h"
#include "vault/VaultcoreApi.h"

class CDbSqlite3;

// Asks for the password of one database and checks it there (the login of the
// vault, or another vault's password for an import).
class VAULTCORE_API CDlgDbLogin : public CBaseDlg {
public:
    explicit CDlgDbLogin(CDbSqlite3* db, CDialogEx* parent = nullptr);
    ~CDlgDbLogin() override;

    static const DialogTemplate s_template;
    enum : int { IDD = 13400, IDC_PROMPT = 13401, IDC_PASSWD = 13402, IDC_SHOW_PASSWD = 13409 };

    // Non-zero asks for a backup (foreign) vault's password.
    void SetTypeBackup(int flag) { m_bBackup = flag; }
    // The accepted password after IDOK: a copy of its own, overwritten with
    // the dialog unless the caller still holds it.
    QString GetPasswd() const { return m_strPasswd; }

    // Wait after a wrong password before the next attempt (milliseconds).
    static int s_iWrongPasswdDelayMs;

protected:
    void InitResizeAndMultiLangParam_Individual() override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    BOOL OnCommand(int id, UINT code) override;
    void OnCancel() override;
    void OnTimer(UINT id) override;
    void UpdateLanguageStrToUI_Ex() override;

private:
    enum : UINT { TIMER_WRONG_PASSWD = 1 };
    QString PromptText() const;
    void ShowWrongPasswd();
    // Says the file is damaged or no vault, and closes without a password.
    void RefuseDamagedFile();

    CDbSqlite3* m_pDb = nullptr;
    QString m_strPasswd;
    int m_bBackup = 0;
    bool m_bWaiting = false;
    // The refused password opened the file that a delivered one replaced.
    bool m_bReplacedFile = false;
};

// Makes the login dialog the store's way of asking for a database password
// (the login seam). The program calls it once at start-up.
VAULTCORE_API void InstallLoginDialog();
