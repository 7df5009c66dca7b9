#include "platform/MessageBox.h"

#include <cstdio>

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QThread>

#include "platform/DialogEx.h"

namespace platform {
namespace {

MessageBoxHandler& currentHandler()
{
    static MessageBoxHandler handler;
    return handler;
}

int showReal(const QString& text, const QString& caption, unsigned type)
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        std::fprintf(stderr, "%s\n", QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n")).toUtf8().constData());
        return IDOK;
    }
    // Message texts carry Windows line breaks ("\r\n"); a lone '\r' would
    // show as a box glyph here.
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    // Owned by the window the user is in, above it even when it stays on top.
    QWidget* owner = FrontOwner();
    QMessageBox box(QMessageBox::NoIcon, caption.isEmpty() ? QApplication::applicationName() : caption,
                    shown, QMessageBox::NoButton, owner);
    if (owner && (owner->window()->windowFlags() & Qt::WindowStaysOnTopHint))
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
    if (type == MB_OKCANCEL) {
        box.addButton(QMessageBox::Ok);
        box.setDefaultButton(box.addButton(QMessageBox::Cancel));
    } else if (type == MB_YESNO) {
        box.addButton(QMessageBox::Yes);
        box.setDefaultButton(box.addButton(QMessageBox::No));
    } else {
        box.setDefaultButton(box.addButton(QMessageBox::Ok));
    }
    const QPointer<QWidget> keep(owner);
    const int pressed = box.exec();
    // Without a window manager nobody hands the keyboard back.
    if (keep && keep->isVisible())
        keep->activateWindow();
    switch (pressed) {
    case QMessageBox::Ok: return IDOK;
    case QMessageBox::Yes: return IDYES;
    case QMessageBox::No: return IDNO;
    default: return type == MB_OK ? IDOK : IDCANCEL;
    }
}

} // namespace

int ShowMessageBox(const QString& text, const QString& caption, unsigned type)
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
    if (auto& handler = currentHandler())
        return handler(text, caption, type);
    return showReal(text, caption, type);
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler)
{
    MessageBoxHandler previous = std::move(currentHandler());
    currentHandler() = std::move(handler);
    return previous;
}

} // namespace platform
