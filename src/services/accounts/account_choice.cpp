#include "services/accounts/account_choice.h"

#include "services/accounts/account_store.h"
#include "services/settings.h"

AccountChoice::AccountChoice(Settings& settings, QObject* parent)
    : QObject(parent), m_settings(settings)
{
    setAccountId(Accounts::defaultId);
    connect(&m_settings, &Settings::changed, this, &AccountChoice::onSettingChanged);
}

void AccountChoice::setAccountId(const QString& id)
{
    m_accountId = id;
    m_organization = organization();
    m_source = source();
}

std::optional<QString> AccountChoice::organization() const
{
    return AccountStore::organization(m_settings, m_accountId);
}

QString AccountChoice::source() const
{
    return AccountStore::sourceSetting(m_settings, m_accountId);
}

void AccountChoice::setOrganization(const QString& organizationId)
{
    m_organization = organizationId;
    AccountStore::setOrganization(m_settings, m_accountId, organizationId);
}

void AccountChoice::setCookieOrigin(const QString& origin)
{
    AccountStore::setCookieOrigin(m_settings, m_accountId, origin);
}

void AccountChoice::onSettingChanged(const QString& key)
{
    const bool ours = m_accountId == Accounts::defaultId
                          ? key == Settings::organizationIdKey || key == Settings::usageSourceKey
                          : key == Settings::accountsKey;
    if (!ours)
        return;
    const std::optional<QString> organization = this->organization();
    const QString source = this->source();
    const bool otherOrganization = organization != m_organization;
    const bool otherSource = source != m_source;
    m_organization = organization;
    m_source = source;
    if (otherOrganization || otherSource)
        Q_EMIT edited(otherOrganization, otherSource);
}
