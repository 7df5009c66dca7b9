#pragma once

// A property page with language texts. Nothing in this system uses pages;
// the class is kept small: a plain page built from a template that fills its
// texts like a dialog and sets its sheet's caption.
#include "foundation/ui/BaseResizeAndMultiLang.h"
#include "platform/DialogEx.h"

class TESSELCORE_API CBasePage : public CDialogEx, public CBaseResizeAndMultiLang {
public:
    explicit CBasePage(const DialogTemplate& tpl, CDialogEx* sheet = nullptr);
    ~CBasePage() override;

    void InitResizeAndMultiLangParam_Individual() override {}
    BOOL OnInitDialog() override;
    void OnWindowPosChanged() override;
    virtual BOOL OnSetActive();
    void PageMoveToNewRect(const CRect& rect);

    int GetPageID() const { return GetTemplateId(); }
    QString GetPageTitle() const { return m_strPageTitle; }
    QString GetOutlookBarText();
    void SetOutlookBarText(const QString& text) { m_strOutlookBarText = text; }

    static CRect s_rcPageBySheet;

protected:
    QString m_strSheetTitle;
    QString m_strPageTitle;
    QString m_strOutlookBarText;
};
