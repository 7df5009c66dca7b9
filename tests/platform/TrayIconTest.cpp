#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QMenu>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <functional>

#include <gtest/gtest.h>

#include "platform/TrayIcon.h"

using platform::TrayIcon;

namespace {

QMenu* trayMenu()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* menu = qobject_cast<QMenu*>(w); menu && menu->objectName() == QLatin1String("TrayMenu"))
            return menu;
    return nullptr;
}

QAction* actionNamed(QMenu* menu, const QString& text)
{
    for (QAction* a : menu->actions())
        if (a->text() == text)
            return a;
    return nullptr;
}

TEST(TrayIconTest, UsableWithoutATrayHost)
{
    EXPECT_FALSE(TrayIcon::IsAvailable());
    TrayIcon tray;
    tray.SetToolTip(QStringLiteral("Vaultwick"));
    tray.SetIcon(QStringLiteral("/no/such/icon.png"));
    tray.Show();
    tray.Hide();
    EXPECT_FALSE(tray.IsVisible());
}

// A panel that starts after the program, goes away and comes back: the icon
// follows it, and only a shown icon asks for a host at all.
TEST(TrayIconTest, AShownIconFollowsItsHostComingGoingAndComingBack)
{
    bool host = false;
    struct Restore {
        ~Restore() { TrayIcon::s_fnHostPresent = [] { return QSystemTrayIcon::isSystemTrayAvailable(); }; }
    } restore;
    TrayIcon::s_fnHostPresent = [&host] { return host; };
    {
        TrayIcon tray;
        auto* icon = tray.findChild<QSystemTrayIcon*>();
        ASSERT_NE(icon, nullptr);
        QSignalSpy changes(&tray, &TrayIcon::hostChanged);
        tray.Show();
        EXPECT_FALSE(tray.IsVisible());

        host = true;
        tray.CheckHost();
        ASSERT_EQ(changes.count(), 1);
        EXPECT_TRUE(changes[0][0].toBool());
        EXPECT_TRUE(tray.IsVisible());
        EXPECT_TRUE(icon->isVisible());
        tray.CheckHost();  // no change, nothing told
        EXPECT_EQ(changes.count(), 1);

        host = false;
        tray.CheckHost();
        ASSERT_EQ(changes.count(), 2);
        EXPECT_FALSE(changes[1][0].toBool());
        EXPECT_FALSE(tray.IsVisible());
        EXPECT_FALSE(icon->isVisible());

        host = true;
        tray.CheckHost();
        EXPECT_TRUE(tray.IsVisible());
        EXPECT_TRUE(icon->isVisible());

        // A hidden icon stays hidden whatever the host does.
        tray.Hide();
        host = false;
        tray.CheckHost();
        host = true;
        tray.CheckHost();
        EXPECT_FALSE(icon->isVisible());
    }
}

// On Wayland Qt settles for good, at its first tray object, whether a tray
// exists: no tray object may be made before a host is on the bus, and the one
// made when the panel comes carries what was set before.
TEST(TrayIconTest, OnAWaylandDesktopTheIconIsMadeOnlyOnceAPanelRuns)
{
    bool panel = false;
    struct Restore {
        std::function<bool()> present = TrayIcon::s_fnHostPresent, decide = TrayIcon::s_fnQtMayDecide;
        ~Restore()
        {
            TrayIcon::s_fnHostPresent = present;
            TrayIcon::s_fnQtMayDecide = decide;
        }
    } restore;
    TrayIcon::s_fnQtMayDecide = [&panel] { return panel; };
    TrayIcon::s_fnHostPresent = [&panel] { return panel; };
    TrayIcon tray;
    tray.SetToolTip(QStringLiteral("Vaultwick"));
    tray.SetMenu({{2, QStringLiteral("Exit")}});
    tray.Show();
    tray.CheckHost();
    EXPECT_EQ(tray.findChild<QSystemTrayIcon*>(), nullptr);
    EXPECT_FALSE(tray.IsVisible());

    panel = true;
    tray.CheckHost();
    auto* icon = tray.findChild<QSystemTrayIcon*>();
    ASSERT_NE(icon, nullptr);
    EXPECT_TRUE(tray.IsVisible());
    EXPECT_TRUE(icon->isVisible());
    EXPECT_EQ(icon->toolTip(), QStringLiteral("Vaultwick"));
    EXPECT_FALSE(icon->icon().isNull());
    ASSERT_NE(icon->contextMenu(), nullptr);
    EXPECT_EQ(icon->contextMenu()->actions().size(), 1);
}

TEST(TrayIconTest, MenuReportsTheIdOfTheChosenItem)
{
    TrayIcon tray;
    QSignalSpy commands(&tray, &TrayIcon::menuCommand);
    tray.SetMenu({{1027, QStringLiteral("Help")}, {1026, QStringLiteral("About")},
                  {1028, QStringLiteral("Show settings")}, {0, QString()}, {2, QStringLiteral("Exit")}});
    QMenu* menu = trayMenu();
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 5);
    EXPECT_EQ(menu->actions().at(0)->text(), QStringLiteral("Help"));
    EXPECT_TRUE(menu->actions().at(3)->isSeparator());

    actionNamed(menu, QStringLiteral("Exit"))->trigger();
    actionNamed(menu, QStringLiteral("Show settings"))->trigger();
    ASSERT_EQ(commands.count(), 2);
    EXPECT_EQ(commands.at(0).at(0).toInt(), 2);
    EXPECT_EQ(commands.at(1).at(0).toInt(), 1028);

    // A language switch replaces the texts; each item still reports once.
    commands.clear();
    tray.SetMenu({{1027, QStringLiteral("Hilfe")}, {2, QStringLiteral("Beenden")}});
    ASSERT_EQ(menu->actions().size(), 2);
    actionNamed(menu, QStringLiteral("Beenden"))->trigger();
    ASSERT_EQ(commands.count(), 1);
    EXPECT_EQ(commands.at(0).at(0).toInt(), 2);
}

TEST(TrayIconTest, DoubleClickIsReportedApartFromClicks)
{
    TrayIcon tray;
    auto* icon = tray.findChild<QSystemTrayIcon*>();
    ASSERT_NE(icon, nullptr);
    QSignalSpy clicks(&tray, &TrayIcon::clicked);
    QSignalSpy doubleClicks(&tray, &TrayIcon::doubleClicked);

    // What the X11 tray delivers for one double click.
    emit icon->activated(QSystemTrayIcon::Trigger);
    emit icon->activated(QSystemTrayIcon::Trigger);
    emit icon->activated(QSystemTrayIcon::DoubleClick);
    emit icon->activated(QSystemTrayIcon::Context);
    emit icon->activated(QSystemTrayIcon::MiddleClick);
    EXPECT_EQ(clicks.count(), 2);
    EXPECT_EQ(doubleClicks.count(), 1);
}

} // namespace

namespace {

// Share of pixels that are neither fully transparent nor fully opaque: an
// image scaled up from a smaller one has wide soft edges, one drawn at its
// size has thin ones.
double SoftEdgeShare(const QImage& image)
{
    int soft = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const int alpha = qAlpha(image.pixel(x, y));
            soft += alpha > 0 && alpha < 255;
        }
    return double(soft) / (image.width() * image.height());
}

TEST(TrayIconTest, TheSvgIconIsDrawnAtTheSizeTheTrayAsksFor)
{
    TrayIcon tray;
    tray.SetIcon(QStringLiteral(VW_SOURCE_DIR "/packaging/vaultwick.svg"));
    const QIcon icon = tray.GetIcon();
    for (int size : {16, 22, 44, 64}) {
        const QPixmap pixmap = icon.pixmap(QSize(size, size));
        EXPECT_EQ(pixmap.size(), QSize(size, size)) << size;
    }
    // A 2x screen: 22 logical pixels drawn on 44 device pixels.
    const QPixmap hiDpi = icon.pixmap(QSize(22, 22), 2.0);
    EXPECT_EQ(hiDpi.size(), QSize(44, 44));
    EXPECT_EQ(hiDpi.devicePixelRatio(), 2.0);

    const QImage drawn = hiDpi.toImage();
    const QImage scaled = icon.pixmap(QSize(22, 22)).toImage().scaled(44, 44, Qt::IgnoreAspectRatio,
                                                                      Qt::SmoothTransformation);
    EXPECT_LT(SoftEdgeShare(drawn), SoftEdgeShare(scaled));

    EXPECT_TRUE(platform::IconFromFile(QStringLiteral("/no/such/icon.svg")).isNull());
}

} // namespace
