#pragma once

#include "foundation/ui/BaseDlg.h"

// The About window: a thanks line and a link to the maker's web page.
class CDlgAbout : public CBaseDlg {
public:
    explicit CDlgAbout(CDialogEx* parent = nullptr);

    static const DialogTemplate s_template;
    enum : int { IDD = 15200, IDC_THANKS = 15201, IDC_LINK = 15202 };
    static const QString s_strMakerUrl;

protected:
    void InitResizeAndMultiLangParam_Individual() override;
    BOOL OnCommand(int id, UINT code) override;
};
