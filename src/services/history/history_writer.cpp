#include "services/history/history_writer.h"

#include "services/background.h"
#include "services/history/history_connection.h"
#include "services/history/history_schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <QThreadPool>

#include <algorithm>
#include <chrono>
#include <cmath>

using HistorySql::describe;
using HistorySql::isBusy;
using HistorySql::isDamage;

namespace {

constexpr qint64 dayMs = 24 * 60 * 60 * 1000;

// This machine's clock may be wrong, a day or a hundred ahead; the service's is not, and
// each reset it sends lies ahead of the true time. So nothing is pruned that is newer than
// keptDays before the earlier of the snapshot's time and its earliest reset, and a
// snapshot without a reset prunes nothing.
std::optional<QDateTime> pruneCutoff(const UsageData& data)
{
    std::optional<QDateTime> earliest;
    for (const WindowFigure& figure : UsageWindows::figures(data)) {
        if (figure.resetsAt.isValid() && (!earliest || figure.resetsAt < *earliest))
            earliest = figure.resetsAt;
    }
    if (!earliest)
        return std::nullopt;
    return std::min(data.lastUpdated, *earliest).addDays(-HistoryWriter::keptDays);
}

// The snapshot's rows, in the open transaction; the first error, if any.
QSqlError insertRows(QSqlDatabase& db, const UsageData& data)
{
    QSqlQuery query(db);
    query.prepare(QStringLiteral("INSERT OR REPLACE INTO figures VALUES (?, ?, ?, ?, ?)"));
    for (const WindowFigure& figure : UsageWindows::figures(data)) {
        if (!std::isfinite(figure.percent))
            continue;
        // A window kept from an earlier answer is that answer's row again, not a new one.
        const QDateTime at = data.takenAt.value(figure.kind.id, data.lastUpdated);
        query.addBindValue(HistorySql::text(data.owner));
        query.addBindValue(figure.kind.id);
        query.addBindValue(at.toMSecsSinceEpoch());
        query.addBindValue(figure.percent);
        // NULL when the service sent none.
        query.addBindValue(figure.resetsAt.isValid() ? QVariant(figure.resetsAt.toMSecsSinceEpoch())
                                                     : QVariant());
        if (!query.exec())
            return query.lastError();
    }
    return {};
}

// Which step of an upkeep failed, and SQLite's words.
struct UpkeepFailure {
    QString step;
    QString error;
};

// The rows whose owner is unknown become claimFor's, unless it is empty; those taken
// before pruneBefore go, unless it is null; with checkpoint, the log is copied into the
// file and emptied, waiting for gaugery-status's reads, and the new log started with a
// write of this connection's, since the first write to an emptied log syncs.
std::optional<UpkeepFailure> runUpkeep(const QSqlDatabase& db, const QString& claimFor,
                                       const QVariant& pruneBefore, bool checkpoint)
{
    QSqlQuery query(db);
    auto failed = [&query](const QString& step) {
        return UpkeepFailure{step, describe(query.lastError())};
    };
    if (!claimFor.isEmpty()) {
        query.prepare(QStringLiteral("UPDATE OR REPLACE figures SET owner = ? WHERE owner = ''"));
        query.addBindValue(claimFor);
        if (!query.exec())
            return failed(QStringLiteral("claim the earlier figures in"));
    }
    if (!pruneBefore.isNull()) {
        query.prepare(QStringLiteral("DELETE FROM figures WHERE taken_at < ?"));
        query.addBindValue(pruneBefore);
        if (!query.exec())
            return failed(QStringLiteral("prune"));
    }
    if (!checkpoint)
        return std::nullopt;
    if (!query.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)")))
        return failed(QStringLiteral("checkpoint"));
    // 1 when a reader kept it from emptying the log: the next upkeep tries again.
    const bool emptied = query.next() && query.value(0).toInt() == 0;
    if (emptied &&
        !query.exec(QStringLiteral("PRAGMA user_version = %1").arg(HistorySchema::currentVersion)))
        return failed(QStringLiteral("checkpoint"));
    return std::nullopt;
}

} // namespace

HistoryWriter::HistoryWriter(const QString& path, const QString& priorOwner, Print print)
    : m_path(path), m_priorOwner(priorOwner), m_print(std::move(print))
{
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE"))) {
        report(QStringLiteral("History: Qt's SQLite driver is not installed; no history is kept"));
        return;
    }
    m_persistent = openFile();
}

HistoryWriter::~HistoryWriter()
{
    waitForUpkeep();
}

QSqlDatabase HistoryWriter::database() const
{
    return m_connection ? m_connection->db() : QSqlDatabase();
}

bool HistoryWriter::openFile()
{
    // mkpath fails on an existing folder that cannot be written to, which may still
    // hold a writable file.
    const QString folder = QFileInfo(m_path).absolutePath();
    if (!QFileInfo(folder).isDir() && !QDir().mkpath(folder)) {
        openInMemory(QStringLiteral("cannot create its folder"));
        return false;
    }
    // A second try after moving a damaged file aside.
    for (int attempt = 0; attempt < 2; ++attempt) {
        HistorySchema::Problem problem{QStringLiteral("cannot open it"), {}};
        m_connection.reset();
        m_connection = std::make_unique<HistoryConnection>(
            m_path, QStringLiteral("QSQLITE_BUSY_TIMEOUT=2000"));
        QSqlDatabase& db = m_connection->db();
        if (db.isOpen()) {
            QSqlQuery query(db);
            // At most 256 KiB of pages kept after the chart has read a month, instead of
            // SQLite's 2 MiB: the file is read rarely and the system caches it anyway.
            query.exec(QStringLiteral("PRAGMA cache_size = -256"));
            // WAL lets gaugery-status read while this writes; NORMAL syncs only at
            // checkpoints, which the upkeep runs off this thread.
            const bool wal = query.exec(QStringLiteral("PRAGMA journal_mode = WAL")) &&
                             query.next() && query.value(0).toString() == QLatin1String("wal");
            // A statement left open would keep the migration from committing.
            query.finish();
            if (!wal) {
                problem = {QStringLiteral("cannot use a write-ahead log"), query.lastError()};
            } else if (std::optional<HistorySchema::Problem> failed =
                           HistorySchema::bringUpToDate(db, m_priorOwner)) {
                problem = *failed;
            } else {
                // Checkpoints sync: the upkeep runs them, and cuts the log back to 1 MiB. A
                // write never waits for the upkeep's lock; record() keeps the snapshot for
                // the next turn instead.
                for (const char* setting : {"synchronous = NORMAL", "wal_autocheckpoint = 0",
                                            "journal_size_limit = 1048576", "busy_timeout = 0"})
                    query.exec(QStringLiteral("PRAGMA ") + QLatin1String(setting));
                return true;
            }
        } else {
            problem.error = db.lastError();
        }
        if (attempt == 0 && isDamage(problem.error) && moveAside(describe(problem.error)))
            continue;
        const QString why = describe(problem.error);
        openInMemory(why.isEmpty() ? problem.what : problem.what + QStringLiteral(": ") + why);
        return false;
    }
    return false;
}

void HistoryWriter::openInMemory(const QString& reason)
{
    report(QStringLiteral("History: cannot use %1 (%2); this session's figures are kept in "
                          "memory only")
               .arg(m_path, reason));
    m_connection.reset();
    m_connection = std::make_unique<HistoryConnection>(HistoryConnection::inMemory, QString());
    if (m_connection->isOpen())
        HistorySchema::bringUpToDate(m_connection->db(), QString());
}

bool HistoryWriter::moveAside(const QString& why)
{
    m_connection.reset();
    const QString aside =
        m_path + QStringLiteral(".corrupt-") +
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    if (!QFile::rename(m_path, aside)) {
        report(QStringLiteral("History: %1 is damaged (%2) and cannot be moved aside")
                   .arg(m_path, why));
        return false;
    }
    // The log and its index belong to the damaged file; they go with it.
    for (const QLatin1String suffix : {QLatin1String("-wal"), QLatin1String("-shm")}) {
        if (QFileInfo::exists(m_path + suffix))
            QFile::rename(m_path + suffix, aside + suffix);
    }
    report(QStringLiteral("History: %1 is damaged (%2); moved it to %3 and started a new one")
               .arg(m_path, why, aside));
    return true;
}

void HistoryWriter::record(const UsageData& data)
{
    if (!m_connection || !m_connection->isOpen() || !data.lastUpdated.isValid())
        return;
    m_pending.append(data);
    writePending();
    if (!m_pending.isEmpty())
        return;
    // A day in either direction: a clock put back must not stop the pruning for good.
    const bool pruneDue =
        !m_lastPrune.isValid() || std::abs(m_lastPrune.msecsTo(data.lastUpdated)) >= dayMs;
    const std::optional<QDateTime> cutoff = pruneDue ? pruneCutoff(data) : std::nullopt;
    const QString claimFor = m_unclaimed ? data.owner : QString();
    if (cutoff || !claimFor.isEmpty() || logIsLarge())
        startUpkeep(data.lastUpdated, cutoff, claimFor);
}

bool HistoryWriter::upkeepRunning() const
{
    return m_upkeep.valid() &&
           m_upkeep.wait_for(std::chrono::seconds(0)) != std::future_status::ready;
}

void HistoryWriter::writePending()
{
    // Snapshots wait for the upkeep's end without touching the file, rather than the GUI
    // thread waiting for its locks; so do those another program's lock turned away.
    while (!upkeepRunning() && !m_pending.isEmpty() &&
           write(m_pending.constFirst(), true) != Written::busy)
        m_pending.removeFirst();
    if (m_pending.size() > maxPending) {
        m_pending.removeFirst();
        report(QStringLiteral("History: %1 is kept locked by another program; the oldest "
                              "figures not yet saved are dropped")
                   .arg(m_path));
    }
}

HistoryWriter::Written HistoryWriter::write(const UsageData& data, bool retry)
{
    QSqlDatabase& db = m_connection->db();
    QSqlError error;
    if (!db.transaction()) {
        error = db.lastError();
    } else if (error = insertRows(db, data); error.isValid()) {
        db.rollback();
    } else if (!db.commit()) {
        error = db.lastError();
        db.rollback();
    } else {
        m_unclaimed = m_unclaimed || data.owner.isEmpty();
        return Written::yes;
    }

    if (isBusy(error))
        return Written::busy;
    if (retry && m_persistent && isDamage(error) && moveAside(describe(error))) {
        m_persistent = openFile();
        return m_connection->isOpen() ? write(data, false) : Written::no;
    }
    report(QStringLiteral("History: cannot save the figures to %1: %2")
               .arg(m_persistent ? m_path : HistoryConnection::inMemory, describe(error)));
    return Written::no;
}

bool HistoryWriter::logIsLarge() const
{
    // A stat per snapshot: SQLite only says how long the log is from a checkpoint.
    return m_persistent && QFileInfo(m_path + QStringLiteral("-wal")).size() > checkpointLogBytes;
}

void HistoryWriter::startUpkeep(const QDateTime& now, const std::optional<QDateTime>& cutoff,
                                const QString& claimFor)
{
    // One at a time; the next snapshot tries again.
    if (upkeepRunning())
        return;
    if (cutoff)
        m_lastPrune = now;
    if (!claimFor.isEmpty())
        m_unclaimed = false;
    const QVariant before = cutoff ? QVariant(cutoff->toMSecsSinceEpoch()) : QVariant();
    if (!m_persistent) {
        runUpkeep(m_connection->db(), claimFor, before, false);
        return;
    }
    // Its own connection: a connection belongs to the thread that opened it.
    auto task =
        std::make_shared<std::packaged_task<void()>>([this, path = m_path, claimFor, before] {
            std::optional<UpkeepFailure> failure;
            {
                HistoryConnection connection(path, QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
                failure = connection.isOpen()
                              ? runUpkeep(connection.db(), claimFor, before, true)
                              : UpkeepFailure{QStringLiteral("open"),
                                              describe(connection.db().lastError())};
            }
            Background::later(this, [this, failure] {
                if (failure)
                    report(QStringLiteral("History: cannot %1 %2: %3")
                               .arg(failure->step, m_path, failure->error));
                writePending();
            });
        });
    m_upkeep = task->get_future();
    QThreadPool::globalInstance()->start([task] { (*task)(); });
}

void HistoryWriter::waitForUpkeep()
{
    if (m_upkeep.valid())
        m_upkeep.wait();
    writePending();
}

void HistoryWriter::report(const QString& line)
{
    // A failing disk fails every refresh; one line says it.
    if (line == m_lastReport)
        return;
    m_lastReport = line;
    if (m_print)
        m_print(line);
}
