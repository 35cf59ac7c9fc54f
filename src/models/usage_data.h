#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

// The figures of one successful usage fetch. Instants are kept in UTC; they become
// local wall-clock text only in the display strings.
struct UsageData {
    double sessionUsagePercent = 0;
    QDateTime sessionResetTime;
    double weeklyUsagePercent = 0;
    QDateTime weeklyResetTime;
    double weeklySonnetUsagePercent = 0;
    QDateTime weeklySonnetResetTime;
    std::optional<double> weeklyOpusUsagePercent;
    std::optional<QDateTime> weeklyOpusResetTime;
    QDateTime lastUpdated;

    // "at " and the local time, e.g. "at 3:05 PM" in an English locale.
    QString sessionResetString() const;
    // The local date and time, e.g. "Jan 15, 3:05 PM"; absent without an Opus reset.
    std::optional<QString> weeklyOpusResetString() const;
};

// Local time text of an instant in the system locale, on the patterns the dashboard uses.
namespace ResetFormat {
// Unicode "h:mm a" in Qt's pattern syntax.
inline constexpr char timeOnly[] = "h:mm AP";
// Unicode "MMM d, h:mm a" in Qt's pattern syntax.
inline constexpr char dateAndTime[] = "MMM d, h:mm AP";

QString format(const QDateTime& instant, const char* pattern);
} // namespace ResetFormat
