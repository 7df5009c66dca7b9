#include "platform/PortalShortcuts.h"

#include <atomic>
#include <map>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QVariantMap>

#include "platform/WindowTypes.h"

namespace {

// One shortcut as the portal takes it: a(sa{sv}).
struct PortalShortcutEntry {
    QString id;
    QVariantMap properties;
};
using PortalShortcutList = QList<PortalShortcutEntry>;

QDBusArgument& operator<<(QDBusArgument& arg, const PortalShortcutEntry& entry)
{
    arg.beginStructure();
    arg << entry.id << entry.properties;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, PortalShortcutEntry& entry)
{
    arg.beginStructure();
    arg >> entry.id >> entry.properties;
    arg.endStructure();
    return arg;
}

} // namespace

Q_DECLARE_METATYPE(PortalShortcutEntry)
Q_DECLARE_METATYPE(PortalShortcutList)

namespace platform {
namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString kRequestInterface = QStringLiteral("org.freedesktop.portal.Request");
constexpr int kLookTimeoutMs = 2000;

QString keyName(unsigned vk)
{
    if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9'))
        return QString(QChar(vk)).toLower();
    if (vk >= VK_F1 && vk <= VK_F24)
        return QStringLiteral("F%1").arg(vk - VK_F1 + 1);
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD0 + 9)
        return QStringLiteral("KP_%1").arg(vk - VK_NUMPAD0);
    // Key symbol names, the portal's words for keys.
    static const std::map<unsigned, const char*> names = {
        {VK_BACK, "BackSpace"}, {VK_TAB, "Tab"}, {VK_RETURN, "Return"}, {VK_PAUSE, "Pause"},
        {VK_ESCAPE, "Escape"}, {VK_SPACE, "space"}, {VK_PRIOR, "Prior"}, {VK_NEXT, "Next"},
        {VK_END, "End"}, {VK_HOME, "Home"}, {VK_LEFT, "Left"}, {VK_UP, "Up"}, {VK_RIGHT, "Right"},
        {VK_DOWN, "Down"}, {VK_SNAPSHOT, "Print"}, {VK_INSERT, "Insert"}, {VK_DELETE, "Delete"},
        {VK_MULTIPLY, "KP_Multiply"}, {VK_ADD, "KP_Add"}, {VK_SUBTRACT, "KP_Subtract"},
        {VK_DECIMAL, "KP_Decimal"}, {VK_DIVIDE, "KP_Divide"}, {VK_SCROLL, "Scroll_Lock"},
        {VK_OEM_1, "semicolon"}, {VK_OEM_PLUS, "equal"}, {VK_OEM_COMMA, "comma"}, {VK_OEM_MINUS, "minus"},
        {VK_OEM_PERIOD, "period"}, {VK_OEM_2, "slash"}, {VK_OEM_3, "grave"}, {VK_OEM_4, "bracketleft"},
        {VK_OEM_5, "backslash"}, {VK_OEM_6, "bracketright"}, {VK_OEM_7, "apostrophe"},
    };
    const auto it = names.find(vk);
    return it == names.end() ? QString() : QString::fromLatin1(it->second);
}

std::atomic<int> s_connectionCount{0};

} // namespace

struct PortalShortcuts::Impl {
    QDBusConnection bus{QString()};
    QString privateName;  // set when this object opened its own connection
    bool available = false;
    bool failed = false;
    bool bound = false;
    bool busy = false;      // a request is waiting for its Response
    bool dirty = false;     // the shortcuts changed since the last bind
    bool scheduled = false;
    QString session;        // the session's object path, empty without one
    QString requestPath;    // the request whose Response is awaited
    int tokens = 0;
    struct Shortcut {
        unsigned code = 0;
        QString description;
    };
    std::map<int, Shortcut> shortcuts;
    QList<int> unbound;     // of the desktop's last answer

    QString nextToken() { return QStringLiteral("vaultwick_request%1").arg(++tokens); }

    // Where the portal puts a request made with `token`: known before the
    // call, so the Response cannot arrive before we listen for it.
    QString requestPathFor(const QString& token) const
    {
        QString sender = bus.baseService().mid(1);
        sender.replace(u'.', u'_');
        return kPath + QStringLiteral("/request/") + sender + u'/' + token;
    }

    PortalShortcutList shortcutList() const
    {
        PortalShortcutList list;
        for (const auto& [id, shortcut] : shortcuts) {
            QVariantMap properties;
            properties.insert(QStringLiteral("description"), shortcut.description);
            const QString trigger = PreferredTrigger(shortcut.code);
            if (!trigger.isEmpty())
                properties.insert(QStringLiteral("preferred_trigger"), trigger);
            list.append({QString::number(id), properties});
        }
        return list;
    }
};

PortalShortcuts::PortalShortcuts(QObject* parent) : QObject(parent), m_impl(std::make_unique<Impl>())
{
    // The slot's argument types must be known before the signal is connected.
    qRegisterMetaType<QDBusObjectPath>();
    qDBusRegisterMetaType<PortalShortcutEntry>();
    qDBusRegisterMetaType<PortalShortcutList>();
    // Our own connection to the session bus the environment names now, not
    // the process-wide one, which would keep the bus of the first user.
    const QString address = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
    if (address.isEmpty()) {
        m_impl->bus = QDBusConnection::sessionBus();
    } else {
        m_impl->privateName = QStringLiteral("vaultwick-portal-%1").arg(++s_connectionCount);
        m_impl->bus = QDBusConnection::connectToBus(address, m_impl->privateName);
    }
    if (!m_impl->bus.isConnected())
        return;
    QDBusMessage look = QDBusMessage::createMethodCall(kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                       QStringLiteral("Get"));
    look << kInterface << QStringLiteral("version");
    const QDBusMessage answer = m_impl->bus.call(look, QDBus::Block, kLookTimeoutMs);
    m_impl->available = answer.type() == QDBusMessage::ReplyMessage;
    if (m_impl->available)
        m_impl->bus.connect(kService, kPath, kInterface, QStringLiteral("Activated"), this,
                            SLOT(OnActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
}

PortalShortcuts::~PortalShortcuts()
{
    // The portal ends the sessions of a client that leaves the bus.
    if (!m_impl->privateName.isEmpty())
        QDBusConnection::disconnectFromBus(m_impl->privateName);
}

bool PortalShortcuts::IsWaylandSession()
{
    return qEnvironmentVariable("XDG_SESSION_TYPE") == u"wayland" || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

bool PortalShortcuts::IsAvailable() const
{
    return m_impl->available;
}

QString PortalShortcuts::PreferredTrigger(unsigned code)
{
    const QString key = keyName(code & 0xFF);
    if (key.isEmpty())
        return QString();
    const unsigned flags = (code >> 16) & 0xFF;
    QStringList parts;
    if (flags & HOTKEYF_CONTROL)
        parts << QStringLiteral("CTRL");
    if (flags & HOTKEYF_ALT)
        parts << QStringLiteral("ALT");
    if (flags & HOTKEYF_SHIFT)
        parts << QStringLiteral("SHIFT");
    parts << key;
    return parts.join(u'+');
}

void PortalShortcuts::SetShortcut(int id, unsigned code, const QString& description)
{
    m_impl->shortcuts[id] = {code, description};
    ScheduleBind();
}

void PortalShortcuts::RemoveShortcut(int id)
{
    if (m_impl->shortcuts.erase(id))
        ScheduleBind();
}

bool PortalShortcuts::HasShortcut(int id) const
{
    return m_impl->shortcuts.count(id) != 0;
}

bool PortalShortcuts::IsBound() const
{
    return m_impl->bound && !m_impl->dirty && !m_impl->busy;
}

QList<int> PortalShortcuts::UnboundShortcuts() const
{
    return m_impl->unbound;
}

void PortalShortcuts::ScheduleBind()
{
    m_impl->dirty = true;
    m_impl->bound = false;
    if (m_impl->scheduled || m_impl->failed)
        return;
    m_impl->scheduled = true;
    // Start-up sets all three keys one after the other: bind them together.
    QMetaObject::invokeMethod(this, [this] {
        m_impl->scheduled = false;
        Bind();
    }, Qt::QueuedConnection);
}

void PortalShortcuts::Fail(Failure failure)
{
    if (m_impl->failed)
        return;
    m_impl->failed = true;
    m_impl->busy = false;
    emit failed(failure);
}

void PortalShortcuts::Bind()
{
    if (m_impl->failed || m_impl->busy || !m_impl->dirty)
        return;
    if (!m_impl->available) {
        Fail(Failure::NoPortal);
        return;
    }
    if (m_impl->session.isEmpty() && m_impl->shortcuts.empty())
        return;  // nothing to ask for yet; stays dirty until a shortcut comes
    m_impl->dirty = false;
    if (!m_impl->session.isEmpty()) {
        // A change after the start goes through the same session.
        SendBindShortcuts();
        return;
    }
    const QString token = m_impl->nextToken();
    QVariantMap options;
    options.insert(QStringLiteral("handle_token"), token);
    // The same name every run: Plasma keeps the user's key choices under it.
    options.insert(QStringLiteral("session_handle_token"), QStringLiteral("vaultwick"));
    options.insert(QStringLiteral("shortcuts"), QVariant::fromValue(m_impl->shortcutList()));
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("CreateSession"));
    call << options;
    SendRequest(call, token, SLOT(OnSessionCreated(uint, QVariantMap)));
}

void PortalShortcuts::SendBindShortcuts()
{
    const QString token = m_impl->nextToken();
    QVariantMap options;
    options.insert(QStringLiteral("handle_token"), token);
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("BindShortcuts"));
    call << QVariant::fromValue(QDBusObjectPath(m_impl->session)) << QVariant::fromValue(m_impl->shortcutList())
         << QString() << options;
    SendRequest(call, token, SLOT(OnShortcutsBound(uint, QVariantMap)));
}

bool PortalShortcuts::ReadBoundShortcuts(const QVariantMap& results)
{
    const auto it = results.find(QStringLiteral("shortcuts"));
    if (it == results.end())
        return false;
    PortalShortcutList answered;
    if (it->canConvert<QDBusArgument>())
        answered = qdbus_cast<PortalShortcutList>(it->value<QDBusArgument>());
    else
        answered = it->value<PortalShortcutList>();
    std::map<QString, bool> hasKey;
    for (const PortalShortcutEntry& entry : answered) {
        // A desktop that names no key for it did not bind it (Plasma when
        // another program holds the key).
        const auto trigger = entry.properties.find(QStringLiteral("trigger_description"));
        hasKey[entry.id] = trigger == entry.properties.end() || !trigger->toString().isEmpty();
    }
    m_impl->unbound.clear();
    for (const auto& [id, shortcut] : m_impl->shortcuts) {
        const auto found = hasKey.find(QString::number(id));
        if (found == hasKey.end() || !found->second)
            m_impl->unbound.append(id);
    }
    return true;
}

void PortalShortcuts::ReportBinding()
{
    m_impl->bound = m_impl->unbound.isEmpty();
    if (m_impl->bound)
        emit bound();
    else
        emit notBound(m_impl->unbound);
}

void PortalShortcuts::SendRequest(const QDBusMessage& call, const QString& token, const char* slot)
{
    m_impl->busy = true;
    m_impl->requestPath = m_impl->requestPathFor(token);
    m_impl->bus.connect(kService, m_impl->requestPath, kRequestInterface, QStringLiteral("Response"), this, slot);
    auto* watcher = new QDBusPendingCallWatcher(m_impl->bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, slot] {
        watcher->deleteLater();
        const QDBusPendingReply<QDBusObjectPath> reply = *watcher;
        if (reply.isError()) {
            Fail(Failure::Refused);
            return;
        }
        // Older portals chose the request path themselves.
        const QString path = reply.value().path();
        if (path != m_impl->requestPath) {
            m_impl->bus.disconnect(kService, m_impl->requestPath, kRequestInterface, QStringLiteral("Response"),
                                   this, slot);
            m_impl->requestPath = path;
            m_impl->bus.connect(kService, path, kRequestInterface, QStringLiteral("Response"), this, slot);
        }
    });
}

void PortalShortcuts::EndRequest(const char* slot)
{
    m_impl->bus.disconnect(kService, m_impl->requestPath, kRequestInterface, QStringLiteral("Response"), this, slot);
    m_impl->requestPath.clear();
    m_impl->busy = false;
}

void PortalShortcuts::OnSessionCreated(uint response, const QVariantMap& results)
{
    EndRequest(SLOT(OnSessionCreated(uint, QVariantMap)));
    const QVariant handle = results.value(QStringLiteral("session_handle"));
    const QString session =
        handle.canConvert<QDBusObjectPath>() ? handle.value<QDBusObjectPath>().path() : handle.toString();
    if (response != 0 || session.isEmpty()) {
        Fail(Failure::Refused);
        return;
    }
    m_impl->session = session;
    if (m_impl->dirty) {  // changed meanwhile: bind the current shortcuts
        Bind();
        return;
    }
    // Plasma binds from CreateSession alone, and opens its shortcut settings
    // at every BindShortcuts: ask only a portal that left keys unbound.
    if (ReadBoundShortcuts(results) && m_impl->unbound.isEmpty()) {
        ReportBinding();
        return;
    }
    SendBindShortcuts();
}

void PortalShortcuts::OnShortcutsBound(uint response, const QVariantMap& results)
{
    EndRequest(SLOT(OnShortcutsBound(uint, QVariantMap)));
    if (response != 0) {
        Fail(Failure::Refused);
        return;
    }
    if (m_impl->dirty) {
        Bind();
        return;
    }
    // No "shortcuts" in the answer tells nothing was bound.
    if (!ReadBoundShortcuts(results)) {
        m_impl->unbound.clear();
        for (const auto& [id, shortcut] : m_impl->shortcuts)
            m_impl->unbound.append(id);
    }
    ReportBinding();
}

void PortalShortcuts::OnActivated(const QDBusObjectPath& session, const QString& shortcut, qulonglong,
                                  const QVariantMap&)
{
    if (m_impl->session.isEmpty() || session.path() != m_impl->session)
        return;
    bool ok = false;
    const int id = shortcut.toInt(&ok);
    if (ok && HasShortcut(id))
        emit activated(id);
}

} // namespace platform
