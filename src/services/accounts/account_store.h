#pragma once

#include "models/account.h"

#include <QList>
#include <QString>

#include <optional>

class Settings;

// The accounts list in the settings. With no list stored there is one account, the
// default one, as before there were accounts; the default account keeps its organization
// and its source in the settings it always had ("organizationId", "usageSource"), and
// where its session came from in "cookieOrigin" beside them.
namespace AccountStore {

QList<Account> load(const Settings& settings);
void save(Settings& settings, const QList<Account>& accounts);

// The organization the account reads; none: the first the service lists. The default
// account's may be an empty identifier (the service lists one so).
std::optional<QString> organization(const Settings& settings, const QString& id);
void setOrganization(Settings& settings, const QString& id, const QString& organizationId);
// Where the account's session was imported from; any session saved sets it.
void setCookieOrigin(Settings& settings, const QString& id, const QString& origin);
// The "usageSource" value that applies to the account: the setting for the default one,
// its own source for the others.
QString sourceSetting(const Settings& settings, const QString& id);

} // namespace AccountStore
