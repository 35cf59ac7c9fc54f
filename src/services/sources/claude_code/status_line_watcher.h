#pragma once

#include "services/sources/claude_code/status_line_report.h"

#include <QFileSystemWatcher>
#include <QHash>
#include <QObject>

// The reports gaugery-status leaves for Gaugery (StatusLineReports): those there at start,
// and each new one as it is written.
class StatusLineWatcher : public QObject {
    Q_OBJECT

public:
    explicit StatusLineWatcher(const QString& reports, QObject* parent = nullptr);

    // Reads the reports there are, each as reported(), and watches for new ones.
    void start();
    // The newest report of this Claude Code folder seen; none before one.
    std::optional<StatusLineReport> latest(const QString& claudeCodeFolder) const;

Q_SIGNALS:
    void reported(const StatusLineReport& report);

private:
    void scan();

    QString m_reports;
    QFileSystemWatcher m_watcher;
    // By file: the last report read from it.
    QHash<QString, StatusLineReport> m_seen;
};
