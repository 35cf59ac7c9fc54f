#include "services/history_store.h"

#include "services/history_schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QThreadPool>

#include <atomic>
#include <chrono>
#include <cmath>

namespace {

constexpr qint64 dayMs = 24 * 60 * 60 * 1000;
const QString driver = QStringLiteral("QSQLITE");
const QString inMemory = QStringLiteral(":memory:");

// Qt SQL wants a name for every connection, unique in the process.
QString uniqueConnectionName()
{
    static std::atomic<int> next{0};
    return QStringLiteral("gaugery-history-%1").arg(next++);
}

QString describe(const QSqlError& error)
{
    const QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    return text.trimmed();
}

// SQLite's result code without its extended part; -1 when there is none.
int sqliteCode(const QSqlError& error)
{
    bool number = false;
    const int code = error.nativeErrorCode().toInt(&number);
    return number ? code & 0xff : -1;
}

// SQLITE_CORRUPT and SQLITE_NOTADB.
bool isDamage(const QSqlError& error)
{
    return sqliteCode(error) == 11 || sqliteCode(error) == 26;
}

// SQLITE_BUSY: another connection, the upkeep's, is writing.
bool isBusy(const QSqlError& error)
{
    return sqliteCode(error) == 5;
}

qint64 msOf(const QDateTime& instant)
{
    return instant.toMSecsSinceEpoch();
}

QDateTime instantOf(const QVariant& value)
{
    return value.isNull() ? QDateTime()
                          : QDateTime::fromMSecsSinceEpoch(value.toLongLong(), Qt::UTC);
}

// Rows of taken_at, utilization, resets_at and, unless windowId is given, window_id.
QList<HistoryPoint> pointsOf(QSqlQuery& query, const QString& windowId = QString())
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
    return points;
}

} // namespace

QString HistoryStore::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/gaugery/history.sqlite");
}

HistoryStore::HistoryStore(const QString& path, Print print, QObject* parent)
    : QObject(parent), m_path(path), m_print(std::move(print))
{
    if (!QSqlDatabase::isDriverAvailable(driver)) {
        report(QStringLiteral("History: Qt's SQLite driver is not installed; no history is kept"));
        return;
    }
    m_persistent = openFile();
}

HistoryStore::HistoryStore(const QString& path, ReadOnly) : m_path(path)
{
    if (QFileInfo::exists(path))
        openConnection(path, QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=5000"));
}

HistoryStore::~HistoryStore()
{
    waitForUpkeep();
    closeConnection();
}

std::unique_ptr<HistoryStore> HistoryStore::openForReading(const QString& path, QString* error)
{
    auto store = std::unique_ptr<HistoryStore>(new HistoryStore(path, ReadOnly{}));
    QString problem;
    if (!QFileInfo::exists(path)) {
        problem = QStringLiteral("no history at %1: Gaugery has not recorded any yet").arg(path);
    } else if (!store->m_db.isOpen()) {
        problem = QStringLiteral("cannot open %1: %2").arg(path, describe(store->m_db.lastError()));
    } else {
        HistorySchema::Problem failed;
        const std::optional<int> version = HistorySchema::versionOf(store->m_db, &failed);
        if (!version)
            problem = QStringLiteral("cannot read %1: %2").arg(path, describe(failed.error));
        else if (*version == 0)
            problem = QStringLiteral("no history in %1 yet").arg(path);
        else if (*version != HistorySchema::currentVersion)
            problem = QStringLiteral("%1 is of another Gaugery version (%2, this one reads %3); "
                                     "run this version of Gaugery once to update it")
                          .arg(path)
                          .arg(*version)
                          .arg(HistorySchema::currentVersion);
    }
    if (problem.isEmpty()) {
        store->m_persistent = true;
        return store;
    }
    if (error)
        *error = problem;
    return nullptr;
}

bool HistoryStore::openConnection(const QString& databaseName, const QString& options)
{
    closeConnection();
    m_connection = uniqueConnectionName();
    m_db = QSqlDatabase::addDatabase(driver, m_connection);
    m_db.setDatabaseName(databaseName);
    m_db.setConnectOptions(options);
    return m_db.open();
}

void HistoryStore::closeConnection()
{
    if (m_connection.isEmpty())
        return;
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connection);
    m_connection.clear();
}

bool HistoryStore::openFile()
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
        if (openConnection(m_path, QStringLiteral("QSQLITE_BUSY_TIMEOUT=2000"))) {
            QSqlQuery query(m_db);
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
                           HistorySchema::bringUpToDate(m_db)) {
                problem = *failed;
            } else {
                // Checkpoints sync: the upkeep runs them. A write never waits for the
                // upkeep's lock; record() keeps the snapshot for the next turn instead.
                for (const char* setting : {"synchronous = NORMAL", "wal_autocheckpoint = 0",
                                            "journal_size_limit = 1048576", "busy_timeout = 0"})
                    query.exec(QStringLiteral("PRAGMA ") + QLatin1String(setting));
                return true;
            }
        } else {
            problem.error = m_db.lastError();
        }
        if (attempt == 0 && isDamage(problem.error) && moveAside(describe(problem.error)))
            continue;
        const QString why = describe(problem.error);
        openInMemory(why.isEmpty() ? problem.what : problem.what + QStringLiteral(": ") + why);
        return false;
    }
    return false;
}

void HistoryStore::openInMemory(const QString& reason)
{
    report(QStringLiteral("History: cannot use %1 (%2); this session's figures are kept in "
                          "memory only")
               .arg(m_path, reason));
    if (openConnection(inMemory, QString()))
        HistorySchema::bringUpToDate(m_db);
}

bool HistoryStore::moveAside(const QString& why)
{
    closeConnection();
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

void HistoryStore::record(const UsageData& data)
{
    if (!m_db.isOpen() || !data.lastUpdated.isValid())
        return;
    m_pending.append(data);
    writePending();
    if (m_pending.isEmpty() &&
        (!m_lastUpkeep.isValid() || m_lastUpkeep.msecsTo(data.lastUpdated) >= dayMs))
        startUpkeep(data.lastUpdated);
}

void HistoryStore::writePending()
{
    // Snapshots turned away while the upkeep held the file wait for its end, rather than
    // the GUI thread waiting for it.
    while (!m_pending.isEmpty()) {
        if (write(m_pending.constFirst(), true) == Written::busy) {
            if (m_pending.size() > maxPending) {
                m_pending.removeFirst();
                report(QStringLiteral("History: %1 is kept locked by another program; the oldest "
                                      "figures not yet saved are dropped")
                           .arg(m_path));
            }
            return;
        }
        m_pending.removeFirst();
    }
}

HistoryStore::Written HistoryStore::write(const UsageData& data, bool retry)
{
    QSqlError error;
    if (m_db.transaction()) {
        QSqlQuery insert(m_db);
        insert.prepare(QStringLiteral("INSERT OR REPLACE INTO figures VALUES (?, ?, ?, ?)"));
        const qint64 at = msOf(data.lastUpdated);
        bool written = true;
        for (const WindowFigure& figure : UsageWindows::figures(data)) {
            if (!std::isfinite(figure.percent))
                continue;
            insert.addBindValue(figure.kind.id);
            insert.addBindValue(at);
            insert.addBindValue(figure.percent);
            insert.addBindValue(figure.resetsAt.isValid() ? QVariant(msOf(figure.resetsAt))
                                                          : QVariant());
            if (!insert.exec()) {
                written = false;
                error = insert.lastError();
                break;
            }
        }
        insert.finish();
        if (written && m_db.commit())
            return Written::yes;
        if (written)
            error = m_db.lastError();
        m_db.rollback();
    } else {
        error = m_db.lastError();
    }

    if (isBusy(error))
        return Written::busy;
    if (retry && m_persistent && isDamage(error) && moveAside(describe(error))) {
        m_persistent = openFile();
        return m_db.isOpen() ? write(data, false) : Written::no;
    }
    report(QStringLiteral("History: cannot save the figures to %1: %2")
               .arg(m_persistent ? m_path : inMemory, describe(error)));
    return Written::no;
}

void HistoryStore::startUpkeep(const QDateTime& now)
{
    // One at a time; the next snapshot tries again.
    if (m_upkeep.valid() && m_upkeep.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
        return;
    m_lastUpkeep = now;
    const qint64 cutoff = msOf(now) - keptDays * dayMs;
    if (!m_persistent) {
        QSqlQuery prune(m_db);
        prune.prepare(QStringLiteral("DELETE FROM figures WHERE taken_at < ?"));
        prune.addBindValue(cutoff);
        prune.exec();
        return;
    }
    // Its own connection: a connection belongs to the thread that opened it.
    auto task = std::make_shared<std::packaged_task<void()>>([this, path = m_path, cutoff] {
        const QString name = uniqueConnectionName();
        QString problem;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(driver, name);
            db.setDatabaseName(path);
            db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
            QSqlQuery query(db);
            if (!db.open()) {
                problem = describe(db.lastError());
            } else {
                query.prepare(QStringLiteral("DELETE FROM figures WHERE taken_at < ?"));
                query.addBindValue(cutoff);
                if (!query.exec() || !query.exec(QStringLiteral("PRAGMA wal_checkpoint(PASSIVE)")))
                    problem = describe(query.lastError());
            }
            query.finish();
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
        QMetaObject::invokeMethod(
            this,
            [this, problem] {
                if (!problem.isEmpty())
                    report(QStringLiteral("History: cannot prune %1: %2").arg(m_path, problem));
                writePending();
            },
            Qt::QueuedConnection);
    });
    m_upkeep = task->get_future();
    QThreadPool::globalInstance()->start([task] { (*task)(); });
}

void HistoryStore::waitForUpkeep()
{
    if (m_upkeep.valid())
        m_upkeep.wait();
    writePending();
}

QList<HistoryPoint> HistoryStore::points(const QString& windowId, const QDateTime& from,
                                         const QDateTime& to) const
{
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT taken_at, utilization, resets_at FROM figures "
                                 "WHERE window_id = ? AND taken_at BETWEEN ? AND ? "
                                 "ORDER BY taken_at"));
    query.addBindValue(windowId);
    query.addBindValue(msOf(from));
    query.addBindValue(msOf(to));
    query.exec();
    return pointsOf(query, windowId);
}

QList<HistoryPoint> HistoryStore::points(const QDateTime& from, const QDateTime& to) const
{
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT taken_at, utilization, resets_at, window_id FROM figures "
                                 "WHERE taken_at BETWEEN ? AND ? ORDER BY taken_at, window_id"));
    query.addBindValue(msOf(from));
    query.addBindValue(msOf(to));
    query.exec();
    return pointsOf(query);
}

QStringList HistoryStore::windowIds() const
{
    // Hops from one id to the next along the key instead of reading every row.
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    query.exec(QStringLiteral(
        "WITH RECURSIVE ids(id) AS (SELECT min(window_id) FROM figures UNION ALL "
        "SELECT (SELECT min(window_id) FROM figures WHERE window_id > ids.id) FROM ids "
        "WHERE ids.id IS NOT NULL) SELECT id FROM ids WHERE id IS NOT NULL"));
    QStringList ids;
    while (query.next())
        ids.append(query.value(0).toString());
    return ids;
}

QList<UsageSample> HistoryStore::samples(const QString& windowId) const
{
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT taken_at, utilization, resets_at FROM figures "
                                 "WHERE window_id = ? ORDER BY taken_at DESC"));
    query.addBindValue(windowId);
    query.exec();
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
    return {newestFirst.rbegin(), newestFirst.rend()};
}

void HistoryStore::report(const QString& line)
{
    // A failing disk fails every refresh; one line says it.
    if (line == m_lastReport)
        return;
    m_lastReport = line;
    if (m_print)
        m_print(line);
}
