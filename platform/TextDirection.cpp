#include "platform/TextDirection.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QTextOption>
#include <QWidget>

#include "platform/DialogHost.h"

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
    // A multi-line edit lays its lines out left to right whatever the
    // widget's direction: "[label]: value" lines would read backwards.
    for (QPlainTextEdit* edit : w->findChildren<QPlainTextEdit*>()) {
        QTextOption option = edit->document()->defaultTextOption();
        option.setTextDirection(direction);
        option.setAlignment(rightToLeft ? Qt::AlignRight | Qt::AlignAbsolute : Qt::AlignLeft | Qt::AlignAbsolute);
        edit->document()->setDefaultTextOption(option);
    }
    // The drop-down list of a combo box is a window of its own.
    for (QComboBox* combo : w->findChildren<QComboBox*>())
        combo->view()->setLayoutDirection(direction);
    ApplyReadingOrder(w);
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
