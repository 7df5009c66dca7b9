#include "platform/TrayIcon.h"

#include <QAction>
#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QFileInfo>
#include <QIcon>
#include <QIconEngine>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>
#include <QSystemTrayIcon>
#include <QTimer>

namespace platform {
namespace {

QIcon drawnIcon()
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(0x2E, 0x5C, 0x8A));
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(QRectF(1, 1, 30, 30), 6, 6);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(22);
    painter.setFont(font);
    painter.drawText(QRect(0, 0, 32, 32), Qt::AlignCenter, QStringLiteral("V"));
    return QIcon(pixmap);
}

// Draws the SVG afresh at whatever size is asked for, so a tray on a 2x
// screen gets a sharp 44-pixel icon instead of a scaled 22-pixel one.
class SvgIconEngine : public QIconEngine {
public:
    explicit SvgIconEngine(const QString& file) : m_file(file), m_renderer(file) {}
    bool isValid() const { return m_renderer.isValid(); }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override
    {
        m_renderer.render(painter, QRectF(rect));
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return scaledPixmap(size, mode, state, 1.0);
    }
    // `size` is in device pixels already; `scale` only marks the result.
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override
    {
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        {
            QPainter painter(&pixmap);
            painter.setRenderHint(QPainter::Antialiasing);
            paint(&painter, QRect(QPoint(0, 0), pixmap.size()), mode, state);
        }
        pixmap.setDevicePixelRatio(scale);
        return pixmap;
    }
    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override { return {}; }
    QIconEngine* clone() const override { return new SvgIconEngine(m_file); }
    QString key() const override { return QStringLiteral("VaultwickSvg"); }

private:
    QString m_file;
    QSvgRenderer m_renderer;
};

QIcon iconFromFile(const QString& file)
{
    if (!QFileInfo::exists(file))
        return QIcon();
    if (file.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive)) {
        auto engine = std::make_unique<SvgIconEngine>(file);
        if (engine->isValid())
            return QIcon(engine.release());
        return QIcon();
    }
    return QIcon(file);
}

// A StatusNotifier host (a Plasma panel, a GNOME extension) on the session
// bus: what Qt's D-Bus tray needs.
bool statusNotifierHostOnBus()
{
    static const QString watcher = QStringLiteral("org.kde.StatusNotifierWatcher");
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(watcher))
        return false;
    QDBusMessage get = QDBusMessage::createMethodCall(watcher, QStringLiteral("/StatusNotifierWatcher"),
                                                     QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("Get"));
    get << watcher << QStringLiteral("IsStatusNotifierHostRegistered");
    const QDBusMessage reply = bus.call(get, QDBus::Block, 1000);
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
           reply.arguments().first().value<QDBusVariant>().variant().toBool();
}

} // namespace

QIcon IconFromFile(const QString& file)
{
    return file.isEmpty() ? QIcon() : iconFromFile(file);
}

// Qt decides once per process, at its first tray object or question, whether
// the tray goes over D-Bus; on Wayland there is no other way, so deciding
// before the panel runs would leave the program without an icon for good.
std::function<bool()> TrayIcon::s_fnQtMayDecide = [] {
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland")) || statusNotifierHostOnBus();
};

std::function<bool()> TrayIcon::s_fnHostPresent = [] {
    return s_fnQtMayDecide() && QSystemTrayIcon::isSystemTrayAvailable();
};

struct TrayIcon::Impl {
    // Made once Qt may decide how to reach the tray (see s_fnQtMayDecide).
    std::unique_ptr<QSystemTrayIcon> icon;
    QIcon image;
    QString toolTip;
    QTimer hostPoll;
    bool wanted = false;  // Show() was asked for
    bool host = false;    // a tray host was there at the last look
    // A QMenu cannot have a QObject parent; it lives as long as the icon.
    std::unique_ptr<QMenu> menu = std::make_unique<QMenu>();
};

TrayIcon::TrayIcon(QObject* parent) : QObject(parent), m_impl(std::make_unique<Impl>())
{
    m_impl->menu->setObjectName(QStringLiteral("TrayMenu"));
    m_impl->menu->setWindowTitle(QStringLiteral("Tray menu")); // never shown; lets tests find the popup
    SetIcon(QString());
    MakeIcon();
    m_impl->host = IsAvailable();
    // Qt reports no tray host coming or going; a look every two seconds costs
    // one round trip to the display (or the session bus).
    m_impl->hostPoll.setInterval(s_iHostPollMs);
    connect(&m_impl->hostPoll, &QTimer::timeout, this, &TrayIcon::CheckHost);
}

TrayIcon::~TrayIcon()
{
    if (m_impl->icon) {
        m_impl->icon->hide();
        m_impl->icon->setParent(nullptr); // owned by Impl, not by the QObject tree
    }
}

void TrayIcon::MakeIcon()
{
    if (m_impl->icon || !s_fnQtMayDecide())
        return;
    m_impl->icon = std::make_unique<QSystemTrayIcon>(m_impl->image);
    QSystemTrayIcon* icon = m_impl->icon.get();
    icon->setParent(this);
    icon->setToolTip(m_impl->toolTip);
    icon->setContextMenu(m_impl->menu.get());
    connect(icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            emit clicked();
        else if (reason == QSystemTrayIcon::DoubleClick)
            emit doubleClicked();
    });
}

bool TrayIcon::IsAvailable()
{
    return s_fnHostPresent();
}

void TrayIcon::CheckHost()
{
    const bool present = IsAvailable();
    if (present == m_impl->host)
        return;
    m_impl->host = present;
    if (present)
        MakeIcon();
    if (m_impl->wanted && m_impl->icon) {
        // Shown again, the icon docks into the new host; hidden, Qt's X11
        // icon window does not stray onto the screen while there is none.
        m_impl->icon->hide();
        if (present)
            m_impl->icon->show();
    }
    emit hostChanged(present);
}

void TrayIcon::SetIcon(const QString& imageFile)
{
    QIcon image = IconFromFile(imageFile);
    if (image.pixmap(32).isNull())
        image = QApplication::windowIcon();
    if (image.isNull())
        image = drawnIcon();
    m_impl->image = image;
    if (m_impl->icon)
        m_impl->icon->setIcon(image);
}

void TrayIcon::SetToolTip(const QString& text)
{
    m_impl->toolTip = text;
    if (m_impl->icon)
        m_impl->icon->setToolTip(text);
}

void TrayIcon::SetMenu(const QList<MenuItem>& items)
{
    QMenu* menu = m_impl->menu.get();
    menu->clear();
    for (const MenuItem& item : items) {
        if (item.id == 0) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(item.text);
        action->setData(item.id);
        connect(action, &QAction::triggered, this, [this, id = item.id] { emit menuCommand(id); });
    }
}

void TrayIcon::Show()
{
    m_impl->wanted = true;
    m_impl->hostPoll.start();
    if (m_impl->icon)
        m_impl->icon->show();
}

void TrayIcon::Hide()
{
    m_impl->wanted = false;
    m_impl->hostPoll.stop();
    if (m_impl->icon)
        m_impl->icon->hide();
}

bool TrayIcon::IsVisible() const
{
    return m_impl->wanted && m_impl->host;
}

QIcon TrayIcon::GetIcon() const
{
    return m_impl->image;
}

} // namespace platform
