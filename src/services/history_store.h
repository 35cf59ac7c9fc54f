#pragma once

#include "models/history_point.h"
#include "models/usage_data.h"
#include "models/usage_pace.h"
#include "services/diagnostics.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QSqlDatabase>

#include <functional>
#include <future>
#include <memory>

// Every figure of every successful snapshot, in an SQLite file, for the history chart, the
// pace forecast and exports. The meter never depends on it: a file that cannot be used is
// reported in one diagnostic line and this run's figures are kept in memory instead; a
// damaged file is moved aside, never deleted, and a new one started.
//
// Writes are one transaction per snapshot on the calling thread (WAL, no sync on commit,
// never waiting for a lock); the daily pruning and the WAL checkpoint, which sync, run on a
// worker thread.
class HistoryStore : public QObject {
    Q_OBJECT

public:
    static constexpr int keptDays = 90;
    using Print = std::function<void(const QString&)>;

    // $XDG_DATA_HOME/gaugery/history.sqlite
    static QString defaultPath();

    // Opens the file, creating it and its folder or bringing an older one up to date.
    explicit HistoryStore(const QString& path, Print print = printDiagnostic,
                          QObject* parent = nullptr);
    ~HistoryStore() override;

    // The file for reading only, as another process sees it while the agent writes:
    // nothing is created, changed or moved. Null, with the reason in error, when there is
    // no history to read.
    static std::unique_ptr<HistoryStore> openForReading(const QString& path, QString* error);

    QString path() const { return m_path; }
    // False when the figures are kept in memory only, the file being unusable.
    bool isPersistent() const { return m_persistent; }

    // Keeps the snapshot's figures, taken at its lastUpdated time. Once a day of snapshot
    // time, figures older than keptDays are pruned.
    void record(const UsageData& data);
    // The window's figures taken within [from, to], oldest first.
    QList<HistoryPoint> points(const QString& windowId, const QDateTime& from,
                               const QDateTime& to) const;
    // Every window's, by time, then window.
    QList<HistoryPoint> points(const QDateTime& from, const QDateTime& to) const;
    // Every window with stored figures.
    QStringList windowIds() const;
    // The figures of the window's current period (those of its newest figure's reset,
    // give or take a minute), oldest first, for the pace forecast.
    QList<UsageSample> samples(const QString& windowId) const;

    // Waits until the pruning started by a record() has finished and the snapshots it
    // held off are written.
    void waitForUpkeep();

private:
    struct ReadOnly {};
    HistoryStore(const QString& path, ReadOnly);

    bool openFile();
    bool openConnection(const QString& databaseName, const QString& options);
    void closeConnection();
    void openInMemory(const QString& reason);
    bool moveAside(const QString& why);
    enum class Written { yes, busy, no };
    // retry: after moving a damaged file aside, write once more to the new one.
    Written write(const UsageData& data, bool retry);
    void writePending();
    void startUpkeep(const QDateTime& now);
    void report(const QString& line);

    QString m_path;
    Print m_print;
    QString m_connection;
    QSqlDatabase m_db;
    bool m_persistent = false;
    // Snapshots not yet written because the upkeep held the file; a day's at most.
    static constexpr qsizetype maxPending = 288;
    QList<UsageData> m_pending;
    QDateTime m_lastUpkeep;
    QString m_lastReport;
    // The running upkeep's end; on the global pool, whose threads the fetches use too.
    std::future<void> m_upkeep;
};
