#include "foundation/ui/BaseResizeAndMultiLang.h"

#include <stdexcept>

#include "foundation/storage/GlobalSettings.h"
#include "foundation/storage/SysHelpers.h"
#include "foundation/ui/ExListCtrl.h"
#include "foundation/ui/XmlLanguage.h"
#include "platform/MessageBox.h"
#include "platform/QtTranslations.h"
#include "platform/TextDirection.h"

ENUM_LANGUAGE CBaseResizeAndMultiLang::s_eLanguage = LANG_ENU;
int CBaseResizeAndMultiLang::s_iSize = 0;
float CBaseResizeAndMultiLang::s_fMultiple = 1.0f;
int CBaseResizeAndMultiLang::s_iTextFontSize = 9;
int CBaseResizeAndMultiLang::s_bSizeSwitchOpened = 1;
int CBaseResizeAndMultiLang::s_bFontInited = 0;
CFont CBaseResizeAndMultiLang::s_Font;

ST_LISTCTRL_PARAM::ST_LISTCTRL_PARAM(const ST_LISTCTRL_PARAM& other) = default;

ST_LISTCTRL_PARAM& ST_LISTCTRL_PARAM::operator=(const ST_LISTCTRL_PARAM& other)
{
    if (other.arrColumnWidth.size() != other.arrColumnName.size())
        throw std::invalid_argument("ST_LISTCTRL_PARAM assign excepthion!");
    iId = other.iId;
    strText = other.strText;
    arrColumnWidth = other.arrColumnWidth;
    arrColumnName = other.arrColumnName;
    return *this;
}

namespace {

// Windows' MulDiv: a * b / c rounded half away from zero.
int mulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    const long long p = static_cast<long long>(a) * b;
    const long long d = c < 0 ? -static_cast<long long>(c) : c;
    const long long q = ((p < 0 ? -p : p) + d / 2) / d;
    return int(((p < 0) != (c < 0)) ? -q : q);
}

QString faceForLanguage(ENUM_LANGUAGE lang, bool forNewFont, const QString& current)
{
    switch (lang) {
    case LANG_CHS: return QStringLiteral("宋体");
    case LANG_CHT: return QStringLiteral("MingLiU");
    case LANG_ENU:
        if (forNewFont)
            return QStringLiteral("Arial");
        return current;
    default: return forNewFont ? QString() : current;
    }
}

} // namespace

void CBaseResizeAndMultiLang::SetStaticLang(ENUM_LANGUAGE lang)
{
    s_eLanguage = lang;
    // The file chooser and the edit menus are drawn by Qt with its own texts.
    platform::SetQtTextsLanguage(GetLangCode(lang));
}

CBaseResizeAndMultiLang::CBaseResizeAndMultiLang()
    : m_pArrItemId(std::make_unique<QList<int>>()),
      m_pArrRect(std::make_unique<QList<CRect>>()),
      m_pArrWndType(std::make_unique<QList<ENUM_WND_TYPE>>()),
      m_pArrText(std::make_unique<QStringList>())
{
}

CBaseResizeAndMultiLang::~CBaseResizeAndMultiLang() = default;

void CBaseResizeAndMultiLang::RegisterItems(std::initializer_list<int> ids, std::initializer_list<ENUM_WND_TYPE> types)
{
    m_pArrItemId->clear();
    m_pArrItemId->append(QList<int>(ids));
    m_pArrWndType->clear();
    m_pArrWndType->append(QList<ENUM_WND_TYPE>(types));
}

void CBaseResizeAndMultiLang::ReportInitParamException(int index)
{
    if (index >= 0 && index < m_pArrItemId->size())
        m_pArrItemId->removeAt(index);
    if (index >= 0 && index < m_pArrWndType->size())
        m_pArrWndType->removeAt(index);
    // The window keeps its template texts rather than going on with arrays
    // that no longer line up.
    m_pArrItemId->clear();
    m_pArrWndType->clear();
    m_pArrRect->clear();
    m_pArrText->clear();
    m_pArrListParam.reset();
    m_pArrComboParam.reset();
    platform::ShowMessageBox(QStringLiteral("Init Param Exception!"));
}

int CBaseResizeAndMultiLang::InitResizeAndMultiLangParam_Common(CWnd* pWnd)
{
    const qsizetype n = m_pArrItemId->size();
    if (n < 1 || !pWnd)
        return 1;
    if (m_pArrWndType->size() != n) {
        ReportInitParamException(-1);
        return 0;
    }
    m_pArrRect->clear();
    m_pArrText->clear();
    pWnd->GetWindowRect(m_rcWnd);
    m_pArrRect->append(m_rcWnd);
    m_pArrText->append(pWnd->GetWindowText());
    for (qsizetype i = n - 1; i >= 1; --i) {
        const int id = m_pArrItemId->at(i);
        CWnd child = pWnd->GetDlgItem(id);
        if (!child) {
            ReportInitParamException(int(i));
            return 0;
        }
        CRect rc;
        child.GetWindowRect(rc);
        pWnd->ScreenToClient(rc);
        m_pArrRect->insert(1, rc);
        const QString text = child.GetWindowText();
        m_pArrText->insert(1, text);
        if (m_pArrWndType->at(i) == WND_TYPE_LIST) {
            CExListCtrl list(child);
            InitListCtrlParam(&list, id, text);
        } else if (m_pArrWndType->at(i) == WND_TYPE_COMBO) {
            CComboBox combo(child);
            InitComboParam(&combo, id, text);
        }
    }
    return 1;
}

void CBaseResizeAndMultiLang::InitListCtrlParam(CExListCtrl* pList, int id, const QString& text)
{
    ST_LISTCTRL_PARAM param;
    param.iId = id;
    param.strText = text;
    for (int col = 0; col < pList->GetColumnCount(); ++col) {
        QString caption;
        pList->GetColumnName(col, caption);
        param.arrColumnName.append(caption);
        param.arrColumnWidth.append(pList->GetColumnWidth(col));
    }
    if (!m_pArrListParam)
        m_pArrListParam = std::make_unique<ListParamArray>();
    m_pArrListParam->append(param);
}

void CBaseResizeAndMultiLang::InitComboParam(CComboBox* pCombo, int id, const QString& text)
{
    ST_COMBO_PARAM param;
    param.iId = id;
    param.strText = text;
    for (int i = 0; i < pCombo->GetCount(); ++i)
        param.arrItem.append(pCombo->GetLBText(i));
    if (!m_pArrComboParam)
        m_pArrComboParam = std::make_unique<ComboParamArray>();
    m_pArrComboParam->append(param);
}

void CBaseResizeAndMultiLang::LoadLanguageString_Items()
{
    if (m_pArrItemId->isEmpty() || !g_pXmlLang)
        return;
    ST_LANGUAGE lang;
    lang.pArrItemId = m_pArrItemId.get();
    lang.pArrWndType = m_pArrWndType.get();
    lang.pArrText = m_pArrText.get();
    lang.pArrListParam = m_pArrListParam.get();
    lang.pArrComboParam = m_pArrComboParam.get();
    g_pXmlLang->SetFile(GetLangFile(s_eLanguage));
    g_pXmlLang->SetLoadedState(0);
    g_pXmlLang->LoadFromXmlFile(g_strExePath + g_pXmlLang->GetFile());
    g_pXmlLang->GetLangStr_Items(m_pArrItemId->at(0), &lang);
}

int CBaseResizeAndMultiLang::UpdateLanguageStrToUI(CWnd* pWnd)
{
    int ok = 1;
    const qsizetype n = m_pArrItemId->size();
    if (n > 0 && pWnd && m_pArrText->size() == n && m_pArrWndType->size() == n) {
        pWnd->SetWindowText(m_pArrText->at(0));
        for (qsizetype i = 1; i < n; ++i) {
            const int id = m_pArrItemId->at(i);
            CWnd child = pWnd->GetDlgItem(id);
            if (!child) {
                ReportInitParamException(int(i));
                ok = 0;
                break;
            }
            const ENUM_WND_TYPE type = m_pArrWndType->at(i);
            if (type <= WND_TYPE_TEXT) {
                child.SetWindowText(m_pArrText->at(i));
            } else if (type == WND_TYPE_LIST) {
                CExListCtrl list(child);
                MultiLangListCtrl(&list, id, m_pArrText->at(i));
            } else if (type == WND_TYPE_COMBO) {
                CComboBox combo(child);
                MultiLangComboBox(&combo, id, m_pArrText->at(i));
            }
        }
    }
    // Arabic windows read from the right; any other language turns them back.
    if (pWnd)
        platform::SetWindowRightToLeft(*pWnd, s_eLanguage == LANG_ARA);
    UpdateLanguageStrToUI_Ex();
    m_eLang = s_eLanguage;
    return ok;
}

void CBaseResizeAndMultiLang::MultiLangListCtrl(CExListCtrl* pList, int id, const QString&)
{
    if (!m_pArrListParam)
        return;
    const int columns = pList->GetColumnCount();
    for (const ST_LISTCTRL_PARAM& param : *m_pArrListParam) {
        if (param.iId != id || param.arrColumnName.size() != columns)
            continue;
        for (int j = 0; j < columns; ++j)
            if (param.arrColumnName[j].size() < CExListCtrl::kColumnTextCapacity)
                pList->SetColumnName(j, param.arrColumnName[j]);
        return;
    }
}

void CBaseResizeAndMultiLang::MultiLangComboBox(CComboBox* pCombo, int id, const QString&)
{
    if (!m_pArrComboParam)
        return;
    const int count = pCombo->GetCount();
    for (const ST_COMBO_PARAM& param : *m_pArrComboParam) {
        if (param.iId != id || param.arrItem.size() != count)
            continue;
        const int selected = pCombo->GetCurSel();
        for (int j = 0; j < count; ++j) {
            pCombo->DeleteString(0);
            pCombo->AddString(param.arrItem[j]);
        }
        pCombo->SetCurSel(selected);
        return;
    }
}

int CBaseResizeAndMultiLang::ScaleValue(int value, float factor)
{
    const float product = static_cast<float>(value) * factor;
    return static_cast<int>(static_cast<double>(product) + 0.5);
}

void CBaseResizeAndMultiLang::ResizeItems(CWnd* pWnd)
{
    if (!pWnd)
        return;
    if (!s_bSizeSwitchOpened || !s_bFontInited)
        SetNewSize(0, pWnd);
    m_pFont = &s_Font;
    pWnd->SetFont(&s_Font, TRUE);
    for (qsizetype i = 1; i < m_pArrItemId->size(); ++i) {
        CWnd child = pWnd->GetDlgItem(m_pArrItemId->at(i));
        if (!child)
            continue;
        if (!s_bSizeSwitchOpened) {
            child.SetFont(&s_Font, TRUE);
            continue;
        }
        if (i < m_pArrRect->size()) {
            const CRect& rc = m_pArrRect->at(i);
            const int left = ScaleValue(rc.left, s_fMultiple);
            const int top = ScaleValue(rc.top, s_fMultiple);
            const int right = ScaleValue(rc.right, s_fMultiple);
            const int bottom = ScaleValue(rc.bottom, s_fMultiple);
            child.MoveWindow(platform::VisualRect(*pWnd, CRect{left, top, right, bottom}), TRUE);
        }
        if (i < m_pArrWndType->size() && m_pArrWndType->at(i) == WND_TYPE_LIST) {
            CListCtrl list(child);
            ResizeListCtrl(&list, m_pArrItemId->at(i));
        }
    }
    ResizeDlgEx();
}

void CBaseResizeAndMultiLang::ResizeListCtrl(CListCtrl* pList, int id)
{
    if (!m_pArrListParam)
        return;
    for (const ST_LISTCTRL_PARAM& param : *m_pArrListParam) {
        if (param.iId != id)
            continue;
        const int columns = pList->GetHeaderItemCount();
        for (int j = 0; j < columns && j < param.arrColumnWidth.size(); ++j)
            pList->SetColumnWidth(j, ScaleValue(param.arrColumnWidth[j], s_fMultiple));
        return;
    }
}

void CBaseResizeAndMultiLang::SetNewSize(int step, CWnd* pWnd)
{
    if (!s_bSizeSwitchOpened) {
        SetNewFont(pWnd);
        return;
    }
    s_iSize = step;
    switch (step) {
    case 0: s_fMultiple = 1.0f; s_iTextFontSize = 11; break;
    case 1: s_fMultiple = 1.2f; s_iTextFontSize = 12; break;
    case 2: s_fMultiple = 1.4f; s_iTextFontSize = 14; break;
    default: s_fMultiple = 1.0f; s_iTextFontSize = 9; break;
    }
    LOGFONT lf;
    if (pWnd)
        pWnd->GetLogFont(lf);
    const int dpi = pWnd ? pWnd->GetLogPixelsY() : 96;
    lf.lfHeight = -mulDiv(s_iTextFontSize, dpi, 72);
    lf.lfWeight = FW_NORMAL;
    lf.lfFaceName = faceForLanguage(s_eLanguage, false, lf.lfFaceName);
    s_Font.DeleteObject();
    s_Font.CreateFontIndirect(lf);
    s_bFontInited = 1;
}

void CBaseResizeAndMultiLang::SetNewFont(CWnd* pWnd)
{
    s_iSize = 0;
    s_fMultiple = 1.0f;
    LOGFONT lf;
    if (pWnd)
        pWnd->GetLogFont(lf);
    lf.lfFaceName = faceForLanguage(s_eLanguage, true, lf.lfFaceName);
    s_Font.DeleteObject();
    s_Font.CreateFontIndirect(lf);
    s_bFontInited = 1;
}

int CBaseResizeAndMultiLang::GetOtherStr_ByStrId(int wndId, int strId, QString& out)
{
    return g_pXmlLang ? g_pXmlLang->GetOtherStr_ByStrId(wndId, strId, out) : 0;
}

QString CBaseResizeAndMultiLang::GetOtherStrOr(int wndId, int strId, const QString& english)
{
    QString text = english;
    GetOtherStr_ByStrId(wndId, strId, text);
    return text;
}

void CBaseResizeAndMultiLang::GetPageTitles()
{
    if (!g_pXmlLang)
        return;
    g_pXmlLang->SetFile(GetLangFile(s_eLanguage));
    struct Page {
        int id;
        QString* title;
    };
    // 11000, 12000, 10200 and 10250 are the titles of sibling tools: looked
    // up in the same order, nothing of this program holds them.
    const Page pages[] = {{11000, nullptr}, {13000, &g_strTitlePass}, {12000, nullptr},
                          {10200, nullptr}, {10250, nullptr},          {10100, &g_strTitleSet},
                          {10400, &g_strTitleAbout}};
    for (const Page& page : pages) {
        QString title;
        if (g_pXmlLang->GetPageTitle(page.id, title) && page.title)
            *page.title = title;
    }
}
