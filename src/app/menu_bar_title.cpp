#include "app/menu_bar_title.h"

#include "models/usage_figure.h"
#include "models/whole_percent.h"

MenuBarTitle menuBarTitle(const std::optional<UsageData>& usage, const QString& metric)
{
    if (!usage)
        return {MenuBarTitle::bareSymbolSize, std::nullopt, QStringLiteral("Gaugery")};

    const UsageFigure figure = shownFigure(*usage, metric);
    const std::optional<std::int64_t> whole = wholePercent(figure.percent);
    const QString number = whole ? QString::number(*whole) : QStringLiteral("--");
    return {MenuBarTitle::figureSymbolSize, QLatin1Char(' ') + number + QLatin1Char('%'),
            figure.name + QLatin1Char(' ') + number + QLatin1Char('%')};
}
