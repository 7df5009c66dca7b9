#include "platform/Clipboard.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPointer>

#include <utility>

#include "foundation/storage/Secret.h"
#include "platform/Wnd.h"

namespace platform {
namespace {

// Only a digest of the secret stays in memory between the copy and the clear.
QByteArray& copiedDigest()
{
    static QByteArray digest;
    return digest;
}

QByteArray digestOf(const QString& text)
{
    QByteArray utf8 = text.toUtf8();
    const QByteArray digest = SecretDigest(utf8);
    WipeSecret(utf8);
    return digest;
}

QClipboard* clipboard()
{
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::clipboard()
                                                                         : nullptr;
}

SecretCopyHandler& copyHandler()
{
    static SecretCopyHandler handler;
    return handler;
}

bool IsShownSecret(const QLineEdit* edit)
{
    return edit->echoMode() == QLineEdit::Normal;
}

// Copies (and for Cut removes) the selected text of a shown password field.
void CopySelection(QLineEdit* edit, bool cut)
{
    if (!edit->hasSelectedText())
        return;
    QString text = edit->selectedText();
    const bool copied = CopySecret(text) != 0;
    WipeSecret(text);
    if (copied && cut && !edit->isReadOnly())
        edit->del();
}

// An item of a field's standard context menu. Qt 6.4 names none of them;
// their texts end in the key of the action after a tab, whatever the language.
bool IsMenuAction(const QAction* action, QKeySequence::StandardKey key, QStringView name)
{
    if (action->objectName() == name)
        return true;
    const QString text = action->text();
    const qsizetype tab = text.lastIndexOf(u'\t');
    if (tab < 0)
        return false;
    const QStringView accel = QStringView(text).mid(tab + 1);
    for (const QKeySequence& seq : QKeySequence::keyBindings(key))
        if (accel == seq.toString(QKeySequence::NativeText))
            return true;
    return false;
}

class SecretEditGuard : public QObject {
public:
    explicit SecretEditGuard(QLineEdit* edit) : QObject(edit), m_edit(edit)
    {
        edit->installEventFilter(this);
        // Qt puts a selection of shown text into the primary selection
        // itself (mouse and Shift+arrows): take it back once that is done.
        if (QClipboard* board = clipboard(); board && board->supportsSelection())
            connect(board, &QClipboard::selectionChanged, this, &SecretEditGuard::onSelectionChanged,
                    Qt::QueuedConnection);
    }

protected:
    bool eventFilter(QObject* obj, QEvent* ev) override
    {
        // Only the two events it takes over: others (a Hide sent while the
        // field is being destroyed) must not touch the field.
        if (obj != m_edit || (ev->type() != QEvent::KeyPress && ev->type() != QEvent::ContextMenu) ||
            !IsShownSecret(m_edit))
            return false;
        if (ev->type() == QEvent::KeyPress) {
            auto* ke = static_cast<QKeyEvent*>(ev);
            const bool copy = ke->matches(QKeySequence::Copy);
            if (!copy && !ke->matches(QKeySequence::Cut))
                return false;
            CopySelection(m_edit, !copy);
            return true;
        }
        if (ev->type() == QEvent::ContextMenu) {
            showContextMenu(static_cast<QContextMenuEvent*>(ev)->globalPos());
            return true;
        }
        return false;
    }

private:
    // The field's own menu, its Copy and Cut routed through CopySecret.
    void showContextMenu(const QPoint& where)
    {
        QMenu* menu = m_edit->createStandardContextMenu();
        QPointer<QLineEdit> edit = m_edit;
        for (QAction* action : menu->actions()) {
            const bool cut = IsMenuAction(action, QKeySequence::Cut, u"edit-cut");
            if (!cut && !IsMenuAction(action, QKeySequence::Copy, u"edit-copy"))
                continue;
            action->disconnect();
            connect(action, &QAction::triggered, this, [edit, cut] {
                if (edit)
                    CopySelection(edit, cut);
            });
        }
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(where);
    }

    void onSelectionChanged()
    {
        QClipboard* board = clipboard();
        if (!board || !board->ownsSelection() || !m_edit->hasFocus() || !IsShownSecret(m_edit))
            return;
        const QString selected = board->text(QClipboard::Selection);
        if (!selected.isEmpty() && m_edit->text().contains(selected))
            board->clear(QClipboard::Selection);
    }

    QLineEdit* m_edit;
};

} // namespace

int CopySecret(const QString& text)
{
    if (const SecretCopyHandler& handler = copyHandler())
        return handler(text);
    return SetClipboardSecret(text);
}

SecretCopyHandler SetSecretCopyHandler(SecretCopyHandler handler)
{
    return std::exchange(copyHandler(), std::move(handler));
}

void GuardSecretEdit(QLineEdit* edit)
{
    if (!edit || edit->property("vw_secret_guard").toBool())
        return;
    edit->setProperty("vw_secret_guard", true);
    new SecretEditGuard(edit);
}

void WipeSecretEdits(QWidget* window)
{
    if (!window)
        return;
    for (QLineEdit* edit : window->findChildren<QLineEdit*>())
        if (edit->property("vw_secret_guard").toBool())
            CWnd(edit).WipeText();
}

int SetClipboardSecret(const QString& text)
{
    QClipboard* board = clipboard();
    if (!board)
        return 0;
    auto* data = new QMimeData;
    // A copy of its own: the caller overwrites its text once it is done, and
    // a shared buffer would take the clipboard's text with it.
    data->setText(QString(text.constData(), text.size()));
    // Honoured by KDE's Klipper and by clipboard managers that follow it.
    data->setData(QStringLiteral("x-kde-passwordManagerHint"), QByteArrayLiteral("secret"));
    board->setMimeData(data);
    copiedDigest() = digestOf(text);
    return 1;
}

int ClearClipboardSecret()
{
    QClipboard* board = clipboard();
    QByteArray& digest = copiedDigest();
    if (!board || digest.isEmpty())
        return 0;
    // ownsClipboard() cannot tell (always false offscreen, and a manager may
    // have taken the selection over with the same text): compare the text.
    QString current = board->text();
    const bool unchanged = digestOf(current) == digest;
    digest.clear();
    if (!unchanged) {
        current.clear();
        return 0;
    }
    // Still the secret: overwritten where the clipboard keeps it (the text
    // shares that buffer while the clipboard is ours) before it is let go.
    WipeSharedSecret(current);
    board->clear();
    return 1;
}

} // namespace platform
