#pragma once

#include "models/usage_data.h"
#include "views/usage_row.h"

#include <QList>
#include <QUrl>

#include <optional>

// What fills the dashboard between its dividers, decided from the service's state.
enum class DashboardContent { usage, welcome, loading, none };

namespace Dashboard {

// A snapshot wins over everything; without one, no cookie means the welcome page and a
// running fetch the loading block.
DashboardContent content(bool hasUsageData, bool hasCookie, bool isLoading);

// One row per figure of the snapshot, in display order.
QList<UsageRow> usageRows(const UsageData& data);

// "Updated " and the local time on the 24-hour clock, whatever the locale prefers.
QString updatedText(const QDateTime& lastUpdated);

// The donation page, when the configured address is an absolute URL.
std::optional<QUrl> donationUrl(const QString& address);

} // namespace Dashboard
