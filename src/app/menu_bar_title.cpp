#include "app/menu_bar_title.h"

#include "models/whole_percent.h"

namespace {

struct Figure {
    QString name;
    double percent;
};

Figure pickFigure(const UsageData& usage, const QString& metric)
{
    if (metric == QLatin1String("weekly"))
        return {QStringLiteral("Weekly"), usage.weeklyUsagePercent};
    if (metric == QLatin1String("sonnet"))
        return {QStringLiteral("Sonnet"), usage.weeklySonnetUsagePercent};
    return {QStringLiteral("Session"), usage.sessionUsagePercent};
}

} // namespace

MenuBarTitle menuBarTitle(const std::optional<UsageData>& usage, const QString& metric)
{
    if (!usage)
        return {MenuBarTitle::bareSymbolSize, std::nullopt, QStringLiteral("Gaugery")};

    const Figure figure = pickFigure(*usage, metric);
    const std::optional<std::int64_t> whole = wholePercent(figure.percent);
    const QString number = whole ? QString::number(*whole) : QStringLiteral("--");
    return {MenuBarTitle::figureSymbolSize, QLatin1Char(' ') + number + QLatin1Char('%'),
            figure.name + QLatin1Char(' ') + number + QLatin1Char('%')};
}
