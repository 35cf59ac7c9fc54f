#include "app/platform/compositor.h"

#include "app/platform/session_check.h"

#include <QGuiApplication>

#include <xcb/xcb.h>

#include <memory>

namespace Compositor {

bool isActive()
{
    if (SessionCheck::isWayland())
        return true;
    const auto* x11 =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return false;

    // A compositing manager owns the _NET_WM_CM_S<screen> selection (EWMH).
    const QByteArray name = "_NET_WM_CM_S0";
    xcb_intern_atom_cookie_t atomCookie =
        xcb_intern_atom(connection, 1, uint16_t(name.size()), name.constData());
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&free)> atom(
        xcb_intern_atom_reply(connection, atomCookie, nullptr), &free);
    if (!atom || atom->atom == XCB_ATOM_NONE)
        return false;
    std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&free)> owner(
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, atom->atom),
                                      nullptr),
        &free);
    return owner && owner->owner != XCB_NONE;
}

} // namespace Compositor
