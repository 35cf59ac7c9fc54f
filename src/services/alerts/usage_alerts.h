#pragma once

#include "models/usage_data.h"

#include <QList>
#include <QSet>
#include <QString>

// Which usage alerts a snapshot calls for. A threshold counts once per account, window and
// reset: the key names all four, so a new window starts over, a restart does not repeat,
// and one account's alerts never silence another's.
namespace UsageAlerts {

struct Alert {
    QString key;
    QString summary; // "Session at 75%"
    QString body;    // "Resets at 3:05 PM"
};

struct Outcome {
    // At most one per window: the highest threshold newly reached, so a first look at a
    // window already at 80% is one alert, not three at once.
    QList<Alert> alerts;
    // The keys to remember from now on: the ones still in a current window (other
    // accounts' until a week past their reset), plus every threshold reached now (the
    // lower ones too).
    QSet<QString> notified;
};

// A key without an owner (written before accounts were told apart) belongs to no
// snapshot's owner until adopt() gives it one.
Outcome evaluate(const UsageData& data, const QList<int>& thresholds, const QSet<QString>& notified,
                 const QDateTime& now);

// The keys with the owner-less ones made `owner`'s: those were the first account's, the
// only one there was when they were written.
QSet<QString> adopt(const QSet<QString>& notified, const QString& owner);

} // namespace UsageAlerts
