#pragma once

#include "models/usage_data.h"
#include "services/diagnostics.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QSqlDatabase>

#include <functional>
#include <future>
#include <memory>
#include <optional>

class HistoryConnection;

// Keeps every figure of every successful snapshot in the SQLite file. The meter never
// depends on it: a file that cannot be used is reported in one diagnostic line and this
// run's figures are kept in memory instead; a damaged file is moved aside, never deleted,
// and a new one started.
//
// Writes are one transaction per snapshot on the calling thread (WAL, no sync on commit,
// never waiting for a lock). The upkeep runs on a worker thread, since it syncs or touches
// many rows: claiming, pruning, and emptying the log into the file; snapshots wait in
// memory meanwhile.
class HistoryWriter : public QObject {
    Q_OBJECT

public:
    static constexpr int keptDays = 90;
    // The log is copied into the file and emptied once it holds this much.
    static constexpr qint64 checkpointLogBytes = 4 * 1024 * 1024;
    using Print = std::function<void(const QString&)>;

    // Opens the file, creating it and its folder or bringing an older one up to date;
    // rows from before figures carried their owner become priorOwner's.
    HistoryWriter(const QString& path, const QString& priorOwner, Print print = printDiagnostic);
    ~HistoryWriter() override;

    QString path() const { return m_path; }
    // False when the figures are kept in memory only, the file being unusable.
    bool isPersistent() const { return m_persistent; }
    // The connection to read what was written through; a new one after a damaged file
    // was replaced.
    QSqlDatabase database() const;

    // Keeps the snapshot's figures, taken at its lastUpdated time, as its owner's. The
    // first snapshot with an owner claims the rows whose owner was unknown.
    void record(const UsageData& data);
    // Waits until the upkeep started by a record() has finished and the snapshots it
    // held off are written.
    void waitForUpkeep();

private:
    bool openFile();
    void openInMemory(const QString& reason);
    bool moveAside(const QString& why);
    enum class Written { yes, busy, no };
    // retry: after moving a damaged file aside, write once more to the new one.
    Written write(const UsageData& data, bool retry);
    void writePending();
    bool upkeepRunning() const;
    bool logIsLarge() const;
    // Off this thread: gives the rows of an unknown owner to claimFor, if any, prunes
    // before the cutoff, if any, and checkpoints the log.
    void startUpkeep(const QDateTime& now, const std::optional<QDateTime>& cutoff,
                     const QString& claimFor);
    void report(const QString& line);

    QString m_path;
    QString m_priorOwner;
    Print m_print;
    std::unique_ptr<HistoryConnection> m_connection;
    bool m_persistent = false;
    // Rows whose owner is unknown may be there until the upkeep of a snapshot with an owner
    // claims them.
    bool m_unclaimed = true;
    // Snapshots not yet written because the upkeep or another program held the file; a
    // day's at most.
    static constexpr qsizetype maxPending = 288;
    QList<UsageData> m_pending;
    // The snapshot time of the last pruning.
    QDateTime m_lastPrune;
    QString m_lastReport;
    // The running upkeep's end; on the global pool, whose threads the fetches use too.
    std::future<void> m_upkeep;
};
