#include "foundation/ui/BaseDlg.h"

CBaseDlg::CBaseDlg(const DialogTemplate& tpl, CDialogEx* parent) : CDialogEx(tpl, parent)
{
    m_eWndType = WND_TYPE_DIALOG;
}

CBaseDlg::~CBaseDlg() = default;

void CBaseDlg::OnWindowBuilt()
{
    // A dialog object may be run more than once; each new window is filled again.
    m_iPosChanged = 0;
    m_iCurSize = -1;
    m_eLang = LANG_NONE;
    m_pFont = nullptr;
    m_rcWnd.SetRectEmpty();
    m_pArrListParam.reset();
    m_pArrComboParam.reset();
}

void CBaseDlg::OnWindowPosChanged()
{
    CDialogEx::OnWindowPosChanged();
    if (!IsValid() || ++m_iPosChanged != 1)
        return;
    InitResizeAndMultiLangParam_Individual();
    if (!InitResizeAndMultiLangParam_Common(this))
        return;
    LoadLanguageString_Items();
    UpdateLanguageStrToUI(this);
    SendMessage(WM_ACTIVATE, WA_ACTIVE, 0);
    if (m_pFocusWnd)
        m_pFocusWnd.SetFocus();
}

void CBaseDlg::OnActivate(UINT state, BOOL minimized)
{
    CDialogEx::OnActivate(state, minimized);
    if (state == WA_INACTIVE || !IsValid() || m_rcWnd.right < 1)
        return;
    const bool fontDue = !s_bSizeSwitchOpened && (m_pFont == nullptr || m_eLang != s_eLanguage);
    if (m_iCurSize == s_iSize && m_eLang == s_eLanguage && !fontDue)
        return;
    if (s_bSizeSwitchOpened) {
        ResizeWndAndItems();
        Invalidate();
        UpdateWindow();
    }
    if (m_eLang != s_eLanguage) {
        SetNewFont(this);
        LoadLanguageString_Items();
        UpdateLanguageStrToUI(this);
    }
    // Without scaling the window still takes the font of its language.
    if (fontDue)
        ResizeItems(this);
}

void CBaseDlg::ResizeWndAndItems()
{
    CRect rc;
    GetWindowRect(rc);
    const CPoint centre = rc.CenterPoint();
    const int halfWidth = ScaleValue(m_rcWnd.Width(), s_fMultiple) / 2;
    const int halfHeight = ScaleValue(m_rcWnd.Height(), s_fMultiple) / 2;
    MoveWindow(centre.x - halfWidth, centre.y - halfHeight, halfWidth * 2, halfHeight * 2, TRUE);
    ResizeItems(this);
    m_iCurSize = s_iSize;
}
