#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

struct UsageData;

// How close a figure is to its limit: a warning from 70, critical from 90.
enum class Severity { normal, warning, critical };

// How a window's reset instant reads: the session's as a time of day, the others with
// their date.
enum class ResetStyle { timeOfDay, dateAndTime };

// One usage window: what it is called and how it is shown. The known ones are a table;
// any other window the service reports gets a generic entry from its body key.
struct UsageWindowKind {
    QString id;       // stable across versions: settings, history, the bus ("session")
    QString bodyKey;  // its member of the usage body ("five_hour")
    QString title;    // "Session"
    QString subtitle; // "5 hour"; empty when the length is unknown
    QString icon;     // the dashboard's symbol
    ResetStyle resetStyle = ResetStyle::dateAndTime;
    // Offered as a "Display Metric" of its own.
    bool isMetric = false;
    // Its line in the history chart, 0xRRGGBB; 0: one of the chart's further colours.
    quint32 chartColor = 0;

    bool operator==(const UsageWindowKind&) const = default;
};

// One window's figure in a snapshot.
struct WindowFigure {
    UsageWindowKind kind;
    double percent = 0;
    // Invalid when the service gave none.
    QDateTime resetsAt;
    // Said instead of the reset time ("Out of credits"); usually empty.
    QString resetNote;
    // A second line under the figure ("€0.00 of €40.00"); usually empty.
    QString detail;
    // Gaugery's own figure, not the service's: the reset passed since the snapshot, so the
    // window shows 0 until new figures come. Never kept, alerted on or ranked.
    bool inferred = false;

    bool operator==(const WindowFigure&) const = default;
};

namespace UsageWindows {

inline const QString sessionId = QStringLiteral("session");
inline const QString weeklyId = QStringLiteral("weekly");
inline const QString sonnetId = QStringLiteral("sonnet");
inline const QString opusId = QStringLiteral("opus");
inline const QString extraUsageId = QStringLiteral("extra_usage");
inline const QString highestMetric = QStringLiteral("highest");
// The figure the tray shows when nothing else is chosen.
inline const QString defaultMetric = sessionId;

// The windows the program knows by name, in display order.
const QList<UsageWindowKind>& known();
const UsageWindowKind* find(const QString& id);
// The entry for a window the table does not hold, named after its body key:
// "seven_day_cowork" is "Cowork", "7 day"; "iguana_necktie" is "Iguana Necktie".
UsageWindowKind generic(const QString& bodyKey);
// The entry for a weekly limit the service scopes to a model or product by name: "Fable"
// is "seven_day_fable", "Fable", "7 day".
UsageWindowKind scoped(const QString& name);
// The entry of extra usage, the paid usage beyond the plan: "Extra usage".
UsageWindowKind extraUsage();
// The known per-model window a scoped limit's name speaks of ("Sonnet", "Claude Opus 4"),
// or nothing.
const UsageWindowKind* forModel(const QString& name);

// Every figure of a snapshot in display order: the known windows (each only when reported,
// Opus only with both its figure and its reset), then the further ones the service
// reported. What is kept and alerted on.
QList<WindowFigure> figures(const UsageData& data);
// The figures as they stand at `now`, for showing: a window whose reset has passed since
// the snapshot was taken is inferred reset, at 0 with "Reset at 3:05 PM, waiting for
// figures". An invalid `now` infers nothing.
QList<WindowFigure> figuresAt(const UsageData& data, const QDateTime& now);

// Whether a "menuBarMetric" value chooses a further window by its id ("seven_day_fable",
// "extra_usage"): one lower-case word that names no window the table knows.
bool choosesFurtherWindow(const QString& metric);
// The entry of a window by its id, for one the snapshot does not hold: the table's, extra
// usage's, else one named after the id.
UsageWindowKind kindOf(const QString& id);

// The window a "menuBarMetric" value chooses: a metric window or a further one by its id,
// anything else the session; empty for "highest", the figure nearest its limit.
QString chosenWindow(const QString& metric);
// The figure the tray shows at `now` for a "menuBarMetric" value. Nothing for a chosen
// window the snapshot lacks: the service does not report it now.
std::optional<WindowFigure> shownFigure(const UsageData& data, const QString& metric,
                                        const QDateTime& now);
// The same among figures read back from elsewhere (the bus); nothing when none fits.
std::optional<WindowFigure> shownFigure(const QList<WindowFigure>& figures, const QString& metric);
// What the tray shows of a window the service does not report now.
inline const QString unreportedText = QStringLiteral("–");
// Whether a is nearer its limit than b: "Highest"; a figure that is no number, or one
// Gaugery inferred, never is.
bool nearerToLimit(const WindowFigure& a, const WindowFigure& b);

Severity severityOf(double percent);
// "low", "warning" or "critical", as status bars style them.
QString severityName(Severity severity);

// The whole percentage truncated toward zero ("42"), or "--" when it has no integer form.
QString wholeText(double percent);
// The dashboard row's: negative values as 0, NaN as "–", beyond the 64-bit range its limit;
// with the "%" sign.
QString rowPercentText(double percent);
// The reset in the window's style and the user's locale ("3:05 PM", "Jan 15, 3:05 PM";
// "15:05", "15. Jan., 15:05" in German), the note when there is one, empty when the reset
// is unknown.
QString resetText(const WindowFigure& figure);
// A time of day in the user's locale ("4:10 PM", "16:10"); empty for an invalid instant.
// Every time of day Gaugery shows is said this way.
QString timeOfDayText(const QDateTime& instant);
// The reset as a phrase: "resets at 3:05 PM" (the session's), "resets Jan 15, 3:05 PM",
// the note in its place ("Out of credits"), empty when unknown. A `sentence` starts with
// a capital, for a line of its own.
QString resetPhrase(const WindowFigure& figure, bool sentence = false);
// "Updated 2:05 PM": when the snapshot was taken, as a local time of day.
QString updatedText(const QDateTime& lastUpdated);

// Two resets within a minute are the same window: the service jitters them from one
// answer to the next, and a default reset moves with the clock.
bool sameReset(const QDateTime& a, const QDateTime& b);

} // namespace UsageWindows
