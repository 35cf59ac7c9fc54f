#include "services/usage_alerts.h"

#include "models/whole_percent.h"

#include <algorithm>

namespace UsageAlerts {

namespace {

struct Window {
    QString id;
    QString name;
    double percent;
    QDateTime resetsAt;
    QString resetText;
};

QList<Window> windowsOf(const UsageData& data)
{
    const auto dated = [](const QDateTime& at) {
        return ResetFormat::format(at, ResetFormat::dateAndTime);
    };
    QList<Window> windows{
        {QStringLiteral("session"), QStringLiteral("Session"), data.sessionUsagePercent,
         data.sessionResetTime, data.sessionResetString()},
        {QStringLiteral("weekly"), QStringLiteral("Weekly"), data.weeklyUsagePercent,
         data.weeklyResetTime, dated(data.weeklyResetTime)},
        {QStringLiteral("sonnet"), QStringLiteral("Sonnet"), data.weeklySonnetUsagePercent,
         data.weeklySonnetResetTime, dated(data.weeklySonnetResetTime)},
    };
    if (data.weeklyOpusUsagePercent && data.weeklyOpusResetTime)
        windows.append({QStringLiteral("opus"), QStringLiteral("Opus"),
                        *data.weeklyOpusUsagePercent, *data.weeklyOpusResetTime,
                        dated(*data.weeklyOpusResetTime)});
    return windows;
}

QString keyOf(const Window& window, int threshold)
{
    return QStringLiteral("%1@%2#%3")
        .arg(window.id, window.resetsAt.toUTC().toString(Qt::ISODate))
        .arg(threshold);
}

// The reset instant inside a key, to drop keys of windows that have ended.
QDateTime resetOfKey(const QString& key)
{
    const qsizetype at = key.indexOf(QLatin1Char('@'));
    const qsizetype hash = key.lastIndexOf(QLatin1Char('#'));
    if (at < 0 || hash < at)
        return {};
    return QDateTime::fromString(key.mid(at + 1, hash - at - 1), Qt::ISODate);
}

} // namespace

Outcome evaluate(const UsageData& data, const QList<int>& thresholds, const QSet<QString>& notified,
                 const QDateTime& now)
{
    Outcome outcome;
    for (const QString& key : notified) {
        const QDateTime reset = resetOfKey(key);
        if (reset.isValid() && reset > now)
            outcome.notified.insert(key);
    }

    QList<int> ascending = thresholds;
    std::sort(ascending.begin(), ascending.end());
    for (const Window& window : windowsOf(data)) {
        // A window without a reset time cannot be told from the next one.
        if (!window.resetsAt.isValid() || !wholePercent(window.percent))
            continue;
        std::optional<int> highest;
        for (int threshold : ascending) {
            if (window.percent < threshold)
                break;
            const QString key = keyOf(window, threshold);
            if (!outcome.notified.contains(key)) {
                outcome.notified.insert(key);
                highest = threshold;
            }
        }
        if (highest) {
            outcome.alerts.append({keyOf(window, *highest),
                                   QStringLiteral("%1 at %2%").arg(window.name).arg(*highest),
                                   QStringLiteral("Resets ") + window.resetText});
        }
    }
    return outcome;
}

} // namespace UsageAlerts
