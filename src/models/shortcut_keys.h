#pragma once

#include <QString>

// The global shortcut that opens and closes the dashboard, Super + Shift + U, in each
// notation it is written in. X11's grab names the same keys by key code and modifier
// mask (X11Hotkey).
namespace ShortcutKeys {

// As keyboards label it.
inline QString text()
{
    return QStringLiteral("Super + Shift + U");
}

// The trigger the GlobalShortcuts portal is asked for.
inline QString portalTrigger()
{
    return QStringLiteral("LOGO+SHIFT+u");
}

} // namespace ShortcutKeys
