#include "foundation/ui/BasePage.h"

#include "foundation/storage/GlobalSettings.h"
#include "foundation/storage/SysHelpers.h"

CRect CBasePage::s_rcPageBySheet;

CBasePage::CBasePage(const DialogTemplate& tpl, CDialogEx* sheet) : CDialogEx(tpl, sheet), m_strSheetTitle(g_strSheet)
{
    m_eWndType = WND_TYPE_PAGE;
}

CBasePage::~CBasePage() = default;

BOOL CBasePage::OnInitDialog()
{
    CDialogEx::OnInitDialog();
    return TRUE;
}

void CBasePage::OnWindowPosChanged()
{
    CDialogEx::OnWindowPosChanged();
    if (!IsValid() || ++m_iPosChanged != 2)
        return;
    InitResizeAndMultiLangParam_Individual();
    if (!InitResizeAndMultiLangParam_Common(this))
        return;
    if (CDialogEx* sheet = GetParentDlg()) {
        // Pages keep their rectangle relative to the sheet.
        sheet->ScreenToClient(m_rcWnd);
        if (!m_pArrRect->isEmpty())
            (*m_pArrRect)[0] = m_rcWnd;
    }
    LoadLanguageString_Items();
    UpdateLanguageStrToUI(this);
    OnSetActive();
    AfterInitDialog();
}

BOOL CBasePage::OnSetActive()
{
    if (s_rcPageBySheet.right > 0 && IsValid()) {
        if (m_iCurSize != s_iSize) {
            MoveWindow(s_rcPageBySheet, TRUE);
            ResizeItems(this);
        }
        if (m_eLang != s_eLanguage) {
            LoadLanguageString_Items();
            UpdateLanguageStrToUI(this);
        }
    }
    if (!m_pArrText->isEmpty())
        m_strPageTitle = m_pArrText->at(0);
    if (CDialogEx* sheet = GetParentDlg())
        sheet->SetWindowText(g_strSheet + QStringLiteral(" - ") + m_strPageTitle);
    return TRUE;
}

void CBasePage::PageMoveToNewRect(const CRect& rect)
{
    s_rcPageBySheet = rect;
    MoveWindow(rect, TRUE);
}

QString CBasePage::GetOutlookBarText()
{
    m_strOutlookBarText = GetPageNameByID(GetPageID());
    return m_strOutlookBarText;
}
