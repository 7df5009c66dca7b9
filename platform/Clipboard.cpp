#include "platform/Clipboard.h"

#include <QClipboard>
#include <QCryptographicHash>
#include <QGuiApplication>
#include <QMimeData>

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
    return QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha256);
}

QClipboard* clipboard()
{
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::clipboard()
                                                                         : nullptr;
}

} // namespace

int SetClipboardSecret(const QString& text)
{
    QClipboard* board = clipboard();
    if (!board)
        return 0;
    auto* data = new QMimeData;
    data->setText(text);
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
    const bool unchanged = digestOf(board->text()) == digest;
    digest.clear();
    if (!unchanged)
        return 0;
    board->clear();
    return 1;
}

} // namespace platform
