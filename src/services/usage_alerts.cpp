#include "services/usage_alerts.h"

#include "models/whole_percent.h"

#include <algorithm>

namespace UsageAlerts {

namespace {

QString keyOf(const WindowFigure& window, int threshold)
{
    return QStringLiteral("%1@%2#%3")
        .arg(window.kind.id, window.resetsAt.toUTC().toString(Qt::ISODate))
        .arg(threshold);
}

struct Key {
    QString window;
    QDateTime reset;
    int threshold = 0;
};

std::optional<Key> parseKey(const QString& key)
{
    const qsizetype at = key.indexOf(QLatin1Char('@'));
    const qsizetype hash = key.lastIndexOf(QLatin1Char('#'));
    if (at < 0 || hash < at)
        return std::nullopt;
    bool ok = false;
    const int threshold = key.mid(hash + 1).toInt(&ok);
    const QDateTime reset = QDateTime::fromString(key.mid(at + 1, hash - at - 1), Qt::ISODate);
    if (!ok || !reset.isValid())
        return std::nullopt;
    return Key{key.left(at), reset, threshold};
}

// Only alerts of windows that have not reset yet are remembered, and a window cannot end
// before its reset: a remembered alert of the same window and threshold is this window's,
// whatever reset the service names now (it jitters, and one it leaves out moves with the
// clock from one answer to the next).
bool alreadyNotified(const QSet<QString>& live, const WindowFigure& window, int threshold)
{
    for (const QString& text : live) {
        const std::optional<Key> key = parseKey(text);
        if (key && key->window == window.kind.id && key->threshold == threshold)
            return true;
    }
    return false;
}

QString bodyOf(const WindowFigure& window)
{
    const QString reset = UsageWindows::resetText(window);
    if (!window.resetNote.isEmpty() || reset.isEmpty())
        return reset;
    return window.kind.resetStyle == ResetStyle::timeOfDay ? QStringLiteral("Resets at ") + reset
                                                           : QStringLiteral("Resets ") + reset;
}

} // namespace

Outcome evaluate(const UsageData& data, const QList<int>& thresholds, const QSet<QString>& notified,
                 const QDateTime& now)
{
    Outcome outcome;
    for (const QString& key : notified) {
        const std::optional<Key> parsed = parseKey(key);
        if (parsed && parsed->reset > now)
            outcome.notified.insert(key);
    }

    QList<int> ascending = thresholds;
    std::sort(ascending.begin(), ascending.end());
    for (const WindowFigure& window : UsageWindows::figures(data)) {
        // A window without a reset time cannot be told from the next one.
        if (!window.resetsAt.isValid() || !wholePercent(window.percent))
            continue;
        std::optional<int> highest;
        for (int threshold : ascending) {
            if (window.percent < threshold)
                break;
            if (!alreadyNotified(outcome.notified, window, threshold)) {
                outcome.notified.insert(keyOf(window, threshold));
                highest = threshold;
            }
        }
        if (highest) {
            outcome.alerts.append({keyOf(window, *highest),
                                   QStringLiteral("%1 at %2%").arg(window.kind.title).arg(*highest),
                                   bodyOf(window)});
        }
    }
    return outcome;
}

} // namespace UsageAlerts
