#include "services/sources/claude_code/status_line_requests.h"

#include "services/sources/claude_code/status_line_switch.h"

bool StatusLineRequests::mayAsk(StatusLineReading reading,
                                const std::optional<QDateTime>& lastReport,
                                const std::optional<QDateTime>& lastRequest, double refreshInterval,
                                const QDateTime& now)
{
    if (reading == StatusLineReading::statusLineOnly)
        return false;
    const bool reportsCome = lastReport && lastReport->secsTo(now) < refreshInterval;
    // A clock set back does not hold the requests for good.
    const qint64 since = lastRequest ? lastRequest->secsTo(now) : spacingSeconds;
    return !reportsCome || since < 0 || since >= spacingSeconds;
}

StatusLineRequests::StatusLineRequests(const Settings& settings, const QString& claudeCodeFolder)
    : m_settings(settings), m_folder(claudeCodeFolder)
{
}

StatusLineReading StatusLineRequests::reading() const
{
    return StatusLineSwitch::reading(m_settings, m_folder);
}

bool StatusLineRequests::mayAsk(double refreshInterval, const QDateTime& now) const
{
    return mayAsk(reading(), m_lastReport, m_lastRequest, refreshInterval, now);
}
