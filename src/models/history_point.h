#pragma once

#include <QDateTime>
#include <QString>

// One stored figure: a window's utilization as one snapshot found it.
struct HistoryPoint {
    // When the snapshot was taken, UTC.
    QDateTime at;
    QString windowId;
    double percent = 0;
    // Invalid when the service gave none.
    QDateTime resetsAt;

    bool operator==(const HistoryPoint&) const = default;
};
