#include "models/usage_pace.h"

#include <QCoreApplication>

#include <cmath>

namespace {

// The context this file's texts are translated in.
class Texts {
    Q_DECLARE_TR_FUNCTIONS(UsagePace)
};

} // namespace

namespace UsagePace {

std::optional<QDateTime> fullAt(const QList<UsageSample>& samples, const QDateTime& resetsAt)
{
    if (samples.size() < 2)
        return std::nullopt;
    const UsageSample& first = samples.first();
    const UsageSample& last = samples.last();
    const double seconds = double(first.at.msecsTo(last.at)) / 1000;
    const double rise = last.percent - first.percent;
    if (!(seconds > 0) || !(rise > 0) || !(last.percent < 100) || !std::isfinite(rise))
        return std::nullopt;
    const double toFull = (100 - last.percent) * seconds / rise;
    // Beyond the reset the forecast says nothing; this also keeps addSecs in range.
    const double untilReset = double(last.at.msecsTo(resetsAt)) / 1000;
    if (!(toFull < untilReset))
        return std::nullopt;
    return last.at.addSecs(qint64(std::ceil(toFull)));
}

QString resetsInText(const QDateTime& now, const QDateTime& resetsAt)
{
    const qint64 minutes = now.secsTo(resetsAt) / 60;
    if (minutes < 1)
        return Texts::tr("resets in under a minute");
    const qint64 days = minutes / (24 * 60);
    const qint64 hours = minutes / 60 % 24;
    if (days > 0)
        return hours > 0 ? Texts::tr("resets in %1 d %2 h").arg(days).arg(hours)
                         : Texts::tr("resets in %1 d").arg(days);
    if (hours > 0)
        return Texts::tr("resets in %1 h %2 min").arg(hours).arg(minutes % 60);
    return Texts::tr("resets in %1 min").arg(minutes);
}

} // namespace UsagePace
