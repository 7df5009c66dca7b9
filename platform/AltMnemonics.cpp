#include "platform/AltMnemonics.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QWidget>

namespace platform {
namespace {

bool s_shown = false;

void setShown(bool shown)
{
    if (shown == s_shown)
        return;
    s_shown = shown;
    // Captions are drawn again with or without their underlines.
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (!top->isVisible())
            continue;
        top->update();
        for (QWidget* child : top->findChildren<QWidget*>())
            child->update();
    }
}

class AltWatcher : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject*, QEvent* ev) override
    {
        switch (ev->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            const auto* key = static_cast<QKeyEvent*>(ev);
            // The Alt key's own events carry the state before them.
            if (key->key() == Qt::Key_Alt)
                setShown(ev->type() == QEvent::KeyPress);
            else
                setShown(key->modifiers() & Qt::AltModifier);
            break;
        }
        case QEvent::ApplicationStateChange:
        case QEvent::WindowDeactivate:
            // The release goes to another program when the user switches with Alt+Tab.
            setShown(false);
            break;
        default:
            break;
        }
        return false;
    }
};

} // namespace

bool MnemonicsShown()
{
    return s_shown;
}

void WatchAltForMnemonics()
{
    static QPointer<AltWatcher> watcher;
    if (!qApp || watcher)
        return;
    watcher = new AltWatcher(qApp);
    qApp->installEventFilter(watcher);
}

} // namespace platform
