#include "platform/X11HotKeys.h"

#include "platform/X11Keyboard.h"

#include <QCoreApplication>

namespace tessarim {

namespace {

constexpr xcb_keysym_t NumLockKeysym = 0xff7f;
constexpr std::uint8_t BadAccess = 10;
// XKB's notices of a changed keymap (new keyboard, map notify).
constexpr std::uint8_t XkbNewKeyboardNotify = 0;
constexpr std::uint8_t XkbMapNotify = 1;

std::uint16_t XMask(std::uint8_t modifiers) {
    std::uint16_t mask = 0;
    if (modifiers & ModShift) mask |= XCB_MOD_MASK_SHIFT;
    if (modifiers & ModControl) mask |= XCB_MOD_MASK_CONTROL;
    if (modifiers & ModAlt) mask |= XCB_MOD_MASK_1;
    if (modifiers & ModWin) mask |= XCB_MOD_MASK_4;
    return mask;
}

} // namespace

X11HotKeyGrabber::X11HotKeyGrabber() {
    connection_ = X11Connection();
    if (!connection_) return;
    root_ = X11Root();
    numLockMask_ = ModifierMaskOf(connection_, ReadKeyboardMap(connection_), NumLockKeysym);
    const auto xkb = OwnedReply(xcb_query_extension_reply(
        connection_, xcb_query_extension(connection_, 9, "XKEYBOARD"), nullptr));
    if (xkb && xkb->present) xkbFirstEvent_ = xkb->first_event;
    // A burst of mapping notices (a layout switch sends several) is one regrab.
    regrab_.setSingleShot(true);
    regrab_.setInterval(50);
    connect(&regrab_, &QTimer::timeout, this, [this] { Regrab(); });
    release_.setSingleShot(true);
    release_.setInterval(30);
    connect(&release_, &QTimer::timeout, this, [this] { Released(); });
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11HotKeyGrabber::~X11HotKeyGrabber() {
    if (!connection_) return;
    QCoreApplication::instance()->removeNativeEventFilter(this);
    for (const auto& [id, grab] : grabs_)
        Release(grab);
    xcb_flush(connection_);
}

std::uint16_t X11HotKeyGrabber::LockVariant(int variant) const {
    std::uint16_t mask = 0;
    if (variant & 1) mask |= numLockMask_;
    if (variant & 2) mask |= XCB_MOD_MASK_LOCK;
    return mask;
}

bool X11HotKeyGrabber::Take(Grab& grab) {
    const auto place = ReadKeyboardMap(connection_).Find(grab.keysym);
    if (!place) return false;
    grab.keycode = place->keycode;
    grab.mask = XMask(grab.modifiers);
    xcb_void_cookie_t cookies[4];
    for (int variant = 0; variant < 4; ++variant)
        cookies[variant] =
            xcb_grab_key_checked(connection_, 0, root_, grab.mask | LockVariant(variant),
                                 grab.keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
    bool taken = true;
    for (const xcb_void_cookie_t cookie : cookies) {
        const auto error = OwnedReply(xcb_request_check(connection_, cookie));
        // BadAccess: another client holds it. Anything else fails it too.
        if (error) taken = false;
    }
    if (!taken) Release(grab);
    return taken;
}

void X11HotKeyGrabber::Release(const Grab& grab) {
    // Ungrabbing what another client holds is a no-op, so all four go.
    for (int variant = 0; variant < 4; ++variant)
        xcb_ungrab_key(connection_, grab.keycode, root_, grab.mask | LockVariant(variant));
}

bool X11HotKeyGrabber::Register(int id, std::uint8_t modifiers, std::uint32_t keysym) {
    Unregister(id);
    if (!connection_) return false;
    Grab grab{modifiers, keysym};
    if (!Take(grab)) {
        xcb_flush(connection_);
        return false;
    }
    grabs_[id] = grab;
    xcb_flush(connection_);
    return true;
}

void X11HotKeyGrabber::Unregister(int id) {
    const auto found = grabs_.find(id);
    if (found == grabs_.end()) return;
    Release(found->second);
    grabs_.erase(found);
    xcb_flush(connection_);
}

void X11HotKeyGrabber::Released() {
    const auto found = grabs_.find(releasedId_);
    if (found == grabs_.end() || !found->second.down) return;
    found->second.down = false;
    if (OnHotKey) OnHotKey(releasedId_);
}

void X11HotKeyGrabber::Regrab() {
    numLockMask_ = ModifierMaskOf(connection_, ReadKeyboardMap(connection_), NumLockKeysym);
    for (auto it = grabs_.begin(); it != grabs_.end();) {
        Grab& grab = it->second;
        Release(grab);
        if (Take(grab)) {
            ++it;
            continue;
        }
        // The key left the keyboard, or another client took it meanwhile.
        it = grabs_.erase(it);
    }
    xcb_flush(connection_);
}

bool X11HotKeyGrabber::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const std::uint8_t type = event->response_type & ~0x80;
    if (type == XCB_MAPPING_NOTIFY) {
        const auto* notify = reinterpret_cast<const xcb_mapping_notify_event_t*>(event);
        if (notify->request != XCB_MAPPING_POINTER && !grabs_.empty()) regrab_.start();
        return false;
    }
    if (xkbFirstEvent_ != 0 && type == xkbFirstEvent_) {
        const std::uint8_t xkbType = event->pad0; // the XKB event's own type
        if ((xkbType == XkbNewKeyboardNotify || xkbType == XkbMapNotify) && !grabs_.empty())
            regrab_.start();
        return false;
    }
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE) return false;
    const auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event);
    if (key->event != root_) return false;
    const std::uint16_t locks = numLockMask_ | XCB_MOD_MASK_LOCK;
    const std::uint16_t state = key->state & 0xff & ~locks;
    for (auto& [id, grab] : grabs_) {
        if (grab.keycode != key->detail) continue;
        if (type == XCB_KEY_RELEASE) {
            // The combination acts when its key comes up: until then the key
            // grab holds the keyboard, and a paste into the active window
            // would come back to us. Auto-repeat may send a release and a
            // press with the same time: the release waits a moment for it.
            if (grab.down) {
                releasedId_ = id;
                releasedTime_ = key->time;
                release_.start();
            }
            return true;
        }
        if (release_.isActive() && releasedId_ == id && releasedTime_ == key->time) {
            release_.stop(); // a repeat: the key is still down
            return true;
        }
        if (state == grab.mask) grab.down = true;
        return true;
    }
    return false;
}

} // namespace tessarim
