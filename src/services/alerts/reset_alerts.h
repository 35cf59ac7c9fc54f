#pragma once

#include "models/usage_data.h"

#include <QHash>
#include <QList>
#include <QString>

// Which windows have reset: one notice per window and reset, for a window that had reached
// the first alert threshold. Only a reset seen coming counts: one already passed when a
// window is first seen is not news, so a restart never repeats one.
namespace ResetAlerts {

// A window as last seen: its reset, whether it reached the threshold, whether its reset
// has been dealt with.
struct Watch {
    QDateTime resetsAt;
    QString title;
    bool reached = false;
    bool passed = false;

    bool operator==(const Watch&) const = default;
};
// By "owner|window".
using Watches = QHash<QString, Watch>;

struct Alert {
    QString summary; // "Session limit has reset"
    QString body;    // "Reset at 3:05 PM"
};

struct Outcome {
    QList<Alert> alerts;
    Watches watches;
};

// The resets the snapshot's owner has passed by now, and the windows watched from then on
// (other owners' as they were).
Outcome evaluate(const UsageData& data, int threshold, const Watches& watches,
                 const QDateTime& now);

} // namespace ResetAlerts
