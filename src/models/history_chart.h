#pragma once

#include "models/history_point.h"
#include "models/usage_pace.h"
#include "models/usage_window.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

// What the History window can show.
enum class HistorySpan { sessionWindow, day, week, month };

namespace HistorySpans {
// In the order the window offers them.
const QList<HistorySpan>& all();
// "This 5-hour window", "24 hours", "7 days", "30 days".
QString title(HistorySpan span);
} // namespace HistorySpans

// One window's line in the chart.
struct ChartLine {
    UsageWindowKind kind;
    // Within the chart's range, oldest first.
    QList<HistoryPoint> points;
    // Resets within the range to mark; none when they would crowd the chart.
    QList<QDateTime> resets;
    // Where the current period's pace leads by its reset (or where it reaches 100%):
    // drawn from the last point. None without a current period or a reset ahead.
    std::optional<UsageSample> projection;
};

// A chart of the history: the time range, the height and one line per window.
struct ChartData {
    QDateTime from;
    QDateTime to;
    QDateTime now;
    // The top of the percent axis: 100, or more when a figure went beyond.
    double top = 100;
    QList<ChartLine> lines;
    // The time axis's labelled instants and how they read.
    QList<QDateTime> ticks;
    QString tickPattern;
};

struct ChartInput {
    HistorySpan span = HistorySpan::day;
    QDateTime now;
    // The latest snapshot's figures, for the current periods; may be empty.
    QList<WindowFigure> current;
    // The stored figures of a window within a range, and its current period's.
    std::function<QList<HistoryPoint>(const QString& windowId, const QDateTime& from,
                                      const QDateTime& to)>
        points;
    std::function<QList<UsageSample>(const QString& windowId)> samples;
    // Every window with stored figures, in any order.
    QStringList windowIds;
};

namespace HistoryChart {

// A window's marks are left out beyond this many in the range (the session's in 30 days).
constexpr int maxResetMarks = 12;
// Points further apart than this (twice the longest refresh interval and a little) are
// not joined: the agent was off, or the service out of reach.
constexpr qint64 maxJoinedSeconds = 65 * 60;

// The range of a span: the session's current period for sessionWindow, else the span up
// to now with a sixth of it after now for the projections.
std::pair<QDateTime, QDateTime> rangeOf(HistorySpan span, const QDateTime& now,
                                        const QList<WindowFigure>& current);

ChartData build(const ChartInput& input);

// The figure at the instant at the pace of the samples (their first to last), carried on
// from the last; capped where it reaches 100.
std::optional<UsageSample> projection(const QList<UsageSample>& samples, const QDateTime& resetsAt);

} // namespace HistoryChart
