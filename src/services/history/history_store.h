#pragma once

#include "services/history/history_queries.h"
#include "services/history/history_writer.h"

#include <memory>

// Every figure of every successful snapshot, in an SQLite file, for the history chart, the
// pace forecast and exports: the agent's writer and the queries over what it wrote, or,
// for another process, the queries alone.
class HistoryStore {
public:
    using Print = HistoryWriter::Print;

    // $XDG_DATA_HOME/gaugery/history.sqlite
    static QString defaultPath();

    // Opens the file for writing, creating it and its folder or bringing an older one up
    // to date; rows from before figures carried their owner become priorOwner's (the
    // organization chosen now), or, when that is empty, the first owner recorded.
    explicit HistoryStore(const QString& path, Print print = printDiagnostic,
                          const QString& priorOwner = QString());
    ~HistoryStore();

    // The file for reading only, as another process sees it while the agent writes:
    // nothing is created, changed or moved. Null, with the reason in error, when there is
    // no history to read.
    static std::unique_ptr<HistoryStore> openForReading(const QString& path, QString* error);

    QString path() const { return m_path; }
    // False when the figures are kept in memory only, the file being unusable.
    bool isPersistent() const;

    // See HistoryWriter; nothing when reading only.
    void record(const UsageData& data);
    void waitForUpkeep();

    // The stored series as the file holds them now. Take it anew for each read: a damaged
    // file is replaced by a new one.
    HistoryQueries queries() const;

private:
    struct ReadOnly {};
    HistoryStore(const QString& path, ReadOnly);

    QString m_path;
    std::unique_ptr<HistoryWriter> m_writer;
    std::unique_ptr<HistoryConnection> m_reader;
};
