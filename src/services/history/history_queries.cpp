#include "services/history/history_queries.h"

#include "models/usage_window.h"
#include "services/history/history_connection.h"

#include <QSqlQuery>
#include <QTimeZone>
#include <QVariant>

namespace {

QDateTime instantOf(const QVariant& value)
{
    return value.isNull() ? QDateTime()
                          : QDateTime::fromMSecsSinceEpoch(value.toLongLong(), QTimeZone::utc());
}

// Runs the query with its values bound in order; its error, or empty.
QString run(QSqlQuery& query, const QString& statement, const QVariantList& values)
{
    query.setForwardOnly(true);
    query.prepare(statement);
    for (const QVariant& value : values)
        query.addBindValue(value);
    return query.exec() ? QString() : HistorySql::describe(query.lastError());
}

// A step that fails part way (a damaged page) ends the rows like the last one does; only
// the error tells them apart.
template <typename T> HistoryRead<T> finished(const QSqlQuery& query, T rows)
{
    if (query.lastError().isValid())
        return {T{}, HistorySql::describe(query.lastError())};
    return {std::move(rows), QString()};
}

// Rows of taken_at, utilization, resets_at and, unless windowId is given, window_id.
HistoryRead<QList<HistoryPoint>> pointsOf(QSqlQuery& query, const QString& windowId = QString())
{
    QList<HistoryPoint> points;
    while (query.next()) {
        const QVariant resetsAt = query.value(2);
        // A reset repeats from one row to the next: share the previous one's.
        const bool sameReset =
            !points.isEmpty() && !resetsAt.isNull() && points.constLast().resetsAt.isValid() &&
            points.constLast().resetsAt.toMSecsSinceEpoch() == resetsAt.toLongLong();
        points.append({instantOf(query.value(0)),
                       windowId.isNull() ? query.value(3).toString() : windowId,
                       query.value(1).toDouble(),
                       sameReset ? points.constLast().resetsAt : instantOf(resetsAt)});
    }
    return finished(query, std::move(points));
}

// Puts a stored window back in its place of a snapshot.
void restore(UsageData& data, const QString& windowId, double percent, const QDateTime& resetsAt)
{
    if (windowId == UsageWindows::sessionId) {
        data.sessionUsagePercent = percent;
        data.sessionResetTime = resetsAt;
    } else if (windowId == UsageWindows::weeklyId) {
        data.weeklyUsagePercent = percent;
        data.weeklyResetTime = resetsAt;
    } else if (windowId == UsageWindows::sonnetId) {
        data.weeklySonnetUsagePercent = percent;
        data.weeklySonnetResetTime = resetsAt;
    } else if (windowId == UsageWindows::opusId) {
        data.weeklyOpusUsagePercent = percent;
        data.weeklyOpusResetTime = resetsAt;
    } else {
        data.furtherWindows.append({UsageWindows::kindOf(windowId), percent, resetsAt, {}, {}});
    }
}

} // namespace

HistoryRead<QList<HistoryPoint>> HistoryQueries::points(const QString& owner,
                                                        const QString& windowId,
                                                        const QDateTime& from,
                                                        const QDateTime& to) const
{
    QSqlQuery query(m_db);
    const QString error =
        run(query,
            QStringLiteral("SELECT taken_at, utilization, resets_at FROM figures "
                           "WHERE owner = ? AND window_id = ? AND taken_at "
                           "BETWEEN ? AND ? ORDER BY taken_at"),
            {HistorySql::text(owner), windowId, from.toMSecsSinceEpoch(), to.toMSecsSinceEpoch()});
    return error.isEmpty() ? pointsOf(query, windowId)
                           : HistoryRead<QList<HistoryPoint>>{{}, error};
}

HistoryRead<QList<HistoryPoint>> HistoryQueries::points(const QString& owner, const QDateTime& from,
                                                        const QDateTime& to) const
{
    QSqlQuery query(m_db);
    const QString error =
        run(query,
            QStringLiteral("SELECT taken_at, utilization, resets_at, window_id FROM figures "
                           "WHERE owner = ? AND taken_at BETWEEN ? AND ? "
                           "ORDER BY taken_at, window_id"),
            {HistorySql::text(owner), from.toMSecsSinceEpoch(), to.toMSecsSinceEpoch()});
    return error.isEmpty() ? pointsOf(query) : HistoryRead<QList<HistoryPoint>>{{}, error};
}

HistoryRead<QStringList> HistoryQueries::windowIds(const QString& owner) const
{
    // Hops from one id to the next along the key instead of reading every row.
    QSqlQuery query(m_db);
    const QString error =
        run(query,
            QStringLiteral("WITH RECURSIVE ids(id) AS (SELECT min(window_id) FROM figures WHERE "
                           "owner = ? UNION ALL SELECT (SELECT min(window_id) FROM figures WHERE "
                           "owner = ? AND window_id > ids.id) FROM ids WHERE ids.id IS NOT NULL) "
                           "SELECT id FROM ids WHERE id IS NOT NULL"),
            {HistorySql::text(owner), HistorySql::text(owner)});
    if (!error.isEmpty())
        return {{}, error};
    QStringList ids;
    while (query.next())
        ids.append(query.value(0).toString());
    return finished(query, std::move(ids));
}

HistoryRead<QList<UsageSample>> HistoryQueries::samples(const QString& owner,
                                                        const QString& windowId) const
{
    QSqlQuery query(m_db);
    const QString error = run(query,
                              QStringLiteral("SELECT taken_at, utilization, resets_at FROM figures "
                                             "WHERE owner = ? AND window_id = ? "
                                             "ORDER BY taken_at DESC"),
                              {HistorySql::text(owner), windowId});
    if (!error.isEmpty())
        return {{}, error};
    QList<UsageSample> newestFirst;
    QDateTime period;
    while (query.next()) {
        const QDateTime resetsAt = instantOf(query.value(2));
        if (newestFirst.isEmpty())
            period = resetsAt;
        else if (!UsageWindows::sameReset(period, resetsAt))
            break;
        newestFirst.append({instantOf(query.value(0)), query.value(1).toDouble()});
    }
    return finished(query, QList<UsageSample>(newestFirst.rbegin(), newestFirst.rend()));
}

HistoryRead<QString> HistoryQueries::newestOwner() const
{
    QSqlQuery query(m_db);
    const QString error =
        run(query, QStringLiteral("SELECT owner FROM figures ORDER BY taken_at DESC LIMIT 1"), {});
    if (!error.isEmpty())
        return {{}, error};
    const QString owner = query.next() ? query.value(0).toString() : QString();
    return finished(query, owner);
}

HistoryRead<QList<UsageData>> HistoryQueries::latestSnapshots() const
{
    // Hops from one owner to the next along the key, then takes each one's newest time from
    // its index, so the read costs a few lookups per owner however long the history is;
    // materialized, or SQLite walks every row of the owner to match the newest time.
    QSqlQuery query(m_db);
    const QString error =
        run(query,
            QStringLiteral(
                "WITH RECURSIVE owners(owner) AS (SELECT min(owner) FROM figures UNION ALL "
                "SELECT (SELECT min(owner) FROM figures WHERE owner > owners.owner) FROM owners "
                "WHERE owners.owner IS NOT NULL), newest(owner, taken_at) AS MATERIALIZED "
                "(SELECT owner, (SELECT max(taken_at) FROM figures WHERE figures.owner = "
                "owners.owner) FROM owners WHERE owner IS NOT NULL) "
                "SELECT f.owner, f.window_id, f.taken_at, f.utilization, f.resets_at FROM newest "
                "JOIN figures f ON f.owner = newest.owner AND f.taken_at = newest.taken_at "
                "ORDER BY f.taken_at DESC, f.owner"),
            {});
    if (!error.isEmpty())
        return {{}, error};
    QList<UsageData> snapshots;
    while (query.next()) {
        const QString owner = query.value(0).toString();
        if (snapshots.isEmpty() || snapshots.constLast().owner != owner) {
            UsageData data;
            data.owner = owner;
            data.lastUpdated = instantOf(query.value(2));
            snapshots.append(data);
        }
        restore(snapshots.last(), query.value(1).toString(), query.value(3).toDouble(),
                instantOf(query.value(4)));
    }
    return finished(query, std::move(snapshots));
}
