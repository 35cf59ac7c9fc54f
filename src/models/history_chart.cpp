#include "models/history_chart.h"

#include "models/instant_text.h"

#include <QCoreApplication>
#include <QTimeZone>

#include <algorithm>
#include <cmath>

namespace {

// The context this file's texts are translated in.
class Texts {
    Q_DECLARE_TR_FUNCTIONS(HistoryChart)
};

constexpr qint64 hour = 3600;
constexpr qint64 day = 24 * hour;
constexpr qint64 sessionLength = 5 * hour;

qint64 lengthOf(HistorySpan span)
{
    switch (span) {
    case HistorySpan::sessionWindow:
        return sessionLength;
    case HistorySpan::day:
        return day;
    case HistorySpan::week:
        return 7 * day;
    case HistorySpan::month:
        return 30 * day;
    }
    return day;
}

// Local wall-clock instants from the first multiple of the step at or after from: every
// stepHours hours, or every stepDays days at midnight.
QList<QDateTime> ticksOf(const QDateTime& from, const QDateTime& to, int stepHours, int stepDays)
{
    QDateTime tick = from.toLocalTime();
    tick.setTime(QTime(tick.time().hour(), 0));
    if (stepDays > 0)
        tick.setTime(QTime(0, 0));
    QList<QDateTime> ticks;
    for (; tick <= to; tick = stepDays > 0 ? tick.addDays(1) : tick.addSecs(hour)) {
        const bool onStep = stepDays > 0 ? tick.date().toJulianDay() % stepDays == 0
                                         : tick.time().hour() % stepHours == 0;
        if (tick >= from && onStep)
            ticks.append(tick.toUTC());
    }
    return ticks;
}

const WindowFigure* currentOf(const QList<WindowFigure>& current, const QString& id)
{
    const auto found = std::find_if(current.begin(), current.end(),
                                    [&](const WindowFigure& f) { return f.kind.id == id; });
    return found == current.end() ? nullptr : &*found;
}

// Known windows in their table's order, then the others by id.
QStringList ordered(QStringList ids)
{
    auto rank = [](const QString& id) {
        const QList<UsageWindowKind>& known = UsageWindows::known();
        for (qsizetype i = 0; i < known.size(); ++i) {
            if (known.at(i).id == id)
                return i;
        }
        return known.size();
    };
    std::sort(ids.begin(), ids.end(), [&](const QString& a, const QString& b) {
        return std::pair(rank(a), a) < std::pair(rank(b), b);
    });
    ids.removeDuplicates();
    return ids;
}

QList<QDateTime> resetsIn(const QList<HistoryPoint>& points, const WindowFigure* current,
                          const QDateTime& from, const QDateTime& to)
{
    QList<QDateTime> resets;
    auto add = [&](const QDateTime& reset) {
        if (reset.isValid() && reset >= from && reset <= to &&
            std::none_of(resets.begin(), resets.end(), [&](const QDateTime& known) {
                return UsageWindows::sameReset(known, reset);
            }))
            resets.append(reset);
    };
    for (const HistoryPoint& point : points)
        add(point.resetsAt);
    if (current)
        add(current->resetsAt);
    if (resets.size() > HistoryChart::maxResetMarks)
        resets.clear();
    return resets;
}

} // namespace

namespace HistorySpans {

const QList<HistorySpan>& all()
{
    static const QList<HistorySpan> spans{HistorySpan::sessionWindow, HistorySpan::day,
                                          HistorySpan::week, HistorySpan::month};
    return spans;
}

QString title(HistorySpan span)
{
    switch (span) {
    case HistorySpan::sessionWindow:
        return Texts::tr("This 5-hour window");
    case HistorySpan::day:
        return Texts::tr("24 hours");
    case HistorySpan::week:
        return Texts::tr("7 days");
    case HistorySpan::month:
        return Texts::tr("30 days");
    }
    return QString();
}

} // namespace HistorySpans

namespace HistoryChart {

std::pair<QDateTime, QDateTime> rangeOf(HistorySpan span, const QDateTime& now,
                                        const QList<WindowFigure>& current)
{
    const qint64 length = lengthOf(span);
    if (span == HistorySpan::sessionWindow) {
        const WindowFigure* session = currentOf(current, UsageWindows::known().first().id);
        if (session && session->resetsAt.isValid())
            return {session->resetsAt.addSecs(-length), session->resetsAt};
        return {now.addSecs(-length), now};
    }
    return {now.addSecs(-length), now.addSecs(length / 6)};
}

std::optional<UsageSample> projection(const QList<UsageSample>& samples, const QDateTime& resetsAt)
{
    if (samples.size() < 2 || !resetsAt.isValid() || resetsAt <= samples.last().at)
        return std::nullopt;
    const UsageSample& first = samples.first();
    const UsageSample& last = samples.last();
    if (const std::optional<QDateTime> full = UsagePace::fullAt(samples, resetsAt))
        return UsageSample{*full, 100};
    const double seconds = double(first.at.msecsTo(last.at)) / 1000;
    const double rise = last.percent - first.percent;
    if (!(seconds > 0) || !std::isfinite(rise))
        return std::nullopt;
    // No rise, or already full: the figure stays where it is.
    if (!(rise > 0) || !(last.percent < 100))
        return UsageSample{resetsAt, last.percent};
    return UsageSample{resetsAt,
                       last.percent + rise / seconds * double(last.at.msecsTo(resetsAt)) / 1000};
}

ChartData build(const ChartInput& input)
{
    ChartData chart;
    chart.now = input.now;
    std::tie(chart.from, chart.to) = rangeOf(input.span, input.now, input.current);

    QStringList ids = input.windowIds;
    for (const WindowFigure& figure : input.current)
        ids.append(figure.kind.id);
    for (const QString& id : ordered(ids)) {
        ChartLine line;
        line.points = input.points ? input.points(id, chart.from, chart.to) : QList<HistoryPoint>();
        if (line.points.isEmpty())
            continue;
        const WindowFigure* current = currentOf(input.current, id);
        const UsageWindowKind* known = UsageWindows::find(id);
        line.kind = current ? current->kind : known ? *known : UsageWindows::generic(id);
        line.resets = resetsIn(line.points, current, chart.from, chart.to);
        if (current && input.samples)
            line.projection = projection(input.samples(id), current->resetsAt);
        for (const HistoryPoint& point : line.points)
            chart.top = std::max(chart.top, point.percent);
        if (line.projection)
            chart.top = std::max(chart.top, line.projection->percent);
        chart.lines.append(line);
    }
    if (!std::isfinite(chart.top))
        chart.top = 100;
    chart.top = std::ceil(chart.top / 25) * 25;

    switch (input.span) {
    case HistorySpan::sessionWindow:
        chart.ticks = ticksOf(chart.from, chart.to, 1, 0);
        chart.tickPattern = InstantText::timeOfDayPattern();
        break;
    case HistorySpan::day:
        chart.ticks = ticksOf(chart.from, chart.to, 4, 0);
        chart.tickPattern = InstantText::timeOfDayPattern();
        break;
    case HistorySpan::week:
        chart.ticks = ticksOf(chart.from, chart.to, 0, 1);
        chart.tickPattern = QStringLiteral("ddd d");
        break;
    case HistorySpan::month:
        chart.ticks = ticksOf(chart.from, chart.to, 0, 5);
        chart.tickPattern = InstantText::monthDayPattern();
        break;
    }
    return chart;
}

} // namespace HistoryChart
