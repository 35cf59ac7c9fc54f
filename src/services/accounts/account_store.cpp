#include "services/accounts/account_store.h"

#include "services/settings.h"
#include "services/sources/usage_source.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

class Texts {
    Q_DECLARE_TR_FUNCTIONS(Accounts)
};

const QString idField = QStringLiteral("id");
const QString nameField = QStringLiteral("name");
const QString sourceField = QStringLiteral("source");
const QString organizationField = QStringLiteral("organizationId");
const QString cookieOriginField = QStringLiteral("cookieOrigin");
const QString claudeCodeFolderField = QStringLiteral("claudeCodeFolder");

Account defaultAccount()
{
    return {Accounts::defaultId, Texts::tr("Claude"), Account::Source::cookie, {}, {}};
}

} // namespace

namespace AccountStore {

QList<Account> load(const Settings& settings)
{
    QList<Account> accounts;
    for (const QVariantMap& entry : settings.array(Settings::accountsKey)) {
        Account account{entry.value(idField).toString(),
                        entry.value(nameField).toString(),
                        Accounts::sourceOf(entry.value(sourceField).toString()),
                        entry.value(organizationField).toString(),
                        entry.value(cookieOriginField).toString(),
                        entry.value(claudeCodeFolderField).toString()};
        const bool twice = std::any_of(accounts.begin(), accounts.end(),
                                       [&](const Account& a) { return a.id == account.id; });
        // An edited file may hold an entry without an id, or one twice: left out.
        if (!account.id.isEmpty() && !twice)
            accounts.append(account);
    }
    if (accounts.isEmpty())
        accounts.append(defaultAccount());
    for (Account& account : accounts) {
        if (account.id == Accounts::defaultId)
            account.cookieOrigin = settings.setting(Settings::cookieOriginKey).toString();
    }
    return accounts;
}

void save(Settings& settings, const QList<Account>& accounts)
{
    QList<QVariantMap> entries;
    for (const Account& account : accounts) {
        // The default account's stay in "organizationId" and "cookieOrigin".
        const bool isDefault = account.id == Accounts::defaultId;
        QVariantMap entry{{idField, account.id},
                          {nameField, account.name},
                          {sourceField, Accounts::sourceName(account.source)},
                          {organizationField, isDefault ? QString() : account.organizationId},
                          {cookieOriginField, isDefault ? QString() : account.cookieOrigin}};
        // Absent means the default folder, wherever it is at the next start.
        if (!account.claudeCodeFolder.isEmpty())
            entry.insert(claudeCodeFolderField, account.claudeCodeFolder);
        entries.append(entry);
    }
    settings.setArray(Settings::accountsKey, entries);
}

std::optional<QString> organization(const Settings& settings, const QString& id)
{
    if (id == Accounts::defaultId) {
        if (!settings.contains(Settings::organizationIdKey))
            return std::nullopt;
        return settings.stringForKey(Settings::organizationIdKey);
    }
    const QList<Account> accounts = load(settings);
    const auto found = std::find_if(accounts.begin(), accounts.end(),
                                    [&](const Account& account) { return account.id == id; });
    if (found == accounts.end() || found->organizationId.isEmpty())
        return std::nullopt;
    return found->organizationId;
}

void setOrganization(Settings& settings, const QString& id, const QString& organizationId)
{
    if (id == Accounts::defaultId) {
        settings.setValue(Settings::organizationIdKey, organizationId);
        return;
    }
    QList<Account> accounts = load(settings);
    for (Account& account : accounts) {
        if (account.id == id)
            account.organizationId = organizationId;
    }
    save(settings, accounts);
}

void setCookieOrigin(Settings& settings, const QString& id, const QString& origin)
{
    QList<Account> accounts = load(settings);
    const auto found = std::find_if(accounts.begin(), accounts.end(),
                                    [&](const Account& account) { return account.id == id; });
    if (found == accounts.end() || found->cookieOrigin == origin)
        return;
    found->cookieOrigin = origin;
    if (id != Accounts::defaultId)
        save(settings, accounts);
    else if (origin.isEmpty())
        settings.remove(Settings::cookieOriginKey);
    else
        settings.setValue(Settings::cookieOriginKey, origin);
}

QString sourceSetting(const Settings& settings, const QString& id)
{
    if (id == Accounts::defaultId)
        return settings.setting(Settings::usageSourceKey).toString();
    const QList<Account> accounts = load(settings);
    const auto found = std::find_if(accounts.begin(), accounts.end(),
                                    [&](const Account& account) { return account.id == id; });
    const bool claudeCode = found != accounts.end() && found->source == Account::Source::claudeCode;
    return claudeCode ? UsageSources::claudeCode : UsageSources::cookie;
}

} // namespace AccountStore
