#pragma once

#include <memory>

#include <QObject>
#include <QString>
#include <QVariantMap>

#include "foundation/TesselcoreApi.h"

class QDBusMessage;
class QDBusObjectPath;

namespace platform {

// Global shortcuts on a Wayland session, where the compositor alone sees
// every key: the freedesktop GlobalShortcuts portal (org.freedesktop.portal.
// GlobalShortcuts on the session bus). The program names its shortcuts with a
// preferred key each; the desktop binds them (perhaps after asking the user,
// perhaps to other keys) and reports each press with the Activated signal.
// Everything after the first look for the portal is asynchronous.
//
// Portals differ in where they take the shortcuts from: KDE Plasma 5.27
// registers only those of CreateSession's "shortcuts" option and ignores
// BindShortcuts' list, others bind what BindShortcuts lists. So the shortcuts
// go to both, and the answer decides: a shortcut missing from the desktop's
// "shortcuts" result (or listed without a key) is not bound. One session
// serves the whole run: Plasma names its key set after the session, and keys
// an older session holds are not given to a newer one.
class TESSELCORE_API PortalShortcuts : public QObject {
    Q_OBJECT
public:
    enum class Failure {
        NoPortal,  // no session bus, or no portal offers global shortcuts
        Refused,   // the portal would not create the session or bind the keys
    };
    Q_ENUM(Failure)

    explicit PortalShortcuts(QObject* parent = nullptr);
    ~PortalShortcuts() override;
    PortalShortcuts(const PortalShortcuts&) = delete;
    PortalShortcuts& operator=(const PortalShortcuts&) = delete;

    // The session runs on Wayland: X11 key grabs there see keys only while
    // one of the program's own windows has the focus.
    static bool IsWaylandSession();

    // A portal answered on the session bus when this object was made.
    bool IsAvailable() const;

    // Sets (or replaces) shortcut `id` with its preferred key, a stored hot-key
    // value ((HOTKEYF_ flags << 16) | virtual key). The shortcuts are bound
    // together once the event loop runs, again after every change.
    void SetShortcut(int id, unsigned code, const QString& description);
    void RemoveShortcut(int id);
    bool HasShortcut(int id) const;
    // True once the desktop has bound every current shortcut.
    bool IsBound() const;
    // Shortcuts the desktop's last answer left without a key.
    QList<int> UnboundShortcuts() const;

    // The portal's name for a key, e.g. "ALT+q", "CTRL+ALT+F1"; empty for a
    // key it cannot name.
    static QString PreferredTrigger(unsigned code);

signals:
    void activated(int id);
    // Every current shortcut is bound.
    void bound();
    // The desktop answered, but these shortcuts have no key.
    void notBound(const QList<int>& ids);
    // Told once per object: later changes are not tried again.
    void failed(platform::PortalShortcuts::Failure failure);

private slots:
    void OnSessionCreated(uint response, const QVariantMap& results);
    void OnShortcutsBound(uint response, const QVariantMap& results);
    void OnActivated(const QDBusObjectPath& session, const QString& shortcut, qulonglong timestamp,
                     const QVariantMap& options);

private:
    void ScheduleBind();
    void Bind();
    void SendBindShortcuts();
    // Reads a "shortcuts" result; false when the result has none.
    bool ReadBoundShortcuts(const QVariantMap& results);
    void ReportBinding();
    void Fail(Failure failure);
    void SendRequest(const QDBusMessage& call, const QString& token, const char* slot);
    void EndRequest(const char* slot);

    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace platform
