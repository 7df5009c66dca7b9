#include "platform/PopupMenu.h"

#include <QCursor>
#include <QMenu>

namespace platform {
namespace {

PopupMenuHandler& currentHandler()
{
    static PopupMenuHandler handler;
    return handler;
}

} // namespace

UINT TrackPopupMenu(const std::vector<MenuItem>& items, const CWnd& owner, const CPoint* pos)
{
    const QPoint at = pos ? QPoint(pos->x, pos->y) : QCursor::pos();
    if (auto& handler = currentHandler())
        return handler(items, CPoint{at.x(), at.y()});
    QMenu menu(owner.GetWidget());
    menu.setWindowTitle(QStringLiteral("Pop-up menu"));  // never shown; lets desktop tests find it
    menu.setLayoutDirection(owner.GetWidget() ? owner.GetWidget()->layoutDirection() : Qt::LeftToRight);
    for (const MenuItem& item : items) {
        if (item.id == 0 && item.text.isEmpty()) {
            menu.addSeparator();
            continue;
        }
        QAction* action = menu.addAction(item.text);
        action->setData(item.id);
        action->setEnabled(item.enabled);
    }
    QAction* chosen = menu.exec(at);
    return chosen ? chosen->data().toUInt() : 0;
}

PopupMenuHandler SetPopupMenuHandler(PopupMenuHandler handler)
{
    PopupMenuHandler previous = std::move(currentHandler());
    currentHandler() = std::move(handler);
    return previous;
}

} // namespace platform
