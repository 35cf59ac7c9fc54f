#pragma once

#include "models/usage_data.h"
#include "views/dashboard/usage_row.h"

#include <QList>

#include <optional>

// What fills the dashboard between its dividers, decided from the service's state;
// `accounts` is the section per account of several.
enum class DashboardContent { usage, welcome, loading, accounts, none };

namespace Dashboard {

// A snapshot wins over everything; without one, no sign-in means the welcome page and a
// running fetch the loading block.
DashboardContent content(bool hasUsageData, bool isConnected, bool isLoading);
// With several accounts: their sections, or the welcome page while none is connected.
DashboardContent contentOfSeveral(bool anyConnected);

// One row per figure of the snapshot as it stands at `now`, in display order.
QList<UsageRow> usageRows(const UsageData& data, const QDateTime& now);

} // namespace Dashboard
