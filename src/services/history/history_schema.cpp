#include "services/history/history_schema.h"

#include "services/history/history_connection.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>

namespace HistorySchema {

namespace {

// One row per owner, window and snapshot, kept in key order so a window's span is one
// range; the second index makes an owner's span by time one range too.
const QStringList currentTables{
    QStringLiteral("CREATE TABLE figures (owner TEXT NOT NULL, window_id TEXT NOT NULL, "
                   "taken_at INTEGER NOT NULL, utilization REAL NOT NULL, resets_at INTEGER, "
                   "PRIMARY KEY (owner, window_id, taken_at)) WITHOUT ROWID"),
    QStringLiteral("CREATE INDEX figures_by_owner_time ON figures (owner, taken_at)"),
};

// ISO 8601 text to milliseconds since the epoch, in SQL.
QString epochMs(const QString& column)
{
    return QStringLiteral("CAST(round((julianday(%1) - 2440587.5) * 86400000) AS INTEGER)")
        .arg(column);
}

// Version 1 kept the times as ISO 8601 text in a plain table, which made every span a
// scan of the whole file.
QStringList fromVersionOne()
{
    QStringList steps{QStringLiteral("ALTER TABLE figures RENAME TO figures_v1")};
    steps << QStringLiteral("CREATE TABLE figures (window_id TEXT NOT NULL, taken_at INTEGER NOT "
                            "NULL, utilization REAL NOT NULL, resets_at INTEGER, "
                            "PRIMARY KEY (window_id, taken_at)) WITHOUT ROWID");
    steps << QStringLiteral("CREATE INDEX figures_by_time ON figures (taken_at)");
    steps << QStringLiteral("INSERT OR REPLACE INTO figures SELECT window_id, %1, utilization, "
                            "CASE WHEN resets_at IS NULL THEN NULL ELSE %2 END FROM figures_v1 "
                            "WHERE julianday(taken_at) IS NOT NULL")
                 .arg(epochMs(QStringLiteral("taken_at")), epochMs(QStringLiteral("resets_at")));
    steps << QStringLiteral("DROP TABLE figures_v1");
    return steps;
}

// Version 2 did not say whose figures a row holds.
QStringList fromVersionTwo()
{
    QStringList steps{QStringLiteral("DROP INDEX figures_by_time"),
                      QStringLiteral("ALTER TABLE figures RENAME TO figures_v2")};
    steps << currentTables;
    steps << QStringLiteral("INSERT INTO figures SELECT :owner, window_id, taken_at, utilization, "
                            "resets_at FROM figures_v2");
    steps << QStringLiteral("DROP TABLE figures_v2");
    return steps;
}

// A statement naming :owner gets the prior owner bound to it.
std::optional<Problem> run(QSqlDatabase& db, const QStringList& statements, int version,
                           const QString& priorOwner)
{
    if (!db.transaction())
        return Problem{QStringLiteral("cannot start a transaction"), db.lastError()};
    QSqlQuery query(db);
    for (const QString& statement :
         statements + QStringList{QStringLiteral("PRAGMA user_version = %1").arg(version)}) {
        query.prepare(statement);
        if (statement.contains(QLatin1String(":owner")))
            query.bindValue(QStringLiteral(":owner"), HistorySql::text(priorOwner));
        if (!query.exec()) {
            const QSqlError error = query.lastError();
            query.finish();
            db.rollback();
            return Problem{QStringLiteral("cannot update the tables to version %1").arg(version),
                           error};
        }
    }
    query.finish();
    if (!db.commit())
        return Problem{QStringLiteral("cannot save the tables"), db.lastError()};
    return std::nullopt;
}

} // namespace

std::optional<int> versionOf(QSqlDatabase& db, Problem* problem)
{
    QSqlQuery query(db);
    if (query.exec(QStringLiteral("PRAGMA user_version")) && query.next())
        return query.value(0).toInt();
    if (problem)
        *problem = {QStringLiteral("cannot read the file"), query.lastError()};
    return std::nullopt;
}

std::optional<Problem> bringUpToDate(QSqlDatabase& db, const QString& priorOwner)
{
    Problem problem;
    std::optional<int> version = versionOf(db, &problem);
    if (!version)
        return problem;
    if (*version > currentVersion)
        return Problem{
            QStringLiteral("it was written by a newer Gaugery (version %1)").arg(*version),
            QSqlError()};
    if (*version == 0)
        return run(db, currentTables, currentVersion, priorOwner);
    // Each step takes the file from version i to i + 1.
    const QList<QStringList> steps{fromVersionOne(), fromVersionTwo()};
    for (int from = *version; from < currentVersion; ++from) {
        if (std::optional<Problem> failed = run(db, steps.at(from - 1), from + 1, priorOwner))
            return failed;
    }
    return std::nullopt;
}

} // namespace HistorySchema
