#pragma once

// A sample dialog in the shape every window of the system takes: the
// template as data, the registration of its language items, and handlers.
// It borrows the ids of the query window so that its texts come from the
// language file.
#include "foundation/ui/BaseDlg.h"
#include "foundation/ui/ExListCtrl.h"

class CDlgSample : public CBaseDlg {
public:
    explicit CDlgSample(CDialogEx* parent = nullptr);

    static const DialogTemplate s_template;
    enum : int {
        IDD = 13200,
        IDC_KEYWORDS = 13201,
        IDC_SEARCH = 13202,
        IDC_LIST = 13203,
        IDC_SHOW_PASSWD = 13205,
        IDC_NOTICE = 13208,
        IDC_CHECK_ALL = 13211,
        IDC_DELETE_CHECKED = 13212,
        IDC_FREQUENCY = 13220,  // a combo for the sample only (not in the language file)
        TIMER_HIDE_NOTICE = 4,
    };

    // What the handlers saw, for the tests.
    int m_searches = 0;
    QString m_lastKeywords;
    QList<UINT> m_keysSeen;
    int m_activations = 0;
    int m_posChanges = 0;
    QList<int> m_selectedRows;
    int m_doubleClicked = -1;
    UINT m_menuChoice = 0;
    LRESULT m_lastPrivate = 0;

protected:
    void InitResizeAndMultiLangParam_Individual() override;
    BOOL OnInitDialog() override;
    BOOL OnCommand(int id, UINT code) override;
    void OnListNotify(const NMLISTVIEW& nm) override;
    void OnTimer(UINT id) override;
    BOOL PreTranslateMessage(MSG* msg) override;
    LRESULT OnPrivateMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnActivate(UINT state, BOOL minimized) override;
    void OnWindowPosChanged() override;

private:
    void Search();
    void UpdateCheckAll();

    CExListCtrl m_list;
};
