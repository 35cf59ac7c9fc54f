#pragma once

#include "models/usage_window.h"

#include <QDateTime>
#include <QList>

#include <optional>

// The figures of one successful usage fetch. Instants are kept in UTC; they become local
// wall-clock text only where they are shown (UsageWindows::resetText).
struct UsageData {
    static inline const QString claudeCodeOwner = QStringLiteral("claudeCode");

    double sessionUsagePercent = 0;
    QDateTime sessionResetTime;
    double weeklyUsagePercent = 0;
    QDateTime weeklyResetTime;
    double weeklySonnetUsagePercent = 0;
    QDateTime weeklySonnetResetTime;
    std::optional<double> weeklyOpusUsagePercent;
    std::optional<QDateTime> weeklyOpusResetTime;
    QDateTime lastUpdated;
    // Whose figures these are: the organization's id for a browser session,
    // UsageData::claudeCodeOwner for Claude Code's sign-in. History rows and remembered
    // alerts carry it, so two accounts' figures never mix.
    QString owner;
    // Every other limit the service filled in, in display order.
    QList<WindowFigure> furtherWindows;
};
