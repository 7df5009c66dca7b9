#pragma once

#include <QString>

#include "foundation/TesselcoreApi.h"
#include "foundation/ui/BaseDlg.h"

// A short success report with a tick and, when asked for, an OK button.
class TESSELCORE_API CDlgMsgSuc : public CBaseDlg {
public:
    CDlgMsgSuc(const QString& text, int showOk, CDialogEx* parent = nullptr);

    static const DialogTemplate s_template;
    enum : int { IDD = 9200, IDC_ICON = 6047, IDC_MESSAGE = 9201, IDC_OK = 1000 };

    QString GetText() const { return m_strMsg; }

protected:
    void InitResizeAndMultiLangParam_Individual() override;
    BOOL OnInitDialog() override;
    BOOL OnCommand(int id, UINT code) override;
    void UpdateLanguageStrToUI_Ex() override;

private:
    QString m_strMsg;
    int m_bShowOk = 1;
    CButton m_btnOk;
    CFont m_fontIcon;
};
