#pragma once

#include <memory>

#include <QObject>

#include "foundation/TesselcoreApi.h"
#include "platform/WindowTypes.h"

namespace platform {

// X key symbol for a virtual-key code (letters, digits, F1-F24, keypad,
// navigation and punctuation keys of a US layout); 0 when the key has none.
TESSELCORE_API unsigned VirtualKeyToKeysym(unsigned virtualKey);

// System-wide hot keys. On X11: passive key grabs on the X root window through
// Qt's own X connection. On a Wayland session, where grabs see keys only while
// the program has the focus: the desktop's GlobalShortcuts portal, which binds
// the keys asynchronously (and may refuse them later: unavailable()). A press
// of a registered key emits activated(id) from the event loop. Without either
// (offscreen, Wayland without the portal) nothing can be registered. Keys are
// released by Unregister and by the destructor.
class TESSELCORE_API GlobalHotKeys : public QObject {
    Q_OBJECT
public:
    explicit GlobalHotKeys(QObject* parent = nullptr);
    ~GlobalHotKeys() override;
    GlobalHotKeys(const GlobalHotKeys&) = delete;
    GlobalHotKeys& operator=(const GlobalHotKeys&) = delete;

    // True when the program runs on an X server that can take grabs.
    static bool IsAvailable();

    // A Wayland session whose desktop offers no GlobalShortcuts portal: no
    // global key can be had at all, whatever key is asked for.
    bool IsWaylandWithoutPortal() const;
    // Keys go through the portal (a Wayland session that offers it).
    bool UsesPortal() const;

    // Grabs `code` for `id`, replacing what `id` held before. `code` is a
    // stored hot-key value: (HOTKEYF_ flags << 16) | virtual key, e.g.
    // (HOTKEYF_ALT << 16) | 'Q' = 262225. Returns 0 when the key is unknown,
    // has no key on this keyboard, is held by another client or by another
    // id, or there is no X11; nonzero on success.
    // Through the portal, 1 means the key was handed to the desktop, which
    // binds it (perhaps to another key the user chose) or refuses it later.
    // `description` names the action to the desktop's shortcut settings.
    int Register(int id, unsigned code, const QString& description = QString());
    // Releases the key of `id`; nothing happens for an id that holds none.
    void Unregister(int id);
    bool IsRegistered(int id) const;

signals:
    void activated(int id);
    // The portal refused the keys, or is gone; told once.
    void unavailable();
    // The portal answered, but left these ids without a key.
    void notBound(const QList<int>& ids);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace platform
