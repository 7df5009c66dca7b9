#pragma once

#include "foundation/ui/BaseDlg.h"
#include "vault/VaultcoreApi.h"

// Gives the vault (g_pSqlite) its first password. When the vault already has
// one it ends with IDCANCEL and m_bOldPasswdExist set, so the caller can
// offer the change-password dialog instead.
class VAULTCORE_API CDlgSetPasswd : public CBaseDlg {
public:
    explicit CDlgSetPasswd(CDialogEx* parent = nullptr);

    static const DialogTemplate s_template;
    enum : int { IDD = 13600, IDC_NEW_LABEL = 13601, IDC_NEW = 13602, IDC_REPEAT_LABEL = 13603, IDC_REPEAT = 13604, IDC_STRENGTH = 13605, IDC_SHOW_PASSWD = 13609 };

    int m_bOldPasswdExist = 0;

protected:
    void InitResizeAndMultiLangParam_Individual() override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    BOOL OnCommand(int id, UINT code) override;
    void UpdateLanguageStrToUI_Ex() override;
    void OnDestroy() override;
};
