#pragma once

#include <QString>

#include <functional>
#include <optional>

// Whether the process can reach a desktop session at all. Without one, Qt would abort
// with a message about platform plugins that tells a user nothing.
namespace SessionCheck {

using Environment = std::function<QString(const char* name)>;

// A message for the user when no display is reachable, nothing when there is one.
std::optional<QString> missingDisplay(const Environment& environment);

// Whether the program runs as a Wayland client, where windows cannot place themselves
// and X11 grabs do not work.
bool isWayland();

} // namespace SessionCheck
