#include "platform/GlobalHotKeys.h"

#include <cstdlib>
#include <map>
#include <set>
#include <vector>

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QGuiApplication>
#include <xcb/xcb.h>

#include "platform/Application.h"
#include "platform/PortalShortcuts.h"

#define XK_MISCELLANY
#define XK_LATIN1
#include <X11/keysymdef.h>

namespace platform {

unsigned VirtualKeyToKeysym(unsigned vk)
{
    if (vk >= 'A' && vk <= 'Z')
        return XK_a + (vk - 'A'); // the unshifted symbol names the key
    if (vk >= '0' && vk <= '9')
        return XK_0 + (vk - '0');
    if (vk >= VK_F1 && vk <= VK_F24)
        return XK_F1 + (vk - VK_F1);
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD0 + 9)
        return XK_KP_0 + (vk - VK_NUMPAD0);
    switch (vk) {
    case VK_BACK: return XK_BackSpace;
    case VK_TAB: return XK_Tab;
    case VK_RETURN: return XK_Return;
    case VK_PAUSE: return XK_Pause;
    case VK_ESCAPE: return XK_Escape;
    case VK_SPACE: return XK_space;
    case VK_PRIOR: return XK_Prior;
    case VK_NEXT: return XK_Next;
    case VK_END: return XK_End;
    case VK_HOME: return XK_Home;
    case VK_LEFT: return XK_Left;
    case VK_UP: return XK_Up;
    case VK_RIGHT: return XK_Right;
    case VK_DOWN: return XK_Down;
    case VK_SNAPSHOT: return XK_Print;
    case VK_INSERT: return XK_Insert;
    case VK_DELETE: return XK_Delete;
    case VK_MULTIPLY: return XK_KP_Multiply;
    case VK_ADD: return XK_KP_Add;
    case VK_SEPARATOR: return XK_KP_Separator;
    case VK_SUBTRACT: return XK_KP_Subtract;
    case VK_DECIMAL: return XK_KP_Decimal;
    case VK_DIVIDE: return XK_KP_Divide;
    case VK_SCROLL: return XK_Scroll_Lock;
    // The punctuation keys by their place on a US keyboard.
    case VK_OEM_1: return XK_semicolon;
    case VK_OEM_PLUS: return XK_equal;
    case VK_OEM_COMMA: return XK_comma;
    case VK_OEM_MINUS: return XK_minus;
    case VK_OEM_PERIOD: return XK_period;
    case VK_OEM_2: return XK_slash;
    case VK_OEM_3: return XK_grave;
    case VK_OEM_4: return XK_bracketleft;
    case VK_OEM_5: return XK_backslash;
    case VK_OEM_6: return XK_bracketright;
    case VK_OEM_7: return XK_apostrophe;
    default: return 0;
    }
}

namespace {

// Modifiers that take part in a hot key; CapsLock and NumLock (Mod2 on every
// common keymap) are ignored by grabbing each of their four combinations.
constexpr uint16_t kHotKeyModMask = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1;
constexpr uint16_t kLockVariants[] = {0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2,
                                      XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2};

uint16_t xModifiers(unsigned hotKeyFlags)
{
    uint16_t mods = 0;
    if (hotKeyFlags & HOTKEYF_SHIFT)
        mods |= XCB_MOD_MASK_SHIFT;
    if (hotKeyFlags & HOTKEYF_CONTROL)
        mods |= XCB_MOD_MASK_CONTROL;
    if (hotKeyFlags & HOTKEYF_ALT)
        mods |= XCB_MOD_MASK_1;
    return mods;
}

template <typename T>
struct FreeDeleter {
    void operator()(T* p) const { std::free(p); }
};
template <typename T>
using XcbReply = std::unique_ptr<T, FreeDeleter<T>>;

// The key code that produces `keysym`, preferring the key's unshifted symbol.
xcb_keycode_t keycodeFor(xcb_connection_t* c, unsigned keysym)
{
    const xcb_setup_t* setup = xcb_get_setup(c);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    XcbReply<xcb_get_keyboard_mapping_reply_t> reply(xcb_get_keyboard_mapping_reply(
        c, xcb_get_keyboard_mapping(c, setup->min_keycode, static_cast<uint8_t>(count)), nullptr));
    if (!reply || reply->keysyms_per_keycode == 0)
        return 0;
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(reply.get());
    const int perKey = reply->keysyms_per_keycode;
    const int total = xcb_get_keyboard_mapping_keysyms_length(reply.get());
    for (int level = 0; level < perKey; ++level)
        for (int key = 0; key * perKey + level < total; ++key)
            if (syms[key * perKey + level] == keysym)
                return static_cast<xcb_keycode_t>(setup->min_keycode + key);
    return 0;
}

std::vector<xcb_window_t> rootWindows(xcb_connection_t* c)
{
    std::vector<xcb_window_t> roots;
    for (auto it = xcb_setup_roots_iterator(xcb_get_setup(c)); it.rem; xcb_screen_next(&it))
        roots.push_back(it.data->root);
    return roots;
}

struct Grab {
    xcb_keycode_t keycode = 0;
    uint16_t modifiers = 0;
    bool operator<(const Grab& o) const
    {
        return keycode != o.keycode ? keycode < o.keycode : modifiers < o.modifiers;
    }
};

// X lets a client grab the same key twice without complaint; the keys every
// GlobalHotKeys of this process holds are kept here so a second id is refused.
std::set<Grab>& grabsOfProcess()
{
    static std::set<Grab> grabs;
    return grabs;
}

void ungrab(xcb_connection_t* c, const Grab& g)
{
    for (xcb_window_t root : rootWindows(c))
        for (uint16_t lock : kLockVariants)
            xcb_ungrab_key(c, g.keycode, root, g.modifiers | lock);
    xcb_flush(c);
}

} // namespace

struct GlobalHotKeys::Impl : QAbstractNativeEventFilter {
    GlobalHotKeys* owner = nullptr;
    xcb_connection_t* connection = nullptr;
    std::unique_ptr<PortalShortcuts> portal;  // instead of grabs on a Wayland session
    std::map<int, Grab> grabs;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override
    {
        if (eventType != "xcb_generic_event_t")
            return false;
        auto* event = static_cast<xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7F) != XCB_KEY_PRESS)
            return false;
        auto* press = reinterpret_cast<xcb_key_press_event_t*>(event);
        const Grab pressed{press->detail, static_cast<uint16_t>(press->state & kHotKeyModMask)};
        for (const auto& [id, grab] : grabs) {
            if (grab.keycode == pressed.keycode && grab.modifiers == pressed.modifiers) {
                // Handlers open modal windows; run them from the event loop,
                // not from inside the X event dispatch (and not for a key
                // released in between).
                QMetaObject::invokeMethod(
                    owner,
                    [o = owner, id = id] {
                        if (o->IsRegistered(id))
                            emit o->activated(id);
                    },
                    Qt::QueuedConnection);
                return true;
            }
        }
        return false;
    }

    void release(int id)
    {
        auto it = grabs.find(id);
        if (it == grabs.end())
            return;
        ungrab(connection, it->second);
        grabsOfProcess().erase(it->second);
        grabs.erase(it);
    }
};

GlobalHotKeys::GlobalHotKeys(QObject* parent)
    : QObject(parent), m_impl(std::make_unique<Impl>())
{
    m_impl->owner = this;
    if (PortalShortcuts::IsWaylandSession()) {
        m_impl->portal = std::make_unique<PortalShortcuts>();
        connect(m_impl->portal.get(), &PortalShortcuts::activated, this, &GlobalHotKeys::activated);
        connect(m_impl->portal.get(), &PortalShortcuts::failed, this, &GlobalHotKeys::unavailable);
        connect(m_impl->portal.get(), &PortalShortcuts::notBound, this, &GlobalHotKeys::notBound);
        return;
    }
    m_impl->connection = X11Connection();
    if (m_impl->connection)
        QCoreApplication::instance()->installNativeEventFilter(m_impl.get());
}

GlobalHotKeys::~GlobalHotKeys()
{
    // After the application is gone its X connection is closed, and the
    // server has dropped the grabs with it.
    if (!m_impl->connection || !QCoreApplication::instance()) {
        for (const auto& [id, grab] : m_impl->grabs)
            grabsOfProcess().erase(grab);
        return;
    }
    while (!m_impl->grabs.empty())
        m_impl->release(m_impl->grabs.begin()->first);
    QCoreApplication::instance()->removeNativeEventFilter(m_impl.get());
}

bool GlobalHotKeys::IsAvailable()
{
    return X11Connection() != nullptr;
}

bool GlobalHotKeys::IsWaylandWithoutPortal() const
{
    return m_impl->portal && !m_impl->portal->IsAvailable();
}

bool GlobalHotKeys::UsesPortal() const
{
    return m_impl->portal && m_impl->portal->IsAvailable();
}

int GlobalHotKeys::Register(int id, unsigned code, const QString& description)
{
    Unregister(id);
    if (m_impl->portal) {
        if (!m_impl->portal->IsAvailable() || (code & 0xFF) == 0)
            return 0;
        m_impl->portal->SetShortcut(id, code, description);
        return 1;
    }
    xcb_connection_t* c = m_impl->connection;
    const unsigned keysym = VirtualKeyToKeysym(code & 0xFF);
    if (!c || !keysym)
        return 0;
    const Grab grab{keycodeFor(c, keysym), xModifiers(code >> 16)};
    if (grab.keycode == 0 || grabsOfProcess().count(grab))
        return 0;

    // Checked grabs: a key another client holds answers BadAccess here,
    // synchronously, instead of as an asynchronous error event.
    std::vector<xcb_void_cookie_t> cookies;
    for (xcb_window_t root : rootWindows(c))
        for (uint16_t lock : kLockVariants)
            cookies.push_back(xcb_grab_key_checked(c, 0, root, grab.modifiers | lock, grab.keycode,
                                                   XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    bool refused = false;
    for (const auto& cookie : cookies) {
        XcbReply<xcb_generic_error_t> error(xcb_request_check(c, cookie));
        refused = refused || error != nullptr;
    }
    if (refused) {
        ungrab(c, grab); // drops the variants that were granted
        return 0;
    }
    m_impl->grabs[id] = grab;
    grabsOfProcess().insert(grab);
    return 1;
}

void GlobalHotKeys::Unregister(int id)
{
    if (m_impl->portal)
        m_impl->portal->RemoveShortcut(id);
    else
        m_impl->release(id);
}

bool GlobalHotKeys::IsRegistered(int id) const
{
    return m_impl->portal ? m_impl->portal->HasShortcut(id) : m_impl->grabs.count(id) != 0;
}

} // namespace platform
