#include "models/account.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

// The context this file's texts are translated in.
class Texts {
    Q_DECLARE_TR_FUNCTIONS(Accounts)
};

bool idTaken(const QList<Account>& accounts, const QString& id)
{
    return std::any_of(accounts.begin(), accounts.end(),
                       [&](const Account& account) { return account.id == id; });
}

bool nameTaken(const QList<Account>& accounts, const QString& name)
{
    return std::any_of(accounts.begin(), accounts.end(),
                       [&](const Account& account) { return account.name == name; });
}

} // namespace

namespace Accounts {

QString sourceName(Account::Source source)
{
    return source == Account::Source::claudeCode ? QStringLiteral("claudeCode")
                                                 : QStringLiteral("cookie");
}

Account::Source sourceOf(const QString& name)
{
    return name == QLatin1String("claudeCode") ? Account::Source::claudeCode
                                               : Account::Source::cookie;
}

QString newId(const QList<Account>& accounts)
{
    for (int n = int(accounts.size()) + 1;; ++n) {
        const QString id = QStringLiteral("account%1").arg(n);
        if (!idTaken(accounts, id))
            return id;
    }
}

QString newName(const QList<Account>& accounts)
{
    for (int n = int(accounts.size()) + 1;; ++n) {
        const QString name = Texts::tr("Account %1").arg(n);
        if (!nameTaken(accounts, name))
            return name;
    }
}

} // namespace Accounts
