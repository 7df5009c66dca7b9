#include "platform/TextDirection.h"

#include <QWidget>

namespace platform {

void SetWindowRightToLeft(const CWnd& wnd, bool rightToLeft)
{
    QWidget* w = wnd.GetWidget();
    const Qt::LayoutDirection direction = rightToLeft ? Qt::RightToLeft : Qt::LeftToRight;
    if (!w || w->layoutDirection() == direction)
        return;
    w->setLayoutDirection(direction);
    // Controls sit at fixed places, which Qt does not mirror by itself;
    // mirroring twice gives the original place back.
    const int width = w->width();
    for (QWidget* child : w->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (child->isWindow())
            continue;
        const QRect g = child->geometry();
        child->move(width - g.x() - g.width(), g.y());
    }
}

bool IsWindowRightToLeft(const CWnd& wnd)
{
    const QWidget* w = wnd.GetWidget();
    return w && w->layoutDirection() == Qt::RightToLeft;
}

CRect VisualRect(const CWnd& wnd, const CRect& rect)
{
    const QWidget* w = wnd.GetWidget();
    if (!w || w->layoutDirection() != Qt::RightToLeft)
        return rect;
    return CRect{w->width() - rect.right, rect.top, w->width() - rect.left, rect.bottom};
}

} // namespace platform
