#include "services/accounts/usage_accounts.h"

#include "services/accounts/account_store.h"
#include "services/fetch/cookie_renewal.h"
#include "services/fetch/sign_in_limits.h"
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
      m_accounts(AccountStore::load(settings)), m_limits(std::make_shared<SignInLimits>(m_clock)),
      m_statusLines(m_endpoints.statusLineReports)
{
    connect(&m_statusLines, &StatusLineWatcher::reported, this, &UsageAccounts::offerStatusLine);
    for (const Account& account : m_accounts)
        add(account);
    forgetRemovedTrayAccount();
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

KeyringService* UsageAccounts::keyring(const QString& accountId) const
{
    const auto found = std::find_if(m_entries.begin(), m_entries.end(),
                                    [&](const Entry& entry) { return entry.id == accountId; });
    return found == m_entries.end() ? nullptr : found->keyring.get();
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
    m_statusLines.start();
}

void UsageAccounts::offerStatusLine(const StatusLineReport& report)
{
    for (const Account& account : m_accounts) {
        UsageService* usage = service(account.id);
        const bool readsClaudeCode = account.source == Account::Source::claudeCode ||
                                     usage->source() == UsageSource::claudeCode;
        if (readsClaudeCode && ClaudeCodeHomes::same(claudeCodeFolder(account), report.folder))
            usage->takeStatusLine(report);
    }
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
    entry.service =
        std::make_unique<UsageService>(*entry.keyring, m_settings, endpoints, m_clock, m_limits);
    UsageService* service = entry.service.get();
    service->setAccountId(account.id);
    service->setClaudeCodeVersion(m_claudeCodeVersion);
    connect(service, &UsageService::changed, this, &UsageAccounts::changed);
    // Once it reads Claude Code's sign-in, its folder's last report is its figures.
    connect(service, &UsageService::sourceChanged, this, [this, account] {
        if (const auto report = m_statusLines.latest(claudeCodeFolder(account)))
            offerStatusLine(*report);
    });
    connect(service, &UsageService::usageDataChanged, this,
            [this, id = account.id] { Q_EMIT usageDataChanged(id); });
    connect(service, &UsageService::cookieRemoved, this, [this, id = account.id](SecretState left) {
        // On a later turn: the service is still in its own call.
        if (m_removing.remove(id) && left == SecretState::absent)
            QMetaObject::invokeMethod(
                this, [this, id] { drop(id); }, Qt::QueuedConnection);
    });
    connect(service, &UsageService::cookieRenewed, this,
            [this, id = account.id](const QString& before, const QString& after) {
                shareRenewal(id, before, after);
            });
    m_entries.push_back(std::move(entry));
    if (m_started)
        service->start();
}

void UsageAccounts::follow()
{
    const QList<Account> listed = AccountStore::load(m_settings);
    if (listed == m_accounts)
        return;
    const auto unlisted = [&](const QString& id) {
        return std::none_of(listed.begin(), listed.end(),
                            [&](const Account& account) { return account.id == id; });
    };
    QStringList removed;
    for (const Entry& entry : m_entries) {
        if (unlisted(entry.id))
            removed << entry.id;
    }
    for (const QString& id : removed)
        Q_EMIT accountRemoved(id);
    std::erase_if(m_entries, [&](const Entry& entry) { return unlisted(entry.id); });
    for (const Account& account : listed) {
        if (!service(account.id))
            add(account);
    }
    m_accounts = listed;
    forgetRemovedTrayAccount();
    Q_EMIT accountsChanged();
    Q_EMIT changed();
}

void UsageAccounts::saveList(QList<Account> accounts)
{
    AccountStore::save(m_settings, accounts);
}

QString UsageAccounts::takeId()
{
    const QString id = Accounts::newId(
        m_accounts, qint64(m_settings.setting(Settings::lastAccountNumberKey).toDouble()));
    // Before the list: a new id counts as handed out even if the list is never written.
    m_settings.setValue(Settings::lastAccountNumberKey, Accounts::idNumber(id));
    return id;
}

void UsageAccounts::forgetRemovedTrayAccount()
{
    if (!m_settings.contains(Settings::trayAccountKey))
        return;
    const QString shown = m_settings.stringForKey(Settings::trayAccountKey);
    if (shown != Accounts::highestOfAll && !account(shown))
        m_settings.setValue(Settings::trayAccountKey, m_accounts.first().id);
}

QString UsageAccounts::addCookieAccount(const QString& name, const QString& cookie,
                                        const std::optional<QString>& organizationId,
                                        const QString& cookieOrigin)
{
    if (isFull())
        return {};
    QList<Account> accounts = m_accounts;
    const Account account{takeId(), name, Account::Source::cookie,
                          organizationId.value_or(QString()), cookieOrigin};
    accounts.append(account);
    saveList(accounts);
    service(account.id)->saveCookie(cookie, std::nullopt, cookieOrigin);
    return account.id;
}

QString UsageAccounts::addClaudeCodeAccount(const QString& name, const QString& folder)
{
    if (isFull())
        return {};
    QList<Account> accounts = m_accounts;
    Account account{takeId(), name, Account::Source::claudeCode, {}};
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
    if (found == m_entries.end() || isWatched(organizationId) ||
        m_watching.contains(organizationId))
        return;
    m_watching.insert(organizationId);
    // The same session, from the same place.
    const QString origin = account(accountId)->cookieOrigin;
    // The keyring waits for its calls when it goes, so the answer comes even then.
    found->keyring->read(this, [this, name, organizationId, origin](const CookieRead& read) {
        m_watching.remove(organizationId);
        if (read.state == SecretState::found && !read.cookie.isEmpty() &&
            !isWatched(organizationId))
            addCookieAccount(name, read.cookie, organizationId, origin);
    });
}

bool UsageAccounts::isWatched(const QString& organizationId) const
{
    return std::any_of(m_accounts.begin(), m_accounts.end(), [&](const Account& account) {
        const UsageService* usage = service(account.id);
        return AccountStore::organization(m_settings, account.id) == organizationId ||
               (usage && usage->organization() && usage->organization()->id == organizationId);
    });
}

void UsageAccounts::shareRenewal(const QString& renewedBy, const QString& before,
                                 const QString& after)
{
    for (const Entry& entry : m_entries) {
        if (entry.id == renewedBy)
            continue;
        entry.keyring->replaceIf(
            [before](const QString& stored) { return CookieRenewal::sameSession(stored, before); },
            after, this, [](bool) {});
    }
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
    UsageService* usage = service(accountId);
    // One account stays, also when others are on their way out.
    const qsizetype staying = m_accounts.size() - m_removing.size();
    if (!usage || (!m_removing.contains(accountId) && staying <= 1))
        return;
    // As Disconnect: the service says what the keyring did, and keeps the reason when it
    // kept the item; the account goes only once the item has.
    m_removing.insert(accountId);
    usage->clearCookie(true);
}

void UsageAccounts::drop(const QString& accountId)
{
    QList<Account> accounts = m_accounts;
    accounts.removeIf([&](const Account& account) { return account.id == accountId; });
    if (accounts.isEmpty() || accounts.size() == m_accounts.size())
        return;
    saveList(accounts);
}
