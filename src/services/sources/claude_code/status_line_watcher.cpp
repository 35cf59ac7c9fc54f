#include "services/sources/claude_code/status_line_watcher.h"

#include "services/sources/claude_code/claude_code_homes.h"

#include <QDir>
#include <QFile>

StatusLineWatcher::StatusLineWatcher(const QString& reports, QObject* parent)
    : QObject(parent), m_reports(reports)
{
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &StatusLineWatcher::scan);
}

void StatusLineWatcher::start()
{
    if (m_reports.isEmpty())
        return;
    // Made here, so it is watched before the first report.
    if (QDir().mkpath(m_reports))
        QFile::setPermissions(m_reports, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                             QFileDevice::ExeOwner);
    m_watcher.addPath(m_reports);
    scan();
}

std::optional<StatusLineReport> StatusLineWatcher::latest(const QString& claudeCodeFolder) const
{
    std::optional<StatusLineReport> newest;
    for (const StatusLineReport& report : m_seen) {
        if (ClaudeCodeHomes::same(report.folder, claudeCodeFolder) &&
            (!newest || report.at > newest->at))
            newest = report;
    }
    return newest;
}

void StatusLineWatcher::scan()
{
    const QDir folder(m_reports);
    for (const QString& name : folder.entryList(QDir::Files)) {
        if (!StatusLineReports::isReportName(name))
            continue;
        const std::optional<StatusLineReport> report =
            StatusLineReports::read(folder.filePath(name));
        if (!report)
            continue;
        const auto seen = m_seen.constFind(name);
        if (seen != m_seen.constEnd() && seen->at >= report->at)
            continue;
        m_seen.insert(name, *report);
        Q_EMIT reported(*report);
    }
}
