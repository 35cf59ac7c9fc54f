#pragma once

#include "app/platform/global_hotkey.h"

#include <QAbstractNativeEventFilter>
#include <QList>

#include <xcb/xcb.h>

#include <cstdint>

// The shortcut as a passive key grab on every root window of the X display. Key presses
// reach it only while another program is active, as with a global key monitor: while a
// Gaugery window is active they are left to that window.
class X11Hotkey : public GlobalHotkey, public QAbstractNativeEventFilter {
    Q_OBJECT

public:
    // The physical U key: evdev KEY_U (22) plus the X server's offset of 8.
    static constexpr xcb_keycode_t keycode = 30;
    static constexpr uint16_t requiredModifiers = XCB_MOD_MASK_4 | XCB_MOD_MASK_SHIFT;

    // A grab matches only the exact modifier state, so one grab per combination of the
    // modifiers that may be held as well: Lock, NumLock (Mod2), Alt (Mod1), Control, Mod3
    // and Mod5.
    static QList<uint16_t> grabModifiers();
    // Whether an X event is a press of the shortcut; other modifiers may be held too.
    static bool isShortcutPress(uint8_t responseType, xcb_keycode_t detail, uint16_t state);

    explicit X11Hotkey(QObject* parent = nullptr);
    ~X11Hotkey() override;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    QList<xcb_window_t> rootWindows() const;

    xcb_connection_t* m_connection = nullptr;
};
