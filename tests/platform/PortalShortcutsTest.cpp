// Global shortcuts through the desktop portal, against a stand-in portal on a
// private session bus: one that answers as Plasma 5.27 does, one that binds
// BindShortcuts' list, two that refuse, and none at all.
#include <QJsonArray>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include "PortalBus.h"
#include "platform/GlobalHotKeys.h"
#include "platform/PortalShortcuts.h"
#include "platform/WindowTypes.h"
#include "support/TempDir.h"

using platform::GlobalHotKeys;
using platform::PortalShortcuts;

namespace {

constexpr unsigned kAltQ = (HOTKEYF_ALT << 16) | 'Q';
constexpr unsigned kAltA = (HOTKEYF_ALT << 16) | 'A';
constexpr unsigned kAltF1 = (HOTKEYF_ALT << 16) | VK_F1;
constexpr unsigned kCtrlAltK = ((HOTKEYF_CONTROL | HOTKEYF_ALT) << 16) | 'K';

class PortalShortcutsTest : public TempDirTest {
protected:
    void SetUp() override
    {
        const QString missing = PortalBus::MissingTools();
        if (!missing.isEmpty())
            GTEST_SKIP() << missing.toStdString();
    }
    QString log() const { return path() + "portal.log"; }

    // The shortcuts of a CreateSession or BindShortcuts call: id -> preferred trigger.
    static std::map<QString, QString> Triggers(const QJsonObject& call)
    {
        std::map<QString, QString> triggers;
        for (const QJsonValue& s : call["shortcuts"].toArray())
            triggers[s.toObject()["id"].toString()] = s.toObject()["props"].toObject()["preferred_trigger"].toString();
        return triggers;
    }
};

TEST(PortalTriggerTest, StoredHotKeysBecomeThePortalsKeyNames)
{
    EXPECT_EQ(PortalShortcuts::PreferredTrigger(kAltQ), "ALT+q");
    EXPECT_EQ(PortalShortcuts::PreferredTrigger(kAltF1), "ALT+F1");
    EXPECT_EQ(PortalShortcuts::PreferredTrigger(kCtrlAltK), "CTRL+ALT+k");  // 393291
    EXPECT_EQ(PortalShortcuts::PreferredTrigger(((HOTKEYF_SHIFT | HOTKEYF_CONTROL) << 16) | VK_OEM_4),
              "CTRL+SHIFT+bracketleft");
    EXPECT_EQ(PortalShortcuts::PreferredTrigger((HOTKEYF_ALT << 16) | '7'), "ALT+7");
    EXPECT_EQ(PortalShortcuts::PreferredTrigger((HOTKEYF_ALT << 16) | 0x12), "");  // Alt alone names no key
}

TEST_F(PortalShortcutsTest, OnPlasmaTheKeysGoWithTheSessionAndOneSessionServesTheWholeRun)
{
    PortalBus bus("plasma", log());
    ASSERT_TRUE(bus.IsReady());
    PortalShortcuts portal;
    ASSERT_TRUE(portal.IsAvailable());
    QSignalSpy bound(&portal, &PortalShortcuts::bound);
    QSignalSpy notBound(&portal, &PortalShortcuts::notBound);
    QSignalSpy pressed(&portal, &PortalShortcuts::activated);
    QSignalSpy failed(&portal, &PortalShortcuts::failed);
    portal.SetShortcut(13200, kAltQ, "Query");
    portal.SetShortcut(15000, kAltF1, "Show Settings");
    ASSERT_TRUE(bound.wait(10000));
    EXPECT_TRUE(portal.IsBound());

    // Plasma registers what CreateSession names; a BindShortcuts would only
    // open its settings page, so none is sent.
    QList<QJsonObject> calls = bus.Calls();
    ASSERT_EQ(calls.size(), 1);
    EXPECT_EQ(calls[0]["call"].toString(), "CreateSession");
    EXPECT_EQ(calls[0]["options"].toObject()["session_handle_token"].toString(), "vaultwick");
    const std::map<QString, QString> expected = {{"13200", "ALT+q"}, {"15000", "ALT+F1"}};
    EXPECT_EQ(Triggers(calls[0]), expected);
    EXPECT_EQ(calls[0]["shortcuts"].toArray()[0].toObject()["props"].toObject()["description"].toString(), "Query");

    ASSERT_TRUE(bus.Press("13200"));
    ASSERT_TRUE(pressed.wait(10000));
    EXPECT_EQ(pressed[0][0].toInt(), 13200);

    // A key added later goes through the same session; Plasma ignores
    // BindShortcuts' list, so the answer leaves it unbound and says so.
    portal.SetShortcut(13100, kAltA, "Add Entry");
    ASSERT_TRUE(notBound.wait(10000));
    EXPECT_EQ(notBound[0][0].value<QList<int>>(), QList<int>{13100});
    EXPECT_EQ(portal.UnboundShortcuts(), QList<int>{13100});
    EXPECT_FALSE(portal.IsBound());
    calls = bus.Calls();
    ASSERT_EQ(calls.size(), 2);
    EXPECT_EQ(calls[1]["call"].toString(), "BindShortcuts");
    EXPECT_EQ(calls[1]["session"].toString().section('/', -1), "vaultwick");
    EXPECT_EQ(Triggers(calls[1]).at("13100"), "ALT+a");
    // The keys of the session still work.
    ASSERT_TRUE(bus.Press("15000"));
    ASSERT_TRUE(pressed.wait(10000));
    EXPECT_EQ(pressed[1][0].toInt(), 15000);
    EXPECT_FALSE(bus.Press("13100"));
    EXPECT_EQ(failed.count(), 0);
    EXPECT_EQ(bound.count(), 1);
}

TEST_F(PortalShortcutsTest, APortalThatBindsBindShortcutsListGetsEveryChangeThroughTheSameSession)
{
    PortalBus bus("bind-list", log());
    ASSERT_TRUE(bus.IsReady());
    PortalShortcuts portal;
    QSignalSpy bound(&portal, &PortalShortcuts::bound);
    QSignalSpy pressed(&portal, &PortalShortcuts::activated);
    portal.SetShortcut(13200, kAltQ, "Query");
    portal.SetShortcut(13100, kAltA, "Add Entry");
    portal.SetShortcut(15000, kAltF1, "Show Settings");
    ASSERT_TRUE(bound.wait(10000));
    QList<QJsonObject> calls = bus.Calls();
    ASSERT_EQ(calls.size(), 2);
    EXPECT_EQ(calls[0]["call"].toString(), "CreateSession");
    EXPECT_EQ(calls[1]["call"].toString(), "BindShortcuts");
    const std::map<QString, QString> expected = {{"13100", "ALT+a"}, {"13200", "ALT+q"}, {"15000", "ALT+F1"}};
    EXPECT_EQ(Triggers(calls[0]), expected);
    EXPECT_EQ(Triggers(calls[1]), expected);

    portal.SetShortcut(13100, kCtrlAltK, "Add Entry");
    ASSERT_TRUE(bound.wait(10000));
    calls = bus.Calls();
    ASSERT_EQ(calls.size(), 3);  // no Close, no second session
    EXPECT_EQ(calls[2]["call"].toString(), "BindShortcuts");
    EXPECT_EQ(calls[2]["session"].toString(), calls[1]["session"].toString());
    EXPECT_EQ(Triggers(calls[2]).at("13100"), "CTRL+ALT+k");
    ASSERT_TRUE(bus.Press("13100"));
    ASSERT_TRUE(pressed.wait(10000));
    EXPECT_EQ(pressed[0][0].toInt(), 13100);
}

TEST_F(PortalShortcutsTest, AKeyAnotherProgramHoldsIsToldUnboundWhileTheOthersWork)
{
    PortalBus bus("plasma:ALT+q", log());
    ASSERT_TRUE(bus.IsReady());
    PortalShortcuts portal;
    QSignalSpy notBound(&portal, &PortalShortcuts::notBound);
    QSignalSpy bound(&portal, &PortalShortcuts::bound);
    QSignalSpy pressed(&portal, &PortalShortcuts::activated);
    portal.SetShortcut(13200, kAltQ, "Query");
    portal.SetShortcut(13100, kAltA, "Add Entry");
    ASSERT_TRUE(notBound.wait(10000));
    EXPECT_EQ(notBound[0][0].value<QList<int>>(), QList<int>{13200});
    EXPECT_EQ(bound.count(), 0);
    // Listed without a key after CreateSession: BindShortcuts is tried too.
    const QList<QJsonObject> calls = bus.Calls();
    ASSERT_EQ(calls.size(), 2);
    EXPECT_EQ(calls[1]["call"].toString(), "BindShortcuts");
    ASSERT_TRUE(bus.Press("13100"));
    ASSERT_TRUE(pressed.wait(10000));
    EXPECT_EQ(pressed[0][0].toInt(), 13100);
}

TEST_F(PortalShortcutsTest, ARefusingPortalIsReportedOnceAndNotAskedAgain)
{
    for (const char* mode : {"refuse-session", "refuse-bind"}) {
        SCOPED_TRACE(mode);
        QFile::remove(log());
        PortalBus bus(mode, log());
        ASSERT_TRUE(bus.IsReady());
        PortalShortcuts portal;
        ASSERT_TRUE(portal.IsAvailable());
        QSignalSpy failed(&portal, &PortalShortcuts::failed);
        portal.SetShortcut(13200, kAltQ, "Query");
        portal.SetShortcut(13100, kAltA, "Add Entry");
        ASSERT_TRUE(failed.wait(10000));
        EXPECT_EQ(failed[0][0].value<PortalShortcuts::Failure>(), PortalShortcuts::Failure::Refused);
        const qsizetype callsAfterRefusal = bus.Calls().size();
        portal.SetShortcut(15000, kAltF1, "Show Settings");
        QCoreApplication::processEvents();
        EXPECT_FALSE(failed.wait(300));  // nothing more is sent, nothing told twice
        EXPECT_EQ(failed.count(), 1);
        EXPECT_EQ(bus.Calls().size(), callsAfterRefusal);
        EXPECT_FALSE(portal.IsBound());
    }
}

TEST_F(PortalShortcutsTest, WithoutAPortalNothingIsSentAndTheFailureIsTold)
{
    PortalBus bus("", log());
    ASSERT_TRUE(bus.IsReady());
    PortalShortcuts portal;
    EXPECT_FALSE(portal.IsAvailable());
    QSignalSpy failed(&portal, &PortalShortcuts::failed);
    portal.SetShortcut(13200, kAltQ, "Query");
    ASSERT_TRUE(failed.wait(10000));
    EXPECT_EQ(failed[0][0].value<PortalShortcuts::Failure>(), PortalShortcuts::Failure::NoPortal);
}

TEST_F(PortalShortcutsTest, OnAWaylandSessionHotKeysGoThroughThePortal)
{
    const QByteArray oldWayland = qgetenv("WAYLAND_DISPLAY");
    qputenv("WAYLAND_DISPLAY", "wayland-test");
    {
        PortalBus bus("plasma", log());
        ASSERT_TRUE(bus.IsReady());
        GlobalHotKeys keys;
        EXPECT_TRUE(keys.UsesPortal());
        EXPECT_FALSE(keys.IsWaylandWithoutPortal());
        QSignalSpy pressed(&keys, &GlobalHotKeys::activated);
        EXPECT_TRUE(keys.Register(13200, kAltQ, "Query"));
        EXPECT_TRUE(keys.IsRegistered(13200));
        // The binding is asynchronous: the desktop knows the key once the
        // event loop has run the requests.
        const QDeadlineTimer limit(10000);
        bool delivered = false;
        while (!(delivered = bus.Press("13200")) && !limit.hasExpired())
            pressed.wait(20);
        ASSERT_TRUE(delivered);
        ASSERT_TRUE(pressed.count() > 0 || pressed.wait(10000));
        EXPECT_EQ(pressed[0][0].toInt(), 13200);
        keys.Unregister(13200);
        EXPECT_FALSE(keys.IsRegistered(13200));
    }
    {
        PortalBus bus("", log());
        ASSERT_TRUE(bus.IsReady());
        GlobalHotKeys keys;
        EXPECT_TRUE(keys.IsWaylandWithoutPortal());
        EXPECT_EQ(keys.Register(13200, kAltQ, "Query"), 0);
    }
    if (oldWayland.isNull())
        qunsetenv("WAYLAND_DISPLAY");
    else
        qputenv("WAYLAND_DISPLAY", oldWayland);
}

} // namespace
