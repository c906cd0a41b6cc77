#pragma once
// Hotkeys as passive key grabs on the root window. Each combination is grabbed
// four times, with and without Num Lock and Caps Lock, so that the lock keys
// do not change what the user presses. A BadAccess answer means another
// client holds the combination. After a keyboard-mapping change the keycodes
// are looked up and grabbed again. A combination is reported when its key is
// released, once however long it was held.
#include "platform/HotKeys.h"

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QTimer>
#include <map>
#include <xcb/xcb.h>

namespace tessarim {

class X11HotKeyGrabber final : public QObject,
                               public HotKeyGrabber,
                               public QAbstractNativeEventFilter {
public:
    X11HotKeyGrabber();
    ~X11HotKeyGrabber() override;

    // False off X11 as well.
    bool Register(int id, std::uint8_t modifiers, std::uint32_t keysym) override;
    void Unregister(int id) override;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    struct Grab {
        std::uint8_t modifiers = 0;
        std::uint32_t keysym = 0;
        xcb_keycode_t keycode = 0;
        std::uint16_t mask = 0;
        bool down = false;
    };
    bool Take(Grab& grab);
    void Release(const Grab& grab);
    void Regrab();
    void Released();
    std::uint16_t LockVariant(int variant) const;

    xcb_connection_t* connection_ = nullptr;
    xcb_window_t root_ = XCB_NONE;
    std::uint16_t numLockMask_ = 0;
    std::uint8_t xkbFirstEvent_ = 0;
    std::map<int, Grab> grabs_;
    QTimer regrab_;
    // The last release of a combination's key, reported unless a repeat follows.
    QTimer release_;
    int releasedId_ = -1;
    xcb_timestamp_t releasedTime_ = 0;
};

} // namespace tessarim
