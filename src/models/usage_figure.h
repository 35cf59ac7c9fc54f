#pragma once

#include "models/usage_data.h"

#include <QDateTime>
#include <QString>

// The one figure the tray shows, chosen by the "menuBarMetric" setting: "weekly" and
// "sonnet" pick those windows, any other value the session window.
struct UsageFigure {
    QString name; // "Session", "Weekly", "Sonnet"
    double percent = 0;
    QDateTime resetsAt;
};

UsageFigure shownFigure(const UsageData& usage, const QString& metric);
