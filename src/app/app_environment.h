#pragma once

#include "app/platform/autostart_entry.h"
#include "services/sources/usage_source.h"

#include <QDBusConnection>
#include <QString>
#include <QUrl>

#include <functional>

class KeyringService;
class Settings;

// What the shell runs against: the program's own stores, bus and paths, or a test's.
struct AppEnvironment {
    KeyringService& keyring;
    Settings& defaults;
    UsageEndpoints endpoints;
    QDBusConnection bus;
    AutostartEntry autostart;
    std::function<void(const QString&)> print;
    // Where logind tells of suspend and resume.
    QDBusConnection systemBus = QDBusConnection::systemBus();
    // The usage history file; empty: the standard one.
    QString historyPath = {};

    // The program's own stores and bus, talking to these endpoints.
    static AppEnvironment standard(const UsageEndpoints& endpoints);
};
