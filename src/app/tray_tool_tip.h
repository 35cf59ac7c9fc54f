#pragma once

#include "models/usage_data.h"
#include "models/usage_history.h"

#include <QDateTime>
#include <QString>

#include <optional>

// The tray tooltip: the figure by name ("Session 42%"), then the time to its reset and,
// when the recent rate fills the window before that, when it would be full:
// "Session 42%\nresets in 2 h 13 min\nat this pace: full at 4:10 PM".
QString trayToolTip(const std::optional<UsageData>& usage, const QString& metric,
                    const UsageHistory& history, const QDateTime& now);
