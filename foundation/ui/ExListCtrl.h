#pragma once

// The list control whose column captions the window base reads and writes.
#include "platform/Wnd.h"

class TESSELCORE_API CExListCtrl : public CListCtrl {
public:
    CExListCtrl() = default;
    CExListCtrl(const CWnd& w) : CListCtrl(w) {}

    static constexpr int kColumnTextCapacity = 256;

    int GetColumnCount() const;
    // 0 when `i` is not a column; `out` is then untouched.
    int GetColumnName(int i, QString& out) const;
    // 0 when `i` is not a column or the name has 256 characters or more.
    int SetColumnName(int i, const QString& name);
    void SetItemHeight(int height);
    int GetItemHeight() const { return m_iItemHeight; }

private:
    int m_iItemHeight = 0;
};
