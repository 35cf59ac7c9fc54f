#include "models/freshness.h"

#include "models/usage_window.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

// The context this file's texts are translated in.
class Texts {
    Q_DECLARE_TR_FUNCTIONS(Freshness)
};

} // namespace

Freshness Freshness::of(const QDateTime& fetchedAt, bool remembered,
                        const std::optional<QString>& error, double refreshInterval,
                        const QDateTime& now)
{
    Freshness freshness;
    if (!fetchedAt.isValid())
        return freshness;
    freshness.asOf = fetchedAt;
    freshness.reason = error.value_or(QString());
    const bool old = double(fetchedAt.msecsTo(now)) / 1000 > 2 * refreshInterval;
    freshness.stale = remembered || error.has_value() || old;
    return freshness;
}

QString Freshness::ageText(const QDateTime& asOf, const QDateTime& now)
{
    // A clock set back makes the figures look younger than a minute, not negative.
    const qint64 minutes = std::max<qint64>(1, asOf.secsTo(now) / 60);
    if (minutes < 60)
        return Texts::tr("%1 min").arg(minutes);
    if (minutes < 48 * 60)
        return Texts::tr("%1 h").arg(minutes / 60);
    return Texts::tr("%1 d").arg(minutes / (24 * 60));
}

QString Freshness::asOfText(const QDateTime& now) const
{
    return Texts::tr("As of %1 (%2 ago)")
        .arg(UsageWindows::timeOfDayText(asOf), ageText(asOf, now));
}

QString Freshness::updatedText(const QDateTime& now) const
{
    if (!asOf.isValid())
        return QString();
    return stale ? asOfText(now) : UsageWindows::updatedText(asOf);
}
