#include "platform/SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <unistd.h>

namespace platform {
namespace {

const QByteArray kShowRequest = QByteArrayLiteral("show\n");
const QByteArray kShowAnswer = QByteArrayLiteral("ok\n");
constexpr qint64 kMaxRequestLength = 64;

} // namespace

struct SingleInstance::Impl {
    QString socketPath;
    QLockFile lock;
    std::unique_ptr<QLocalServer> server;

    explicit Impl(const QString& base) : socketPath(base + QStringLiteral(".socket")), lock(base + QStringLiteral(".lock"))
    {
        // Never stale by age: only a lock whose process is gone is stale.
        lock.setStaleLockTime(0);
    }
};

SingleInstance::SingleInstance(const QString& name, const QString& folder, QObject* parent)
    : QObject(parent)
{
    const QString dir = folder.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) : folder;
    // Without a runtime folder, keep users apart in the shared temporary one.
    const QString base = dir.isEmpty()
        ? QDir(QDir::tempPath()).filePath(name + u'-' + QString::number(getuid()))
        : QDir(dir).filePath(name);
    m_impl = std::make_unique<Impl>(base);
}

SingleInstance::~SingleInstance()
{
    // Close (and so remove) the socket before the lock goes: once the lock is
    // free, the socket file may already belong to the next instance.
    m_impl->server.reset();
    if (m_impl->lock.isLocked())
        m_impl->lock.unlock();
}

bool SingleInstance::TryBecomeFirst()
{
    if (m_impl->lock.isLocked())
        return true;
    if (!m_impl->lock.tryLock(0))
        return false;

    // Only the lock holder may remove a socket file: it can only be one left
    // by a dead instance. Listening without the lock would steal the socket
    // of a live first instance.
    QLocalServer::removeServer(m_impl->socketPath);
    auto server = std::make_unique<QLocalServer>();
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (server->listen(m_impl->socketPath)) {
        QLocalServer* raw = server.get();
        connect(raw, &QLocalServer::newConnection, this, [this, raw] {
            while (QLocalSocket* peer = raw->nextPendingConnection()) {
                connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
                connect(peer, &QLocalSocket::readyRead, this, [this, peer] {
                    if (!peer->canReadLine()) {
                        if (peer->bytesAvailable() > kMaxRequestLength)
                            peer->abort();
                        return;
                    }
                    const bool show = peer->readLine(kMaxRequestLength) == kShowRequest;
                    if (show) {
                        peer->write(kShowAnswer);
                        // The handler may open a modal login first: answer
                        // now, not when the event loop next gets around to it.
                        peer->flush();
                    }
                    peer->disconnectFromServer();
                    if (show)
                        emit showRequested();
                });
            }
        });
        m_impl->server = std::move(server);
    }
    // Without the socket this instance is still the only one; a later start
    // then just ends without being able to raise it.
    return true;
}

bool SingleInstance::IsFirst() const
{
    return m_impl->lock.isLocked();
}

bool SingleInstance::AskFirstToShow(int timeoutMs)
{
    if (IsFirst())
        return false;
    QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    socket.connectToServer(m_impl->socketPath);
    if (!socket.waitForConnected(int(deadline.remainingTime())))
        return false;
    socket.write(kShowRequest);
    if (!socket.waitForBytesWritten(int(deadline.remainingTime())))
        return false;
    while (!socket.canReadLine()) {
        if (deadline.hasExpired() || !socket.waitForReadyRead(int(deadline.remainingTime())))
            return false;
    }
    return socket.readLine(kMaxRequestLength) == kShowAnswer;
}

} // namespace platform
