#include "models/usage_history.h"

#include <cmath>

void UsageHistory::record(const UsageData& data)
{
    for (const WindowFigure& figure : UsageWindows::figures(data))
        add(figure, data.lastUpdated);
}

QList<UsageSample> UsageHistory::samples(const QString& windowId) const
{
    return m_windows.value(windowId).samples;
}

void UsageHistory::add(const WindowFigure& figure, const QDateTime& at)
{
    const double percent = figure.percent;
    if (!at.isValid() || !std::isfinite(percent))
        return;
    Window& window = m_windows[figure.kind.id];
    if (!UsageWindows::sameReset(window.resetsAt, figure.resetsAt))
        window = {figure.resetsAt, {}};
    // A clock set back would make the rate meaningless: start over from this sample.
    if (!window.samples.isEmpty() && window.samples.last().at >= at)
        window.samples.clear();
    window.samples.append({at, percent});
    while (window.samples.first().at.secsTo(at) > keptSeconds)
        window.samples.removeFirst();
}
