#include "app/platform/session_check.h"

#include <QGuiApplication>

namespace SessionCheck {

std::optional<QString> missingDisplay(const Environment& environment)
{
    // An explicit platform (offscreen, a VNC one) is the user's choice and is honoured.
    if (!environment("DISPLAY").isEmpty() || !environment("WAYLAND_DISPLAY").isEmpty() ||
        !environment("QT_QPA_PLATFORM").isEmpty())
        return std::nullopt;
    return QStringLiteral(
        "Gaugery needs a desktop session: it lives in the tray of an X11 or Wayland desktop, "
        "and neither DISPLAY nor WAYLAND_DISPLAY is set here.\n"
        "To try it anyway, run it in a private session with its own virtual display, bus and "
        "keyring, from the source tree:\n"
        "  scripts/desktop-session -- build/release/bin/gaugery\n"
        "(see the README for taking a screenshot of it there).");
}

bool isWayland()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

} // namespace SessionCheck
