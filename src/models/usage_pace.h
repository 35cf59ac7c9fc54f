#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

struct UsageSample {
    QDateTime at;
    double percent = 0;

    bool operator==(const UsageSample&) const = default;
};

namespace UsagePace {

// When the window would be full at its recent rate: the rise from the oldest to the
// newest sample, carried on from the newest. Nothing with fewer than two samples, no
// rise, a window already full, or a forecast that does not come before the reset.
std::optional<QDateTime> fullAt(const QList<UsageSample>& samples, const QDateTime& resetsAt);

// "resets in 2 h 13 min", "resets in 3 d 4 h", "resets in under a minute".
QString resetsInText(const QDateTime& now, const QDateTime& resetsAt);

} // namespace UsagePace
