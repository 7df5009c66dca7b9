#pragma once

// A private session bus for the duration of a test, with a stand-in
// GlobalShortcuts portal on it (tests/platform/portal). The environment points
// at the private bus while it lives. The bus has a configuration of its own
// with an empty service folder: the standard session configuration would
// start the machine's installed services on demand, the real desktop portal
// among them, so that "no portal" would find one.
#include <QByteArray>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QDir>
#include <QString>
#include <QStringList>
#include <QCoreApplication>

class PortalBus {
public:
    static constexpr const char* kPython = "/usr/bin/python3";

    // Why no portal test can run here, or empty.
    static QString MissingTools()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
            return QStringLiteral("dbus-daemon is not installed");
        QProcess check;
        check.start(QString::fromLatin1(kPython), {QStringLiteral("-c"), QStringLiteral("import dbus, gi")});
        if (!check.waitForFinished(20000) || check.exitCode() != 0)
            return QStringLiteral("python3-dbus and python3-gi are not installed");
        return QString();
    }

    // mode: see stand_in_portal.py ("plasma", "bind-list", ...), or "" for a bus without a portal.
    explicit PortalBus(const QString& mode, const QString& logFile) : m_logFile(logFile)
    {
        m_oldAddress = qgetenv("DBUS_SESSION_BUS_ADDRESS");
        if (!m_folder.isValid() || !WriteConfig())
            return;
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--config-file=") + m_folder.filePath(QStringLiteral("bus.conf")),
                        QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        if (!m_daemon.waitForStarted(10000))
            return;
        const QDeadlineTimer limit(10000);
        while (!m_daemon.canReadLine() && !limit.hasExpired())
            m_daemon.waitForReadyRead(int(limit.remainingTime()));
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        if (m_address.isEmpty())
            return;
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_address.toUtf8());
        m_ready = true;
        if (mode.isEmpty())
            return;
        m_portal.start(QString::fromLatin1(kPython),
                       {QStringLiteral(VW_SOURCE_DIR "/tests/platform/portal/stand_in_portal.py"), mode, logFile});
        m_ready = m_portal.waitForStarted(10000) && WaitForPortal();
    }

    ~PortalBus()
    {
        for (QProcess* p : {&m_portal, &m_daemon}) {
            if (p->state() != QProcess::NotRunning) {
                p->terminate();
                if (!p->waitForFinished(5000))
                    p->kill();
                p->waitForFinished(5000);
            }
        }
        QDBusConnection::disconnectFromBus(QStringLiteral("portal-test-driver"));
        if (m_oldAddress.isNull())
            qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        else
            qputenv("DBUS_SESSION_BUS_ADDRESS", m_oldAddress);
    }

    bool IsReady() const { return m_ready; }

    // Calls the stand-in's Press(shortcut id), as a key press on the desktop would.
    bool Press(const QString& shortcutId)
    {
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.portal.Desktop"), QStringLiteral("/org/freedesktop/portal/desktop"),
            QStringLiteral("org.example.PortalStandIn"), QStringLiteral("Press"));
        call << shortcutId;
        const QDBusMessage reply = Driver().call(call, QDBus::Block, 5000);
        return reply.type() == QDBusMessage::ReplyMessage && reply.arguments().value(0).toBool();
    }

    // The calls the portal received, in order.
    QList<QJsonObject> Calls() const
    {
        QList<QJsonObject> calls;
        QFile f(m_logFile);
        if (!f.open(QIODevice::ReadOnly))
            return calls;
        while (!f.atEnd()) {
            const QJsonObject line = QJsonDocument::fromJson(f.readLine()).object();
            if (line.contains(QStringLiteral("call")))
                calls << line;
        }
        return calls;
    }

    // The configuration the bus runs with (for tests of the isolation itself).
    QString ConfigFile() const { return m_folder.filePath(QStringLiteral("bus.conf")); }

private:
    bool WriteConfig()
    {
        const QString services = m_folder.filePath(QStringLiteral("services"));
        if (!QDir().mkpath(services))
            return false;
        QFile conf(ConfigFile());
        if (!conf.open(QIODevice::WriteOnly))
            return false;
        const QString text = QStringLiteral(
            "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
            " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
            "<busconfig>\n"
            "  <type>session</type>\n"
            "  <listen>unix:tmpdir=%1</listen>\n"
            "  <auth>EXTERNAL</auth>\n"
            "  <servicedir>%2</servicedir>\n"
            "  <policy context=\"default\">\n"
            "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
            "    <allow eavesdrop=\"true\"/>\n"
            "    <allow own=\"*\"/>\n"
            "  </policy>\n"
            "</busconfig>\n").arg(m_folder.path(), services);
        return conf.write(text.toUtf8()) == text.toUtf8().size();
    }

    QDBusConnection Driver()
    {
        return QDBusConnection::connectToBus(m_address, QStringLiteral("portal-test-driver"));
    }

    bool WaitForPortal()
    {
        const QDeadlineTimer limit(20000);
        QDBusConnection bus = Driver();
        while (!limit.hasExpired()) {
            if (bus.isConnected() &&
                bus.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.portal.Desktop")).value())
                return true;
            if (m_portal.state() == QProcess::NotRunning)
                return false;
            m_portal.waitForReadyRead(50);  // wakes early when it writes or ends
        }
        return false;
    }

    QTemporaryDir m_folder;
    QProcess m_daemon;
    QProcess m_portal;
    QString m_address;
    QString m_logFile;
    QByteArray m_oldAddress;
    bool m_ready = false;
};
