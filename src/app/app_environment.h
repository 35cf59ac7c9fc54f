#pragma once

#include "app/platform/autostart_entry.h"
#include "models/clock.h"
#include "services/accounts/usage_accounts.h"
#include "services/keyring/keyring_service.h"
#include "services/keyring/libsecret_store.h"
#include "services/sources/usage_source.h"

#include <QDBusConnection>
#include <QString>
#include <QUrl>

#include <functional>

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
    // The keyring items of the accounts after the first.
    UsageAccounts::StoreFactory secretStores = [](const Account& account) {
        return std::make_shared<LibsecretStore>(KeyringService::itemOf(account));
    };
    // Where "now" comes from for the figures, their age and their resets.
    Clock clock = systemClock;

    // The program's own stores and bus, talking to these endpoints.
    static AppEnvironment standard(const UsageEndpoints& endpoints);
};
