#pragma once

#include <QString>

#include "foundation/ui/BaseDlg.h"
#include "vault/VaultcoreApi.h"

// The short-lived notice after the editor saved an entry; closes itself
// after the display time (timer 1).
class VAULTCORE_API CDlgEntrySavedSuc : public CBaseDlg {
public:
    // editMode 0 = added, 1 = updated.
    CDlgEntrySavedSuc(int editMode, const QString& title, const QString& userName, int displayMs,
                      CDialogEx* parent = nullptr);

    static const DialogTemplate s_template;
    enum : int { IDD = 13700, IDC_TEXT = 13701 };
    enum : UINT { TIMER_CLOSE = 1 };

protected:
    void InitResizeAndMultiLangParam_Individual() override;
    BOOL OnInitDialog() override;
    void OnTimer(UINT id) override;

private:
    int m_bEditMode;
    QString m_strTitle;
    QString m_strUserName;
    int m_iDisplayMs;
};
