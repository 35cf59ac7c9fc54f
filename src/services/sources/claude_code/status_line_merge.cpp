#include "services/sources/claude_code/status_line_merge.h"

namespace StatusLineMerge {

std::optional<UsageData> merged(const std::optional<UsageData>& shown,
                                const StatusLineReport& report, const QString& owner,
                                double staleSeconds, const QDateTime& now)
{
    if (!report.at.isValid() || report.at.secsTo(now) > staleSeconds)
        return std::nullopt;
    UsageData data;
    QHash<QString, QDateTime> takenAt;
    if (shown && shown->owner == owner) {
        data = *shown;
        for (const WindowFigure& figure : UsageWindows::figures(data))
            takenAt.insert(figure.kind.id, data.takenAt.value(figure.kind.id, data.lastUpdated));
    } else {
        // Nothing of what the status line does not hold is made up: those windows stay
        // unreported.
        data.owner = owner;
        data.weeklyUsagePercent.reset();
        data.weeklySonnetUsagePercent.reset();
    }
    bool replaced = false;
    const auto take = [&](const std::optional<StatusLineWindow>& window, const QString& id,
                          std::optional<double>& percent, QDateTime& resetsAt) {
        if (!window || (takenAt.contains(id) && takenAt.value(id) >= report.at))
            return;
        percent = window->percent;
        resetsAt = window->resetsAt;
        // The spend shown with it was the older answer's.
        data.windowDetails.remove(id);
        takenAt.remove(id);
        replaced = true;
    };
    take(report.session, UsageWindows::sessionId, data.sessionUsagePercent, data.sessionResetTime);
    take(report.weekly, UsageWindows::weeklyId, data.weeklyUsagePercent, data.weeklyResetTime);
    if (!replaced)
        return std::nullopt;
    data.lastUpdated = report.at;
    data.fromStatusLine = true;
    data.takenAt = takenAt;
    return data;
}

} // namespace StatusLineMerge
