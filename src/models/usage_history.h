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
    // The samples of the window the figure named ("Session", "Weekly", "Sonnet") is in
    // now, oldest first; a reset starts the list over.
    QList<UsageSample> samples(const QString& figureName) const;

private:
    struct Window {
        QDateTime resetsAt;
        QList<UsageSample> samples;
    };
    void add(const QString& name, const QDateTime& at, double percent, const QDateTime& resetsAt);

    QHash<QString, Window> m_windows;
};
