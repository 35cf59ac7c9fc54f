#include "views/dashboard_content.h"

#include <QLocale>

namespace Dashboard {

DashboardContent content(bool hasUsageData, bool hasCookie, bool isLoading)
{
    if (hasUsageData)
        return DashboardContent::usage;
    if (!hasCookie)
        return DashboardContent::welcome;
    if (isLoading)
        return DashboardContent::loading;
    return DashboardContent::none;
}

QList<UsageRow> usageRows(const UsageData& data)
{
    const auto weekly = [](const QDateTime& reset) {
        return ResetFormat::format(reset, ResetFormat::dateAndTime);
    };
    QList<UsageRow> rows{
        {QStringLiteral("clock.fill"), QStringLiteral("Session"), QStringLiteral("5 hour"),
         data.sessionUsagePercent, data.sessionResetString()},
        {QStringLiteral("calendar"), QStringLiteral("Weekly"), QStringLiteral("7 day"),
         data.weeklyUsagePercent, weekly(data.weeklyResetTime)},
        {QStringLiteral("star.fill"), QStringLiteral("Sonnet"), QStringLiteral("7 day"),
         data.weeklySonnetUsagePercent, weekly(data.weeklySonnetResetTime)},
    };
    const std::optional<QString> opusReset = data.weeklyOpusResetString();
    if (data.weeklyOpusUsagePercent && opusReset)
        rows.append({QStringLiteral("diamond.fill"), QStringLiteral("Opus"),
                     QStringLiteral("7 day"), *data.weeklyOpusUsagePercent, *opusReset});
    return rows;
}

QString updatedText(const QDateTime& lastUpdated)
{
    return QStringLiteral("Updated ") +
           QLocale::system().toString(lastUpdated.toLocalTime(), QStringLiteral("HH:mm"));
}

std::optional<QUrl> donationUrl(const QString& address)
{
    const QUrl url(address, QUrl::StrictMode);
    if (!url.isValid() || url.isRelative() || url.host().isEmpty())
        return std::nullopt;
    return url;
}

} // namespace Dashboard
