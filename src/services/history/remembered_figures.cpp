#include "services/history/remembered_figures.h"

#include "services/accounts/usage_accounts.h"
#include "services/background.h"
#include "services/fetch/usage_service.h"
#include "services/history/history_store.h"

#include <algorithm>

RememberedFigures::RememberedFigures(UsageAccounts& accounts, QObject* parent)
    : QObject(parent), m_accounts(accounts)
{
}

void RememberedFigures::load(const QString& path)
{
    for (const Account& account : m_accounts.accounts())
        m_waiting.insert(account.id);
    // A connection of the worker's own, opened and closed there: a connection belongs to
    // the thread that opened it.
    Background::run(
        this,
        [path] {
            QList<UsageData> snapshots;
            if (const auto store = HistoryStore::openForReading(path, nullptr))
                snapshots = store->queries().latestSnapshots().rows;
            return snapshots;
        },
        [this](const QList<UsageData>& snapshots) {
            m_snapshots = snapshots;
            connect(&m_accounts, &UsageAccounts::changed, this, &RememberedFigures::offer);
            offer();
            Q_EMIT loaded();
        });
}

void RememberedFigures::offer()
{
    for (const QString& id : QSet<QString>(m_waiting)) {
        UsageService* service = m_accounts.service(id);
        // This run's own figures came first, or the account went.
        if (!service || service->usageData()) {
            m_waiting.remove(id);
            continue;
        }
        // Until its sign-in is read, an account may turn out to have none.
        if (!service->isConnected())
            continue;
        const QString owner = ownerOf(*service);
        const auto found = std::find_if(m_snapshots->begin(), m_snapshots->end(),
                                        [&](const UsageData& data) { return data.owner == owner; });
        m_waiting.remove(id);
        if (!owner.isEmpty() && found != m_snapshots->end())
            service->showRemembered(*found);
    }
    if (m_waiting.isEmpty())
        disconnect(&m_accounts, &UsageAccounts::changed, this, &RememberedFigures::offer);
}

QString RememberedFigures::ownerOf(const UsageService& service) const
{
    // Claude Code's owner names its folder: each folder's figures are its own.
    if (const QString owner = service.owner(); !owner.isEmpty())
        return owner;
    // The one account, reading the first organization listed: the one whose browser
    // figures were kept last. With others, they may be another account's.
    if (m_accounts.services().size() > 1)
        return QString();
    for (const UsageData& data : *m_snapshots) {
        if (!data.owner.startsWith(UsageData::claudeCodeOwner) && !data.owner.isEmpty())
            return data.owner;
    }
    return QString();
}
