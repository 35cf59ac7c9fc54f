#pragma once

#include "models/usage_data.h"
#include "services/sources/claude_code/status_line_report.h"

#include <optional>

namespace StatusLineMerge {

// The figures shown with a status-line report taken in: each window it holds replaces the
// shown one unless that is as new, the windows it lacks keep their figures and when they
// were taken, and one neither holds stays unreported. None when the report is older than
// `staleSeconds` at `now` or replaces nothing. Shown figures of another owner are not
// kept.
std::optional<UsageData> merged(const std::optional<UsageData>& shown,
                                const StatusLineReport& report, const QString& owner,
                                double staleSeconds, const QDateTime& now);

} // namespace StatusLineMerge
