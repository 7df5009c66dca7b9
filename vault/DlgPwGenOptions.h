#pragma once

#include "foundation/ui/BaseDlg.h"
#include "vault/PasswordGenerator.h"
#include "vault/VaultcoreApi.h"

// The entry editor's pop-up for the password generator's options: length and
// kinds of characters. OK only with a length from 8 to 128 and a kind chosen.
class VAULTCORE_API CDlgPwGenOptions : public CBaseDlg {
public:
    explicit CDlgPwGenOptions(const StPwGenOptions& options, CDialogEx* parent = nullptr);

    static const DialogTemplate s_template;
    enum : int {
        IDD = 13800,
        IDC_LENGTH_LABEL = 13801, IDC_LENGTH = 13802,
        IDC_UPPER = 13803, IDC_LOWER = 13804, IDC_DIGITS = 13805, IDC_SYMBOLS = 13806,
        IDC_AVOID_LOOKALIKE = 13807,
    };

    const StPwGenOptions& GetOptions() const { return m_options; }

protected:
    void InitResizeAndMultiLangParam_Individual() override;
    BOOL OnInitDialog() override;
    void OnOK() override;

private:
    StPwGenOptions m_options;
};
