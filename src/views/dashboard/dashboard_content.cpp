#include "views/dashboard/dashboard_content.h"

#include <QLocale>

namespace Dashboard {

DashboardContent content(bool hasUsageData, bool isConnected, bool isLoading)
{
    if (hasUsageData)
        return DashboardContent::usage;
    if (!isConnected)
        return DashboardContent::welcome;
    if (isLoading)
        return DashboardContent::loading;
    return DashboardContent::none;
}

DashboardContent contentOfSeveral(bool anyConnected)
{
    return anyConnected ? DashboardContent::accounts : DashboardContent::welcome;
}

QList<UsageRow> usageRows(const UsageData& data, const QDateTime& now)
{
    QList<UsageRow> rows;
    for (const WindowFigure& figure : UsageWindows::figuresAt(data, now))
        rows.append({figure});
    return rows;
}

} // namespace Dashboard
