#include "foundation/ui/ExListCtrl.h"

int CExListCtrl::GetColumnCount() const
{
    return GetHeaderItemCount();
}

int CExListCtrl::GetColumnName(int i, QString& out) const
{
    if (i < 0 || i >= GetColumnCount())
        return 0;
    QString caption;
    if (!GetColumnCaption(i, caption))
        return 0;
    out = caption.left(kColumnTextCapacity - 1);
    return 1;
}

int CExListCtrl::SetColumnName(int i, const QString& name)
{
    if (i < 0 || i >= GetColumnCount() || name.size() >= kColumnTextCapacity)
        return 0;
    return SetColumnCaption(i, name) ? 1 : 0;
}

void CExListCtrl::SetItemHeight(int height)
{
    m_iItemHeight = height;
    SetRowHeight(height);
}
