#pragma once

#include "foundation/ui/BaseDlg.h"
#include "vault/VaultcoreApi.h"

// Replaces the vault's (g_pSqlite) password after checking the old one.
class VAULTCORE_API CDlgChangePasswd : public CBaseDlg {
public:
    explicit CDlgChangePasswd(CDialogEx* parent = nullptr);

    static const DialogTemplate s_template;
    enum : int {
        IDD = 13300,
        IDC_OLD_LABEL = 13301, IDC_OLD = 13302,
        IDC_NEW_LABEL = 13303, IDC_NEW = 13304,
        IDC_REPEAT_LABEL = 13305, IDC_REPEAT = 13306, IDC_STRENGTH = 13307, IDC_SHOW_PASSWD = 13309,
    };

protected:
    void InitResizeAndMultiLangParam_Individual() override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    BOOL OnCommand(int id, UINT code) override;
    void UpdateLanguageStrToUI_Ex() override;
    void OnDestroy() override;
};
