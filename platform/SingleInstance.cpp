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

// One request per connection: a line "<command>[ <argument>]" in UTF-8,
// answered by "ok" when the command is carried out, by an error line when the
// command is unknown; anything else is hung up on.
const QByteArray kAnswer = QByteArrayLiteral("ok\n");
const QByteArray kUnknownAnswer = QByteArrayLiteral("error unknown command\n");
constexpr qint64 kMaxRequestLength = 4096;

bool IsCommandName(const QString& command)
{
    if (command.isEmpty() || command.size() > 32)
        return false;
    for (QChar c : command)
        if (!(c.isLower() && c.unicode() < 0x80))
            return false;
    return true;
}

} // namespace

struct SingleInstance::Impl {
    QString socketPath;
    QLockFile lock;
    std::unique_ptr<QLocalServer> server;
    QStringList commands;

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
                    QString line = QString::fromUtf8(peer->readLine(kMaxRequestLength));
                    const bool understood = line.endsWith(u'\n');
                    line.chop(1);
                    const qsizetype space = line.indexOf(u' ');
                    const QString command = line.left(space);
                    const QString argument = space < 0 ? QString() : line.mid(space + 1);
                    const bool wellFormed = understood && IsCommandName(command);
                    const bool known = wellFormed &&
                                       (m_impl->commands.isEmpty() || m_impl->commands.contains(command));
                    if (wellFormed) {
                        peer->write(known ? kAnswer : kUnknownAnswer);
                        // The handler may open a modal login first: answer
                        // now, not when the event loop next gets around to it.
                        peer->flush();
                    }
                    peer->disconnectFromServer();
                    if (known)
                        emit requested(command, argument);
                });
            }
        });
        m_impl->server = std::move(server);
    }
    // Without the socket this instance is still the only one; a later start
    // then just ends without being able to raise it.
    return true;
}

void SingleInstance::SetCommands(const QStringList& names)
{
    m_impl->commands = names;
}

bool SingleInstance::IsFirst() const
{
    return m_impl->lock.isLocked();
}

bool SingleInstance::AskFirstToShow(int timeoutMs)
{
    return AskFirst(QStringLiteral("show"), QString(), timeoutMs);
}

bool SingleInstance::AskFirst(const QString& command, const QString& argument, int timeoutMs)
{
    if (IsFirst() || !IsCommandName(command))
        return false;
    // A line break would end the request early: the argument is one line.
    QString line = command;
    if (!argument.isEmpty())
        line += u' ' + QString(argument).replace(u'\n', u' ').replace(u'\r', u' ');
    const QByteArray request = line.toUtf8().left(kMaxRequestLength - 1) + '\n';
    QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    socket.connectToServer(m_impl->socketPath);
    if (!socket.waitForConnected(int(deadline.remainingTime())))
        return false;
    socket.write(request);
    if (!socket.waitForBytesWritten(int(deadline.remainingTime())))
        return false;
    while (!socket.canReadLine()) {
        if (deadline.hasExpired() || !socket.waitForReadyRead(int(deadline.remainingTime())))
            return false;
    }
    return socket.readLine(kMaxRequestLength) == kAnswer;
}

} // namespace platform
