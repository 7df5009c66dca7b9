#pragma once

#include "foundation/ui/BaseDlg.h"

// The About window: a thanks line, a link to the maker's web page, the
// version and build date, and OK.
class CDlgAbout : public CBaseDlg {
public:
    explicit CDlgAbout(CDialogEx* parent = nullptr);

    static const DialogTemplate s_template;
    enum : int { IDD = 15200, IDC_THANKS = 15201, IDC_LINK = 15202, IDC_VERSION = 15203 };
    static const QString s_strMakerUrl;
    static const QString s_strVersion;
    static const QString s_strBuildDate;  // yyyy-mm-dd (UTC) of the build's configuration

protected:
    void InitResizeAndMultiLangParam_Individual() override;
    BOOL OnInitDialog() override;
    void UpdateLanguageStrToUI_Ex() override;
    BOOL OnCommand(int id, UINT code) override;
};
