#include "services/alerts/usage_alerts.h"

#include "models/whole_percent.h"

#include <QCoreApplication>
#include <QTimeZone>

#include <algorithm>

namespace {

// The context this file's texts are translated in.
class Texts {
    Q_DECLARE_TR_FUNCTIONS(UsageAlerts)
};

} // namespace

namespace UsageAlerts {

namespace {

// How long a remembered alert of another account outlives its reset: that account's own
// snapshot decides sooner, and no window of the service is longer than a week.
constexpr qint64 otherAccountGraceSeconds = 8 * 24 * 60 * 60;

struct Key {
    // The account the figures belong to; empty in keys written before accounts were told
    // apart.
    QString owner;
    QString window;
    // Invalid when the service named none.
    QDateTime reset;
    int threshold = 0;
};

// "owner|window@seconds#threshold": the reset as seconds since the epoch, which, unlike a
// date text, reads back for any year; empty when unknown.
QString textOf(const Key& key)
{
    const QString reset =
        key.reset.isValid() ? QString::number(key.reset.toSecsSinceEpoch()) : QString();
    return QStringLiteral("%1|%2@%3#%4").arg(key.owner, key.window, reset).arg(key.threshold);
}

QString keyOf(const QString& owner, const WindowFigure& window, int threshold)
{
    return textOf({owner, window.kind.id, window.resetsAt, threshold});
}

std::optional<Key> parseKey(const QString& text)
{
    const qsizetype bar = text.indexOf(QLatin1Char('|'));
    const qsizetype at = text.indexOf(QLatin1Char('@'), bar + 1);
    const qsizetype hash = text.lastIndexOf(QLatin1Char('#'));
    if (at < 0 || hash < at)
        return std::nullopt;
    bool ok = false;
    const int threshold = text.mid(hash + 1).toInt(&ok);
    const QString reset = text.mid(at + 1, hash - at - 1);
    Key key{bar < 0 ? QString() : text.left(bar), text.mid(bar + 1, at - bar - 1), {}, threshold};
    if (bar < 0) {
        // The earlier form, "window@2026-12-07T15:05:00Z#25".
        key.reset = QDateTime::fromString(reset, Qt::ISODate);
        ok = ok && key.reset.isValid();
    } else if (!reset.isEmpty()) {
        bool seconds = false;
        key.reset = QDateTime::fromSecsSinceEpoch(reset.toLongLong(&seconds), QTimeZone::utc());
        ok = ok && seconds && key.reset.isValid();
    }
    return ok ? std::optional(key) : std::nullopt;
}

// The alert was for this very window: the service names the same reset for it (it jitters,
// and keeps naming a passed one until the next window starts), or the remembered reset
// still lies ahead, as a window cannot end before its reset. Without a reset either way,
// the window is the same while its figure stays at the threshold.
bool sameWindow(const Key& key, const QString& owner, const WindowFigure& window,
                const QDateTime& now)
{
    if (key.owner != owner || key.window != window.kind.id)
        return false;
    if (!key.reset.isValid())
        return !window.resetsAt.isValid() && window.percent >= key.threshold;
    return UsageWindows::sameReset(key.reset, window.resetsAt) || key.reset > now;
}

} // namespace

Outcome evaluate(const UsageData& data, const QList<int>& thresholds, const QSet<QString>& notified,
                 const QDateTime& now)
{
    const QList<WindowFigure> windows = UsageWindows::figures(data);
    const auto remembered = [&](const Key& key) {
        return std::any_of(windows.begin(), windows.end(), [&](const WindowFigure& window) {
            return sameWindow(key, data.owner, window, now);
        });
    };
    Outcome outcome;
    QList<Key> kept;
    for (const QString& text : notified) {
        const std::optional<Key> key = parseKey(text);
        if (!key)
            continue;
        const bool ours = key->owner == data.owner;
        const bool keep =
            ours ? remembered(*key) || key->reset > now
                 : !key->reset.isValid() || key->reset.secsTo(now) < otherAccountGraceSeconds;
        if (keep) {
            outcome.notified.insert(text);
            kept.append(*key);
        }
    }

    QList<int> ascending = thresholds;
    std::sort(ascending.begin(), ascending.end());
    for (const WindowFigure& window : windows) {
        if (!wholePercent(window.percent))
            continue;
        std::optional<int> highest;
        for (int threshold : ascending) {
            if (window.percent < threshold)
                break;
            const bool told = std::any_of(kept.begin(), kept.end(), [&](const Key& key) {
                return key.threshold == threshold && sameWindow(key, data.owner, window, now);
            });
            if (!told) {
                outcome.notified.insert(keyOf(data.owner, window, threshold));
                highest = threshold;
            }
        }
        if (highest) {
            outcome.alerts.append({keyOf(data.owner, window, *highest),
                                   Texts::tr("%1 at %2%").arg(window.kind.title).arg(*highest),
                                   UsageWindows::resetPhrase(window, true)});
        }
    }
    return outcome;
}

QSet<QString> adopt(const QSet<QString>& notified, const QString& owner)
{
    QSet<QString> adopted;
    for (const QString& text : notified) {
        std::optional<Key> key = parseKey(text);
        if (key && key->owner.isEmpty()) {
            key->owner = owner;
            adopted.insert(textOf(*key));
        } else {
            adopted.insert(text);
        }
    }
    return adopted;
}

} // namespace UsageAlerts
