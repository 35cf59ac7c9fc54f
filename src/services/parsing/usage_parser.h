#pragma once

#include "models/clock.h"
#include "models/usage_data.h"

#include <QByteArray>
#include <QDateTime>

#include <functional>
#include <optional>

struct UsageParseResult {
    std::optional<UsageData> data;
    // The description of the fault when data is absent.
    QString error;
};

// Turns a usage body into a snapshot. Lenient: only a body that is not JSON, or JSON
// that is not an object, fails; a missing or mistyped figure is 0 and a missing reset
// stays unknown, but a session window neither its member nor the list of limits reports
// is absent. `now` stamps lastUpdated.
UsageParseResult parseUsageData(const QByteArray& body, const Clock& now = systemClock);
