#include "models/usage_history.h"

#include <cmath>

namespace {

// The service reports a window's reset with sub-second jitter from one answer to the next.
bool sameWindow(const QDateTime& a, const QDateTime& b)
{
    return a.isValid() && b.isValid() && std::abs(a.secsTo(b)) <= 60;
}

} // namespace

void UsageHistory::record(const UsageData& data)
{
    add(QStringLiteral("Session"), data.lastUpdated, data.sessionUsagePercent,
        data.sessionResetTime);
    add(QStringLiteral("Weekly"), data.lastUpdated, data.weeklyUsagePercent, data.weeklyResetTime);
    add(QStringLiteral("Sonnet"), data.lastUpdated, data.weeklySonnetUsagePercent,
        data.weeklySonnetResetTime);
}

QList<UsageSample> UsageHistory::samples(const QString& figureName) const
{
    return m_windows.value(figureName).samples;
}

void UsageHistory::add(const QString& name, const QDateTime& at, double percent,
                       const QDateTime& resetsAt)
{
    if (!at.isValid() || !std::isfinite(percent))
        return;
    Window& window = m_windows[name];
    if (!sameWindow(window.resetsAt, resetsAt))
        window = {resetsAt, {}};
    // A clock set back would make the rate meaningless: start over from this sample.
    if (!window.samples.isEmpty() && window.samples.last().at >= at)
        window.samples.clear();
    window.samples.append({at, percent});
    while (window.samples.first().at.secsTo(at) > keptSeconds)
        window.samples.removeFirst();
}
