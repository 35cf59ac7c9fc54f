#pragma once

#include "models/usage_data.h"
#include "models/usage_pace.h"

#include <QHash>
#include <QList>

// The figures of the last few hours, per window, kept in memory for the pace forecast.
class UsageHistory {
public:
    static constexpr qint64 keptSeconds = 5 * 60 * 60;

    void record(const UsageData& data);
    // The samples of the window with this id in its current period, oldest first; a
    // reset starts the list over.
    QList<UsageSample> samples(const QString& windowId) const;

private:
    struct Window {
        QDateTime resetsAt;
        QList<UsageSample> samples;
    };
    void add(const WindowFigure& figure, const QDateTime& at);

    QHash<QString, Window> m_windows;
};
