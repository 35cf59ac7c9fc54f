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
