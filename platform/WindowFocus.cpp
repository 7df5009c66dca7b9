#include "platform/WindowFocus.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QWidget>
#include <QWindow>
#include <xcb/xcb.h>

#include "platform/Application.h"

namespace platform {
namespace {

void setInputFocus(xcb_connection_t* c, QWidget* target)
{
    xcb_set_input_focus(c, XCB_INPUT_FOCUS_PARENT, xcb_window_t(target->winId()), XCB_CURRENT_TIME);
    xcb_flush(c);
}

// Gives a window that is being shown the input focus once the X server has
// mapped it: before that it cannot take it.
class FocusWhenMapped : public QObject {
public:
    FocusWhenMapped(QWidget* target, QWindow* window) : QObject(window), m_target(target)
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* obj, QEvent* ev) override
    {
        auto* window = qobject_cast<QWindow*>(obj);
        if (ev->type() != QEvent::Expose || !window || !window->isExposed())
            return false;
        xcb_connection_t* c = X11Connection();
        if (c && m_target && m_target->isVisible() && KeyboardTarget(m_target) == m_target)
            setInputFocus(c, m_target);
        deleteLater();
        window->removeEventFilter(this);
        return false;
    }

private:
    QPointer<QWidget> m_target;
};

} // namespace

QWidget* KeyboardTarget(QWidget* window)
{
    if (!window)
        return nullptr;
    window = window->window();
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal == window || !modal->isVisible())
        return window;
    if (modal->windowModality() == Qt::ApplicationModal)
        return modal;
    // A window-modal dialog blocks the windows it belongs to.
    for (QWidget* owner = modal->parentWidget(); owner; owner = owner->parentWidget())
        if (owner->window() == window)
            return modal;
    return window;
}

void GiveKeyboardTo(QWidget* window)
{
    QWidget* target = KeyboardTarget(window);
    if (!target || !target->isVisible())
        return;
    if (target->isMinimized())
        target->setWindowState((target->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        target->raise();
    target->activateWindow();
    xcb_connection_t* c = X11Connection();
    if (!c || target->isMinimized())
        return;
    // Only a mapped window can take the input focus (else BadMatch).
    if (target->windowHandle() && target->windowHandle()->isExposed())
        setInputFocus(c, target);
    else if (QWindow* window = target->windowHandle())
        new FocusWhenMapped(target, window);
}

} // namespace platform
