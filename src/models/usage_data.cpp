#include "models/usage_data.h"

#include <QLocale>

QString ResetFormat::format(const QDateTime& instant, const char* pattern)
{
    return QLocale::system().toString(instant.toLocalTime(), QLatin1String(pattern));
}

QString UsageData::sessionResetString() const
{
    return QStringLiteral("at ") + ResetFormat::format(sessionResetTime, ResetFormat::timeOnly);
}

std::optional<QString> UsageData::weeklyOpusResetString() const
{
    if (!weeklyOpusResetTime)
        return std::nullopt;
    return ResetFormat::format(*weeklyOpusResetTime, ResetFormat::dateAndTime);
}
