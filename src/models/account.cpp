#include "models/account.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

// The context this file's texts are translated in.
class Texts {
    Q_DECLARE_TR_FUNCTIONS(Accounts)
};

// Above any count of accounts, and exact as the double the settings keep it in.
constexpr qint64 largestNumber = qint64(1) << 50;

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

QString newId(const QList<Account>& accounts, qint64 handedOut)
{
    // The first account is number 1, so the second is account2 as before.
    qint64 highest = std::clamp<qint64>(handedOut, 1, largestNumber - 1);
    for (const Account& account : accounts)
        highest = std::max(highest, idNumber(account.id));
    return QStringLiteral("account%1").arg(highest + 1);
}

qint64 idNumber(const QString& id)
{
    static const QLatin1String prefix("account");
    if (!id.startsWith(prefix))
        return 0;
    bool ok = false;
    const qint64 number = QStringView(id).mid(prefix.size()).toLongLong(&ok);
    return ok && number > 0 && number < largestNumber ? number : 0;
}

QString newName(const QList<Account>& accounts)
{
    for (int n = int(accounts.size()) + 1;; ++n) {
        const QString name = Texts::tr("Account %1").arg(n);
        if (!nameTaken(accounts, name))
            return name;
    }
}

QString listFull(int most)
{
    return Texts::tr("Gaugery watches at most %1 accounts. Remove one to add another.").arg(most);
}

} // namespace Accounts
