#pragma once

#include "foundation/ui/BaseDlg.h"

// The About window: a thanks line, a link to the help page shipped with the
// program, the version and build date, and OK.
class CDlgAbout : public CBaseDlg {
public:
    explicit CDlgAbout(CDialogEx* parent = nullptr);

    static const DialogTemplate s_template;
    enum : int { IDD = 15200, IDC_THANKS = 15201, IDC_LINK = 15202, IDC_VERSION = 15203 };
    // The page the link opens (set before DoModal); the link shows its name.
    void SetHelpPage(const QString& path) { m_strHelpPage = path; }
    static const QString s_strVersion;
    static const QString s_strBuildDate;  // yyyy-mm-dd (UTC) of the build's configuration

protected:
    void InitResizeAndMultiLangParam_Individual() override;
    BOOL OnInitDialog() override;
    void UpdateLanguageStrToUI_Ex() override;
    BOOL OnCommand(int id, UINT code) override;

private:
    QString m_strHelpPage;
};
