#pragma once

#include "models/tray_presentation.h"

#include <QString>

// The tray style in force on this desktop: the stored "trayStyle", else the desktop's
// default, which on GNOME depends on the shell's version.
namespace DesktopTrayStyle {

TrayStyle chosen(const QString& setting);
// GNOME Shell's major version from the session bus, asked until it answers; 0 off GNOME
// or while unknown.
int gnomeShellMajor();

} // namespace DesktopTrayStyle
