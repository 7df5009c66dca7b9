#include "platform/MessageBox.h"

#include <cstdio>

#include <QApplication>
#include <QDialog>
#include <QGridLayout>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSpacerItem>
#include <QThread>
#include <QTimer>
#include <QWindow>

#include "platform/DialogEx.h"
#include "platform/WindowFocus.h"

namespace platform {
namespace {

// How often an open box asks whether its question still stands.
constexpr int kMootPollMs = 250;

MessageBoxHandler& currentHandler()
{
    static MessageBoxHandler handler;
    return handler;
}

MessageBoxButtonTextSource& buttonTextSource()
{
    static MessageBoxButtonTextSource source;
    return source;
}

QPushButton* addButton(QMessageBox& box, QMessageBox::StandardButton which, int id)
{
    QPushButton* button = box.addButton(which);
    if (const auto& source = buttonTextSource()) {
        const QString text = source(id);
        if (!text.isEmpty())
            button->setText(text);
    }
    return button;
}

QMessageBox::Icon iconOf(unsigned type)
{
    switch (type & MB_ICONMASK) {
    case MB_ICONERROR: return QMessageBox::Critical;
    case MB_ICONQUESTION: return QMessageBox::Question;
    case MB_ICONWARNING: return QMessageBox::Warning;
    case MB_ICONINFORMATION: return QMessageBox::Information;
    default: return (type & MB_TYPEMASK) == MB_OK ? QMessageBox::Warning : QMessageBox::Question;
    }
}

// The window the box belongs to: the one in front, else any shown window of
// ours (a hidden main window has none).
QWidget* ownerWindow()
{
    if (QWidget* front = FrontOwner())
        return front;
    QWidget* found = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && !w->isMinimized() && qobject_cast<QDialog*>(w))
            found = w;
    return found;
}

// Qt sizes a box by its text only; a long title would be cut off in the
// title bar. Room for the buttons of the frame is added.
void makeRoomForTitle(QMessageBox& box, const QString& title)
{
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid)
        return;
    const int width = box.fontMetrics().horizontalAdvance(title) + 120;
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum), grid->rowCount(), 0, 1,
                  grid->columnCount());
}

// Moves the box, once it has its size, to the middle of its owner or, without
// one, of the screen. The box takes its final size in its own show handling,
// after this filter has seen the Show (a long text is wrapped to a new width
// then): the resize that follows moves it again, also when it comes after the
// window was mapped, as it does on a busy machine. A message box is never
// resized by the user.
class CentreOnOwner : public QObject {
public:
    explicit CentreOnOwner(QWidget* owner) : m_owner(owner) {}

protected:
    bool eventFilter(QObject* obj, QEvent* ev) override
    {
        auto* box = qobject_cast<QWidget*>(obj);
        const bool mapped = box && box->windowHandle() && box->windowHandle()->isExposed();
        if (box && (ev->type() == QEvent::Show || (ev->type() == QEvent::Resize && box->isVisible()))) {
            QRect area;
            // A box not yet framed is placed by its client area; the window
            // manager adds its frame around that, as around the owner's, so
            // the owner's frame margins stand in for the box's own.
            QMargins frame;
            if (m_owner && m_owner->isVisible()) {
                area = m_owner->frameGeometry();
                if (!mapped) {
                    const QRect client = m_owner->geometry();
                    frame = QMargins(client.left() - area.left(), client.top() - area.top(),
                                     area.right() - client.right(), area.bottom() - client.bottom());
                }
            } else if (QScreen* screen = box->screen()) {
                area = screen->availableGeometry();
            }
            if (!area.isEmpty()) {
                const QSize size = box->frameGeometry().size();
                box->move(area.center().x() - size.width() / 2 + (frame.left() - frame.right()) / 2,
                          area.center().y() - size.height() / 2 + (frame.top() - frame.bottom()) / 2);
            }
        }
        return false;
    }

private:
    QPointer<QWidget> m_owner;
};

int showReal(const QString& text, const QString& caption, unsigned type, const std::function<bool()>& moot)
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        std::fprintf(stderr, "%s\n", QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n")).toUtf8().constData());
        return IDOK;
    }
    // Message texts carry Windows line breaks ("\r\n"); a lone '\r' would
    // show as a box glyph here.
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    const QString title = caption.isEmpty() ? QApplication::applicationName() : caption;
    // Owned by the window the user is in, above it even when it stays on top.
    QWidget* owner = ownerWindow();
    QMessageBox box(iconOf(type), title, shown, QMessageBox::NoButton, owner);
    if (owner) {
        box.setLayoutDirection(owner->layoutDirection());
        if (owner->window()->windowFlags() & Qt::WindowStaysOnTopHint)
            box.setWindowFlag(Qt::WindowStaysOnTopHint);
    }
    const unsigned buttons = type & MB_TYPEMASK;
    if (buttons == MB_OKCANCEL) {
        addButton(box, QMessageBox::Ok, IDOK);
        box.setDefaultButton(addButton(box, QMessageBox::Cancel, IDCANCEL));
    } else if (buttons == MB_YESNO) {
        addButton(box, QMessageBox::Yes, IDYES);
        box.setDefaultButton(addButton(box, QMessageBox::No, IDNO));
    } else {
        box.setDefaultButton(addButton(box, QMessageBox::Ok, IDOK));
    }
    makeRoomForTitle(box, title);
    // Centred on its owner: Qt does so on show only while the owner is
    // shown; a box of the hidden main window goes to the middle of the screen.
    CentreOnOwner centre(owner);
    box.installEventFilter(&centre);
    const QPointer<QWidget> keep(owner);
    QTimer watch;
    if (moot) {
        QObject::connect(&watch, &QTimer::timeout, &box, [&] {
            if (moot())
                box.done(QMessageBox::Cancel);
        });
        watch.start(kMootPollMs);
    }
    const int pressed = box.exec();
    // Without a window manager nobody hands the keyboard back, and with one
    // it may go to another window; the box had it when it was answered.
    if (keep && keep->isVisible()) {
        if (QGuiApplication::focusWindow())
            GiveKeyboardTo(keep);
        else
            keep->activateWindow();
    }
    switch (pressed) {
    case QMessageBox::Ok: return IDOK;
    case QMessageBox::Yes: return IDYES;
    case QMessageBox::No: return IDNO;
    default: return buttons == MB_OK ? IDOK : IDCANCEL;
    }
}

} // namespace

int ShowMessageBox(const QString& text, const QString& caption, unsigned type, const std::function<bool()>& moot)
{
    // A worker thread (the weekly backup) must not build widgets, and must not
    // wait for the UI thread either: that thread may be joining it. Its box is
    // queued to the UI thread and the worker goes on as if OK was pressed.
    QCoreApplication* app = QCoreApplication::instance();
    if (app && QThread::currentThread() != app->thread()) {
        QMetaObject::invokeMethod(app, [text, caption, type] { ShowMessageBox(text, caption, type); },
                                  Qt::QueuedConnection);
        return IDOK;
    }
    const int notPressed = (type & MB_TYPEMASK) == MB_OK ? IDOK : IDCANCEL;
    if (moot && moot())
        return notPressed;
    if (auto& handler = currentHandler())
        return handler(text, caption, type);
    return showReal(text, caption, type, moot);
}

void SetMessageBoxButtonTextSource(MessageBoxButtonTextSource source)
{
    buttonTextSource() = std::move(source);
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler)
{
    MessageBoxHandler previous = std::move(currentHandler());
    currentHandler() = std::move(handler);
    return previous;
}

} // namespace platform
