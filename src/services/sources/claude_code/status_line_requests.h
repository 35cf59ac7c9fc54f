#pragma once

#include "services/sources/usage_source.h"

#include <QDateTime>
#include <QString>

#include <optional>

class Settings;

// How a Claude Code folder's figures are read: from its status line alone, never with its
// token, or from the status line and the OAuth usage endpoint besides.
enum class StatusLineReading { statusLineOnly, statusLineAndService };

// The requests Claude Code's token may make while the folder's status line reports.
class StatusLineRequests {
public:
    // While reports come, the endpoint is asked this seldom, for what they lack.
    static constexpr int spacingSeconds = 15 * 60;

    // Whether a request with the token may go at `now`: never when the status line alone is
    // read; while the last report is younger than the refresh interval, one every
    // spacingSeconds; otherwise as without a status line.
    static bool mayAsk(StatusLineReading reading, const std::optional<QDateTime>& lastReport,
                       const std::optional<QDateTime>& lastRequest, double refreshInterval,
                       const QDateTime& now);

    // The settings must outlive it.
    StatusLineRequests(const Settings& settings, const QString& claudeCodeFolder);

    StatusLineReading reading() const;
    bool mayAsk(double refreshInterval, const QDateTime& now) const;
    void reported(const QDateTime& at) { m_lastReport = at; }
    // A request went with this source.
    void sent(UsageSource source, const QDateTime& at)
    {
        if (source == UsageSource::claudeCode)
            m_lastRequest = at;
    }

private:
    const Settings& m_settings;
    QString m_folder;
    std::optional<QDateTime> m_lastReport;
    std::optional<QDateTime> m_lastRequest;
};
