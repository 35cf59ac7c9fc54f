#pragma once

#include "models/usage_data.h"
#include "views/usage_row.h"

#include <QList>

#include <optional>

// What fills the dashboard between its dividers, decided from the service's state.
enum class DashboardContent { usage, welcome, loading, none };

namespace Dashboard {

// A snapshot wins over everything; without one, no sign-in means the welcome page and a
// running fetch the loading block.
DashboardContent content(bool hasUsageData, bool isConnected, bool isLoading);

// One row per figure of the snapshot, in display order.
QList<UsageRow> usageRows(const UsageData& data);

} // namespace Dashboard
