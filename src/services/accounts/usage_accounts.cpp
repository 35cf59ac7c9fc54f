#include "services/accounts/usage_accounts.h"

#include "services/accounts/account_store.h"
#include "services/fetch/usage_service.h"
#include "services/keyring/keyring_service.h"
#include "services/settings.h"
#include "services/sources/claude_code/claude_code_homes.h"

#include <algorithm>

UsageAccounts::UsageAccounts(KeyringService& firstKeyring, Settings& settings,
                             UsageEndpoints endpoints, StoreFactory stores, Clock clock,
                             QObject* parent)
    : QObject(parent), m_firstKeyring(firstKeyring), m_settings(settings),
      m_endpoints(std::move(endpoints)), m_stores(std::move(stores)), m_clock(std::move(clock)),
      m_accounts(AccountStore::load(settings))
{
    for (const Account& account : m_accounts)
        add(account);
    connect(&m_settings, &Settings::changed, this, [this](const QString& key) {
        if (key == Settings::accountsKey || key == Settings::cookieOriginKey)
            follow();
    });
}

UsageAccounts::~UsageAccounts() = default;

QList<UsageService*> UsageAccounts::services() const
{
    QList<UsageService*> list;
    for (const Account& account : m_accounts)
        list.append(service(account.id));
    return list;
}

UsageService* UsageAccounts::service(const QString& accountId) const
{
    const auto found = std::find_if(m_entries.begin(), m_entries.end(),
                                    [&](const Entry& entry) { return entry.id == accountId; });
    return found == m_entries.end() ? nullptr : found->service.get();
}

const Account* UsageAccounts::account(const QString& accountId) const
{
    const auto found =
        std::find_if(m_accounts.begin(), m_accounts.end(),
                     [&](const Account& account) { return account.id == accountId; });
    return found == m_accounts.end() ? nullptr : &*found;
}

UsageService& UsageAccounts::first() const
{
    return *service(m_accounts.first().id);
}

void UsageAccounts::start()
{
    m_started = true;
    m_claudeCodeVersion.ask();
    for (UsageService* service : services())
        service->start();
}

void UsageAccounts::refreshAll()
{
    // Each account's gate holds it back while a chain runs or a rate limit lasts.
    for (UsageService* service : services())
        service->fetchUsage();
}

void UsageAccounts::add(const Account& account)
{
    Entry entry;
    entry.id = account.id;
    // The first account's keyring is the program's own, shared with the cookie window.
    entry.keyring = account.id == Accounts::defaultId
                        ? std::shared_ptr<KeyringService>(&m_firstKeyring, [](KeyringService*) {})
                        : std::make_shared<KeyringService>(m_stores(account));
    // Each folder's sign-in is its own: its file, its watcher, its owner.
    UsageEndpoints endpoints = m_endpoints;
    if (!account.claudeCodeFolder.isEmpty()) {
        endpoints.claudeCodeFile = ClaudeCodeHomes::fileIn(account.claudeCodeFolder);
        endpoints.claudeCodeOwner = ClaudeCodeHomes::owner(account.claudeCodeFolder);
    }
    entry.service = std::make_unique<UsageService>(*entry.keyring, m_settings, endpoints, m_clock);
    UsageService* service = entry.service.get();
    service->setAccountId(account.id);
    service->setClaudeCodeVersion(m_claudeCodeVersion);
    connect(service, &UsageService::changed, this, &UsageAccounts::changed);
    connect(service, &UsageService::usageDataChanged, this,
            [this, id = account.id] { Q_EMIT usageDataChanged(id); });
    m_entries.push_back(std::move(entry));
    if (m_started)
        service->start();
}

void UsageAccounts::follow()
{
    const QList<Account> listed = AccountStore::load(m_settings);
    if (listed == m_accounts)
        return;
    std::erase_if(m_entries, [&](const Entry& entry) {
        return std::none_of(listed.begin(), listed.end(),
                            [&](const Account& account) { return account.id == entry.id; });
    });
    for (const Account& account : listed) {
        if (!service(account.id))
            add(account);
    }
    m_accounts = listed;
    Q_EMIT accountsChanged();
    Q_EMIT changed();
}

void UsageAccounts::saveList(QList<Account> accounts)
{
    AccountStore::save(m_settings, accounts);
}

QString UsageAccounts::addCookieAccount(const QString& name, const QString& cookie,
                                        const std::optional<QString>& organizationId,
                                        const QString& cookieOrigin)
{
    QList<Account> accounts = m_accounts;
    const Account account{Accounts::newId(accounts), name, Account::Source::cookie,
                          organizationId.value_or(QString()), cookieOrigin};
    accounts.append(account);
    saveList(accounts);
    service(account.id)->saveCookie(cookie, std::nullopt, cookieOrigin);
    return account.id;
}

QString UsageAccounts::addClaudeCodeAccount(const QString& name, const QString& folder)
{
    QList<Account> accounts = m_accounts;
    Account account{Accounts::newId(accounts), name, Account::Source::claudeCode, {}};
    // The default folder keeps the owner its figures always had.
    if (!folder.isEmpty() && !ClaudeCodeHomes::same(folder, claudeCodeFolder({})))
        account.claudeCodeFolder = ClaudeCodeHomes::kept(folder);
    accounts.append(account);
    // Started with the others, or now when they already are.
    saveList(accounts);
    return account.id;
}

QString UsageAccounts::claudeCodeFolder(const Account& account) const
{
    return account.claudeCodeFolder.isEmpty()
               ? ClaudeCodeHomes::folderOf(m_endpoints.claudeCodeFile)
               : account.claudeCodeFolder;
}

QStringList UsageAccounts::claudeCodeFoldersRead() const
{
    QStringList folders;
    for (const Account& account : m_accounts) {
        if (account.source == Account::Source::claudeCode ||
            service(account.id)->source() == UsageSource::claudeCode)
            folders << claudeCodeFolder(account);
    }
    return folders;
}

void UsageAccounts::watchOrganization(const QString& accountId, const QString& name,
                                      const QString& organizationId)
{
    const auto found = std::find_if(m_entries.begin(), m_entries.end(),
                                    [&](const Entry& entry) { return entry.id == accountId; });
    if (found == m_entries.end())
        return;
    // The same session, from the same place.
    const QString origin = account(accountId)->cookieOrigin;
    // The keyring waits for its calls when it goes, so the answer comes even then.
    found->keyring->read(this, [this, name, organizationId, origin](const CookieRead& read) {
        if (read.state == SecretState::found && !read.cookie.isEmpty())
            addCookieAccount(name, read.cookie, organizationId, origin);
    });
}

void UsageAccounts::rename(const QString& accountId, const QString& name)
{
    QList<Account> accounts = m_accounts;
    for (Account& account : accounts) {
        if (account.id == accountId)
            account.name = name;
    }
    saveList(accounts);
}

void UsageAccounts::remove(const QString& accountId)
{
    if (m_accounts.size() <= 1)
        return;
    const auto found = std::find_if(m_entries.begin(), m_entries.end(),
                                    [&](const Entry& entry) { return entry.id == accountId; });
    if (found == m_entries.end())
        return;
    // The keyring outlives the account until its item is gone.
    std::shared_ptr<KeyringService> keyring = found->keyring;
    keyring->remove(this, [keyring](SecretState) {});
    QList<Account> accounts = m_accounts;
    accounts.removeIf([&](const Account& account) { return account.id == accountId; });
    saveList(accounts);
}
