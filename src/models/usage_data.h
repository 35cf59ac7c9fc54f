#pragma once

#include "models/usage_window.h"

#include <QDateTime>
#include <QList>

#include <optional>

// The figures of one successful usage fetch. Instants are kept in UTC; they become local
// wall-clock text only where they are shown (UsageWindows::resetText).
struct UsageData {
    double sessionUsagePercent = 0;
    QDateTime sessionResetTime;
    double weeklyUsagePercent = 0;
    QDateTime weeklyResetTime;
    double weeklySonnetUsagePercent = 0;
    QDateTime weeklySonnetResetTime;
    std::optional<double> weeklyOpusUsagePercent;
    std::optional<QDateTime> weeklyOpusResetTime;
    QDateTime lastUpdated;
    // Every other limit the service filled in, in display order.
    QList<WindowFigure> furtherWindows;
};
