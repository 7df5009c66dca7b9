#pragma once

// The mix-in every window shares: it keeps, per registered control, its id,
// kind, design rectangle and text; puts the texts of the current language
// in; sets the language's font; and scales the window by size steps.
#include <initializer_list>
#include <memory>

#include <QList>
#include <QStringList>

#include "foundation/TesselcoreApi.h"
#include "foundation/storage/BaseTessel.h"
#include "foundation/storage/Language.h"
#include "foundation/ui/LangTypes.h"
#include "platform/Wnd.h"

class CExListCtrl;

class TESSELCORE_API CBaseResizeAndMultiLang : public CBaseTessel {
public:
    CBaseResizeAndMultiLang();
    ~CBaseResizeAndMultiLang() override;

    ENUM_WND_TYPE GetWndType() const { return m_eWndType; }
    int GetCurrentSize() const { return m_iCurSize; }
    void SetCurrentSize(int size) { m_iCurSize = size; }
    ENUM_LANGUAGE GetLang() const { return m_eLang; }
    void SetLang(ENUM_LANGUAGE lang) { m_eLang = lang; }

    // Every window class lists its ids and kinds here (RegisterItems).
    virtual void InitResizeAndMultiLangParam_Individual() = 0;
    // Collects rectangles, texts and list/combo parameters of the registered
    // controls. Returns 0 (after "Init Param Exception!") when a registered id has no control.
    virtual int InitResizeAndMultiLangParam_Common(CWnd* pWnd);
    virtual void UpdateLanguageStrToUI_Ex() {}
    virtual void ResizeDlgEx() {}
    virtual void AfterInitDialog() {}

    void InitListCtrlParam(CExListCtrl* pList, int id, const QString& text);
    void InitComboParam(CComboBox* pCombo, int id, const QString& text);
    void LoadLanguageString_Items();
    int UpdateLanguageStrToUI(CWnd* pWnd);
    void MultiLangListCtrl(CExListCtrl* pList, int id, const QString& text);
    void MultiLangComboBox(CComboBox* pCombo, int id, const QString& text);
    void ResizeItems(CWnd* pWnd);
    void ResizeListCtrl(CListCtrl* pList, int id);

    static void SetNewSize(int step, CWnd* pWnd);
    static void SetNewFont(CWnd* pWnd);
    static float& GetMultiple() { return s_fMultiple; }
    static ENUM_LANGUAGE GetStaticLang() { return s_eLanguage; }
    // The language chosen for every window; Qt's own texts follow it.
    static void SetStaticLang(ENUM_LANGUAGE lang);
    // The message-text look-up of every window: 1 and `out` set when the
    // current language file has the text, else 0 with `out` untouched.
    static int GetOtherStr_ByStrId(int wndId, int strId, QString& out);
    // The language file's text, or the built-in English when it has none.
    static QString GetOtherStrOr(int wndId, int strId, const QString& english);
    static void GetPageTitles();
    // (int)(value * factor + 0.5) with the product in single precision.
    static int ScaleValue(int value, float factor);

    // The registered arrays (read-only view for tests and language checks).
    const QList<int>& GetItemIds() const { return *m_pArrItemId; }
    const QList<ENUM_WND_TYPE>& GetItemTypes() const { return *m_pArrWndType; }
    const QStringList& GetItemTexts() const { return *m_pArrText; }
    const QList<CRect>& GetItemRects() const { return *m_pArrRect; }
    const ListParamArray* GetListParams() const { return m_pArrListParam.get(); }
    const ComboParamArray* GetComboParams() const { return m_pArrComboParam.get(); }

    static ENUM_LANGUAGE s_eLanguage;
    static int s_iSize;
    static float s_fMultiple;
    static int s_iTextFontSize;
    static int s_bSizeSwitchOpened;
    static int s_bFontInited;
    static CFont s_Font;

protected:
    // The two steps of InitResizeAndMultiLangParam_Individual: the window's
    // own id first, then the controls; kinds in the same order, m_eWndType first.
    void RegisterItems(std::initializer_list<int> ids, std::initializer_list<ENUM_WND_TYPE> types);
    // Reports "Init Param Exception!" after dropping the offending entry.
    void ReportInitParamException(int index);

    ENUM_WND_TYPE m_eWndType = WND_TYPE_DIALOG;
    std::unique_ptr<QList<int>> m_pArrItemId;
    std::unique_ptr<QList<CRect>> m_pArrRect;
    std::unique_ptr<QList<ENUM_WND_TYPE>> m_pArrWndType;
    std::unique_ptr<QStringList> m_pArrText;
    std::unique_ptr<ListParamArray> m_pArrListParam;
    std::unique_ptr<ComboParamArray> m_pArrComboParam;
    const CFont* m_pFont = nullptr;
    int m_iCurSize = -1;
    ENUM_LANGUAGE m_eLang = LANG_NONE;
    int m_iPosChanged = 0;
    CRect m_rcWnd;
    CFont m_font;
};
