#pragma once

#include "models/usage_window.h"

#include <QDateTime>
#include <QHash>
#include <QList>

#include <optional>

// The figures of one successful usage fetch. Instants are kept in UTC; they become local
// wall-clock text only where they are shown (UsageWindows::resetText). A reset the
// service did not name is an invalid instant: never made up.
struct UsageData {
    static inline const QString claudeCodeOwner = QStringLiteral("claudeCode");

    // Absent when the service reports no 5-hour window: some plans have none. The window
    // is then not shown, kept or alerted on. The weekly ones are absent only while Claude
    // Code's status line alone has brought figures: it never holds Sonnet's.
    std::optional<double> sessionUsagePercent;
    QDateTime sessionResetTime;
    std::optional<double> weeklyUsagePercent = 0;
    QDateTime weeklyResetTime;
    std::optional<double> weeklySonnetUsagePercent = 0;
    QDateTime weeklySonnetResetTime;
    std::optional<double> weeklyOpusUsagePercent;
    // Absent when the Opus member names no reset (the window is then not shown); a scoped
    // limit that fills the window sets it, invalid when that limit names no reset either.
    std::optional<QDateTime> weeklyOpusResetTime;
    QDateTime lastUpdated;
    // Whose figures these are: the organization's id for a browser session,
    // UsageData::claudeCodeOwner for Claude Code's sign-in. History rows and remembered
    // alerts carry it, so two accounts' figures never mix.
    QString owner;
    // Every other limit the service filled in, in display order.
    QList<WindowFigure> furtherWindows;
    // A known window's detail line by its id: the spend the service reported with it.
    QHash<QString, QString> windowDetails;
    // The newest figures came from Claude Code's status line rather than the service.
    bool fromStatusLine = false;
    // When each window's figure was taken, for those taken before lastUpdated: a status
    // line's report leaves the windows it lacks as the service last answered them.
    QHash<QString, QDateTime> takenAt;
};
