#include "views/settings_choices.h"

#include <algorithm>

namespace SettingsChoices {

namespace {

const QString defaultMetric = QStringLiteral("session");
constexpr double defaultInterval = 300;

template <typename Options, typename Matches>
int indexWhere(const Options& options, Matches matches)
{
    const auto found = std::find_if(options.begin(), options.end(), matches);
    return found == options.end() ? -1 : static_cast<int>(found - options.begin());
}

} // namespace

const QList<MetricOption>& metricOptions()
{
    static const QList<MetricOption> options{
        {QStringLiteral("Session (5 hour)"), QStringLiteral("session")},
        {QStringLiteral("Weekly (7 day)"), QStringLiteral("weekly")},
        {QStringLiteral("Sonnet (7 day)"), QStringLiteral("sonnet")},
    };
    return options;
}

const QList<IntervalOption>& intervalOptions()
{
    static const QList<IntervalOption> options{
        {QStringLiteral("1 minute"), 60},     {QStringLiteral("5 minutes"), 300},
        {QStringLiteral("10 minutes"), 600},  {QStringLiteral("15 minutes"), 900},
        {QStringLiteral("30 minutes"), 1800},
    };
    return options;
}

int metricIndex(const std::optional<QString>& stored)
{
    const QString value = stored.value_or(defaultMetric);
    return indexWhere(metricOptions(), [&](const MetricOption& o) { return o.value == value; });
}

int intervalIndex(const std::optional<double>& stored)
{
    const double value = stored.value_or(defaultInterval);
    return indexWhere(intervalOptions(),
                      [&](const IntervalOption& o) { return o.seconds == value; });
}

QString shortcutText()
{
#ifdef Q_OS_MACOS
    return QStringLiteral("⌘ + Shift + U");
#else
    return QStringLiteral("Super + Shift + U");
#endif
}

} // namespace SettingsChoices
