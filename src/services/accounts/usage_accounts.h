#pragma once

#include "models/account.h"
#include "models/clock.h"
#include "services/settings.h"
#include "services/sources/claude_code/claude_code_version.h"
#include "services/sources/claude_code/status_line_watcher.h"
#include "services/sources/usage_source.h"

#include <QObject>
#include <QSet>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class KeyringService;
class SecretStore;
class SignInLimits;
class UsageService;

// Every account the user watches, each read by a usage service of its own: a request
// chain, an error and an organization cache each, so one account's failure never blanks
// another's figures. What the service allows a sign-in (its pause, its spacing, one request
// out) holds for every account that reads it. The first account's service is there from the
// start, as before there were accounts; the others follow the accounts list.
class UsageAccounts : public QObject {
    Q_OBJECT

public:
    // The secret store of an account other than the first.
    using StoreFactory = std::function<std::shared_ptr<SecretStore>(const Account&)>;

    // The keyring and the settings must outlive the accounts.
    UsageAccounts(KeyringService& firstKeyring, Settings& settings, UsageEndpoints endpoints,
                  StoreFactory stores, Clock clock = systemClock, QObject* parent = nullptr);
    ~UsageAccounts() override;

    // As many as the settings' list reads back.
    static constexpr int maxAccounts = Settings::maxArrayEntries;

    const QList<Account>& accounts() const { return m_accounts; }
    bool isFull() const { return m_accounts.size() >= maxAccounts; }
    // In the order of accounts(); never empty.
    QList<UsageService*> services() const;
    UsageService* service(const QString& accountId) const;
    const Account* account(const QString& accountId) const;
    // Where the account's cookie is kept; null for an id no account has.
    KeyringService* keyring(const QString& accountId) const;
    // The service of the first account in the list.
    UsageService& first() const;

    // Starts every account's service: each reads its sign-in and, with one, fetches. Asks
    // the installed Claude Code's version, once.
    void start();
    const ClaudeCodeVersion& claudeCodeVersion() const { return m_claudeCodeVersion; }
    // Refresh: every account whose gate lets it.
    void refreshAll();

    // Adds an account reading this cookie (and, when given, this organization of it) from
    // where it came (Account::cookieOrigin); its keyring item is written before it
    // fetches. The new account's id, never one an account had before; none when the list
    // is full (maxAccounts).
    QString addCookieAccount(const QString& name, const QString& cookie,
                             const std::optional<QString>& organizationId = std::nullopt,
                             const QString& cookieOrigin = {});
    // Adds an account reading the Claude Code sign-in in this folder; the default folder
    // (or none) is kept as the default, wherever that is at the next start. None when the
    // list is full.
    QString addClaudeCodeAccount(const QString& name, const QString& folder = {});
    // The folder an account reads Claude Code's sign-in from: its own or the default one.
    QString claudeCodeFolder(const Account& account) const;
    // The folders whose sign-in an account reads: a Claude Code account's, and the default
    // one while an account reads it for want of a cookie.
    QStringList claudeCodeFoldersRead() const;
    // Adds an account reading another organization of this account's session: its cookie
    // is read from the account's keyring and handed on here, never to a view. Nothing
    // when an account reads the organization already, or is about to.
    void watchOrganization(const QString& accountId, const QString& name,
                           const QString& organizationId);
    void rename(const QString& accountId, const QString& name);
    // Removes the account's keyring item, then the account; its history stays until the
    // user clears it. While the keyring keeps the item, the account stays, with the reason
    // as its error. The last account stays.
    void remove(const QString& accountId);

    // The time the figures are shown at, from the accounts' clock.
    QDateTime now() const { return m_clock(); }

Q_SIGNALS:
    // Added, removed or renamed.
    void accountsChanged();
    // The account is going: its service is still there, for the last time.
    void accountRemoved(const QString& accountId);
    // An account's service changed (any property).
    void changed();
    // An account's snapshot: recorded in the history and checked for alerts by the caller.
    void usageDataChanged(const QString& accountId);

private:
    struct Entry {
        QString id;
        std::shared_ptr<KeyringService> keyring;
        std::unique_ptr<UsageService> service;
    };

    // Makes the services match the list in the settings.
    void follow();
    void add(const Account& account);
    void saveList(QList<Account> accounts);
    // Takes the account out of the list, once its keyring item is gone.
    void drop(const QString& accountId);
    // An id no account has had, remembered as handed out.
    QString takeId();
    // The tray's account when it names one no longer listed: the first one instead.
    void forgetRemovedTrayAccount();
    bool isWatched(const QString& organizationId) const;
    // A status-line report reaches the accounts reading its folder's Claude Code sign-in.
    void offerStatusLine(const StatusLineReport& report);
    // A renewed session reaches every account that holds it.
    void shareRenewal(const QString& renewedBy, const QString& before, const QString& after);

    KeyringService& m_firstKeyring;
    Settings& m_settings;
    UsageEndpoints m_endpoints;
    StoreFactory m_stores;
    Clock m_clock;
    QList<Account> m_accounts;
    // Before the entries: their services read them until they go.
    ClaudeCodeVersion m_claudeCodeVersion;
    std::shared_ptr<SignInLimits> m_limits;
    std::vector<Entry> m_entries;
    StatusLineWatcher m_statusLines;
    bool m_started = false;
    // Accounts whose keyring item is being removed before they go.
    QSet<QString> m_removing;
    // Organizations whose account is being added.
    QSet<QString> m_watching;
};
