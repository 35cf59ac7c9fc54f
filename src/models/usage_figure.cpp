#include "models/usage_figure.h"

UsageFigure shownFigure(const UsageData& usage, const QString& metric)
{
    if (metric == QLatin1String("weekly"))
        return {QStringLiteral("Weekly"), usage.weeklyUsagePercent, usage.weeklyResetTime};
    if (metric == QLatin1String("sonnet"))
        return {QStringLiteral("Sonnet"), usage.weeklySonnetUsagePercent,
                usage.weeklySonnetResetTime};
    return {QStringLiteral("Session"), usage.sessionUsagePercent, usage.sessionResetTime};
}
