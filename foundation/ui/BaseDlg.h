#pragma once

// The base of every dialog: a platform dialog that fills itself with the
// texts and the font of the current language on its first position change,
// and again on activation after the language changed.
#include "foundation/ui/BaseResizeAndMultiLang.h"
#include "platform/DialogEx.h"

class TESSELCORE_API CBaseDlg : public CDialogEx, public CBaseResizeAndMultiLang {
public:
    explicit CBaseDlg(const DialogTemplate& tpl, CDialogEx* parent = nullptr);
    ~CBaseDlg() override;

    void InitResizeAndMultiLangParam_Individual() override {}
    virtual void InitDlgEx() {}

    void OnWindowBuilt() override;
    void OnWindowPosChanged() override;
    void OnActivate(UINT state, BOOL minimized) override;
    void ResizeWndAndItems();

    void SetPage(CWnd* page) { m_pPage = page; }
    CWnd* GetPage() const { return m_pPage; }

protected:
    CWnd* m_pPage = nullptr;
    // The control that gets the focus once the texts are in (set in OnInitDialog).
    CWnd m_pFocusWnd;
};
