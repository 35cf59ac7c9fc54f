#include "services/alerts/reset_alerts.h"

#include <QCoreApplication>

namespace {

// The context this file's texts are translated in.
class Texts {
    Q_DECLARE_TR_FUNCTIONS(ResetAlerts)
};

} // namespace

namespace ResetAlerts {

namespace {

QString keyOf(const QString& owner, const QString& window)
{
    return owner + u'|' + window;
}

Alert alertOf(const Watch& watch)
{
    return {Texts::tr("%1 limit has reset").arg(watch.title),
            Texts::tr("Reset at %1").arg(UsageWindows::timeOfDayText(watch.resetsAt))};
}

// Tells of the watched window's reset once it has passed, if it had reached the threshold.
void settle(Watch& watch, const QDateTime& now, QList<Alert>& alerts)
{
    if (watch.passed || watch.resetsAt > now)
        return;
    watch.passed = true;
    if (watch.reached)
        alerts.append(alertOf(watch));
}

} // namespace

Outcome evaluate(const UsageData& data, int threshold, const Watches& watches, const QDateTime& now)
{
    Outcome outcome;
    const QString prefix = keyOf(data.owner, QString());
    // Other owners' windows as they were; this owner's only while the snapshot holds them.
    Watches gone;
    for (auto it = watches.begin(); it != watches.end(); ++it)
        (it.key().startsWith(prefix) ? gone : outcome.watches).insert(it.key(), *it);

    for (const WindowFigure& figure : UsageWindows::figures(data)) {
        if (!figure.resetsAt.isValid())
            continue;
        const QString key = keyOf(data.owner, figure.kind.id);
        const bool reached = figure.percent >= threshold;
        Watch watch = gone.take(key);
        if (watch.resetsAt.isValid() && UsageWindows::sameReset(watch.resetsAt, figure.resetsAt)) {
            watch.reached = watch.reached || reached;
            watch.resetsAt = figure.resetsAt;
        } else {
            // A new window: the one before ended with its reset, told now if not yet.
            if (watch.resetsAt.isValid())
                settle(watch, now, outcome.alerts);
            watch = {figure.resetsAt, figure.kind.title, reached, figure.resetsAt <= now};
        }
        settle(watch, now, outcome.alerts);
        outcome.watches.insert(key, watch);
    }
    // A window the service no longer reports ends at its reset all the same.
    for (Watch& watch : gone)
        settle(watch, now, outcome.alerts);
    return outcome;
}

} // namespace ResetAlerts
