#pragma once

#include "app/platform/autostart_entry.h"

#include <QString>

#include <functional>

class UserDefaults;

// Applies the "launchAtLogin" choice to the autostart entry. Failures are printed and
// change nothing else: start-up goes on and the stored choice stays as it is.
class LaunchAtLogin {
public:
    using Printer = std::function<void(const QString&)>;

    LaunchAtLogin(UserDefaults& defaults, AutostartEntry entry, Printer print);

    // At every start: stores true on the first run, then registers or unregisters the
    // entry as the stored choice says.
    void configureLaunchAtLogin();
    // When the user flips the setting.
    void setLaunchAtLogin(bool enabled);

private:
    AutostartEntry::Result apply(bool enabled);

    UserDefaults& m_defaults;
    AutostartEntry m_entry;
    Printer m_print;
};
