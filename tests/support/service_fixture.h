#pragma once

#include "loopback_server.h"
#include "memory_secret_store.h"
#include "services/accounts/usage_accounts.h"
#include "services/fetch/usage_service.h"
#include "services/keyring/keyring_service.h"
#include "temporary_settings.h"

#include <QTemporaryDir>

#include <map>
#include <memory>

// A usage service wired to a loopback server, an in-memory keyring and a temporary
// settings file. The keyring outlives the service, as in the program.
struct ServiceFixture {
    // An account of the settings, served by the loopback server.
    struct ServedAccount {
        QString name;
        QByteArray organizationId;
        // Its usage answer, or its failure.
        ScriptedResponse usage;
        // Its organization's name; empty: the account's.
        QString organizationName = {};
    };

    static inline const QByteArray organizationsPath = "/api/organizations";
    static inline const QByteArray usagePath = "/api/organizations/org-1234/usage";

    ServiceFixture();

    // Answers both requests as the service does on a good day.
    void serveHappyPath();
    // The loopback server for both APIs, and a Claude Code file in the fixture's folder
    // (absent until a test writes it).
    UsageEndpoints endpoints() const;
    // Writes Claude Code's credentials file with this token, expiring at `expiresAt`, and
    // the login's end when valid; in `folder` when given, else the default one.
    void writeClaudeCode(const QString& token, const QDateTime& expiresAt,
                         const QString& plan = QStringLiteral("max"),
                         const QDateTime& signInEnds = {}, const QString& folder = {});
    // Every account of the settings, the first one's cookie in `store`, the others' in
    // stores of their own (`accountStores`); built, not started.
    std::unique_ptr<UsageAccounts> makeAccounts(Clock clock = systemClock);
    std::shared_ptr<MemorySecretStore> storeOf(const QString& accountId);
    // Lists these accounts in the settings, the first as the default one, each with a
    // cookie and an organization of its own (its name the account's), and serves each
    // organization's usage.
    void serveAccounts(const QList<ServedAccount>& served);
    // Starts every account and waits until each has its figures or its error.
    static bool startAndWait(UsageAccounts& accounts);
    // Built, not started: no keyring read yet.
    std::unique_ptr<UsageService> makeService(Clock clock = systemClock);
    // Starts the service and waits until the start-up read and any first fetch are over.
    bool startAndWait(UsageService& service);
    // Fetches and waits until the chain has published its outcome.
    bool fetchAndWait(UsageService& service);
    // Waits until every keyring call made so far has answered and no fetch is running.
    bool settle(UsageService& service);

    LoopbackServer server;
    std::shared_ptr<MemorySecretStore> store = std::make_shared<MemorySecretStore>();
    KeyringService keyring{store};
    TemporarySettings defaults;
    QTemporaryDir claudeHome;
    std::map<QString, std::shared_ptr<MemorySecretStore>> accountStores;
};
