#pragma once

#include "models/account.h"

#include <QObject>
#include <QString>

#include <optional>

class Settings;

// Which organization and which source an account reads, as the settings say, and which
// of the two an edit of the settings changed.
class AccountChoice : public QObject {
    Q_OBJECT

public:
    // The settings must outlive the choice.
    explicit AccountChoice(Settings& settings, QObject* parent = nullptr);

    // The first account unless set.
    void setAccountId(const QString& id);
    const QString& accountId() const { return m_accountId; }
    // None: the first organization the service lists.
    std::optional<QString> organization() const;
    // The "usageSource" value that applies to the account.
    QString source() const;
    // Stores the choice; no edited() follows for it.
    void setOrganization(const QString& organizationId);
    // Where the account's session was imported from (Account::cookieOrigin).
    void setCookieOrigin(const QString& origin);

Q_SIGNALS:
    void edited(bool otherOrganization, bool otherSource);

private:
    void onSettingChanged(const QString& key);

    Settings& m_settings;
    QString m_accountId = Accounts::defaultId;
    // As last seen, to tell which one an edit changed.
    std::optional<QString> m_organization;
    QString m_source;
};
