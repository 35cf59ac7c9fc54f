#include "app/platform/x11_hotkey.h"

#include "models/shortcut_keys.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <cstdlib>

namespace {

constexpr uint16_t ignoredModifiers[] = {XCB_MOD_MASK_LOCK,    XCB_MOD_MASK_2, XCB_MOD_MASK_1,
                                         XCB_MOD_MASK_CONTROL, XCB_MOD_MASK_3, XCB_MOD_MASK_5};

} // namespace

QList<uint16_t> X11Hotkey::grabModifiers()
{
    const unsigned combinations = 1u << std::size(ignoredModifiers);
    QList<uint16_t> result;
    result.reserve(combinations);
    for (unsigned subset = 0; subset < combinations; ++subset) {
        uint16_t mask = requiredModifiers;
        for (unsigned bit = 0; bit < std::size(ignoredModifiers); ++bit) {
            if (subset & (1u << bit))
                mask |= ignoredModifiers[bit];
        }
        result.append(mask);
    }
    return result;
}

bool X11Hotkey::isShortcutPress(uint8_t responseType, xcb_keycode_t detail, uint16_t state)
{
    // The high bit only marks events sent by another client.
    return (responseType & ~0x80) == XCB_KEY_PRESS && detail == keycode &&
           (state & requiredModifiers) == requiredModifiers;
}

X11Hotkey::X11Hotkey(QObject* parent) : GlobalHotkey(parent)
{
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection())
        return;
    m_connection = x11->connection();

    const QList<uint16_t> modifiers = grabModifiers();
    QList<xcb_void_cookie_t> cookies;
    for (const xcb_window_t root : rootWindows()) {
        for (const uint16_t mask : modifiers) {
            cookies.append(xcb_grab_key_checked(m_connection, 1, root, mask, keycode,
                                                XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        }
    }
    bool taken = false;
    for (const xcb_void_cookie_t cookie : cookies) {
        if (xcb_generic_error_t* error = xcb_request_check(m_connection, cookie)) {
            taken = taken || error->error_code == XCB_ACCESS;
            std::free(error);
        }
    }
    if (taken)
        qWarning("Gaugery: another program holds %s", qPrintable(ShortcutKeys::text()));
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11Hotkey::~X11Hotkey()
{
    // Once the application is gone, so is Qt's X connection and its grabs with it.
    if (!m_connection || !QCoreApplication::instance())
        return;
    QCoreApplication::instance()->removeNativeEventFilter(this);
    for (const xcb_window_t root : rootWindows()) {
        for (const uint16_t mask : grabModifiers())
            xcb_ungrab_key(m_connection, keycode, root, mask);
    }
    xcb_flush(m_connection);
}

bool X11Hotkey::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & ~0x80) != XCB_KEY_PRESS)
        return false;
    const auto* press = static_cast<const xcb_key_press_event_t*>(message);
    // Whoever has the focus: the dashboard itself has it once open, and the same keys close it.
    if (isShortcutPress(press->response_type, press->detail, press->state))
        activateLater();
    // Never consumed: Qt takes the press's time for the activation request that follows.
    return false;
}

QList<xcb_window_t> X11Hotkey::rootWindows() const
{
    QList<xcb_window_t> roots;
    for (auto it = xcb_setup_roots_iterator(xcb_get_setup(m_connection)); it.rem;
         xcb_screen_next(&it))
        roots.append(it.data->root);
    return roots;
}
