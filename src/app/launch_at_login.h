#pragma once

#include "app/platform/autostart_entry.h"

#include <QObject>
#include <QString>

#include <functional>

class Settings;

// Applies the "launchAtLogin" choice to the autostart entry. Failures are printed and
// change nothing else: start-up goes on and the stored choice stays as it is.
class LaunchAtLogin : public QObject {
    Q_OBJECT

public:
    using Printer = std::function<void(const QString&)>;

    LaunchAtLogin(Settings& defaults, AutostartEntry entry, Printer print);

    // At every start: stores the default on the first run, then registers or unregisters
    // the entry as the stored choice says, and from then on follows every change of it.
    void configureLaunchAtLogin();

private:
    void setLaunchAtLogin(bool enabled);
    AutostartEntry::Result apply(bool enabled);

    Settings& m_defaults;
    AutostartEntry m_entry;
    Printer m_print;
};
