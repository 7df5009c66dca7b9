#pragma once

#include <QString>

#include "foundation/ui/BaseDlg.h"
#include "vault/VaultcoreApi.h"

// Asks for the vault password again before the query window shows data;
// works on g_pSqlite.
class VAULTCORE_API CDlgConfirmPasswd : public CBaseDlg {
public:
    explicit CDlgConfirmPasswd(CDialogEx* parent = nullptr);
    ~CDlgConfirmPasswd() override;

    static const DialogTemplate s_template;
    enum : int { IDD = 13500, IDC_PROMPT = 13501, IDC_PASSWD = 13502, IDC_SHOW_PASSWD = 13509 };

    // Recorded only (the dialog was opened through a hot key).
    void SetHotKeyFlag(int flag) { m_iHotKeyFlag = flag; }
    int GetHotKeyFlag() const { return m_iHotKeyFlag; }
    QString GetInputPasswd() const { return m_strPasswd; }

protected:
    void InitResizeAndMultiLangParam_Individual() override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    BOOL OnCommand(int id, UINT code) override;

private:
    QString m_strPasswd;
    int m_iHotKeyFlag = 0;
};
