#include "app/tray_tool_tip.h"

#include "app/menu_bar_title.h"
#include "models/usage_figure.h"
#include "models/usage_pace.h"

QString trayToolTip(const std::optional<UsageData>& usage, const QString& metric,
                    const UsageHistory& history, const QDateTime& now)
{
    QString toolTip = menuBarTitle(usage, metric).toolTip;
    if (!usage)
        return toolTip;
    const UsageFigure figure = shownFigure(*usage, metric);
    if (!figure.resetsAt.isValid())
        return toolTip;
    toolTip += QLatin1Char('\n') + UsagePace::resetsInText(now, figure.resetsAt);
    if (const std::optional<QDateTime> full =
            UsagePace::fullAt(history.samples(figure.name), figure.resetsAt))
        toolTip += QStringLiteral("\nat this pace: full at ") +
                   ResetFormat::format(*full, ResetFormat::timeOnly);
    return toolTip;
}
