#include "views/usage_row.h"

#include "models/whole_percent.h"
#include "views/claude_colors.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <limits>

QString UsageRow::percentText() const
{
    if (std::isnan(percentage))
        return QStringLiteral("–%");
    const std::optional<std::int64_t> whole = wholePercent(std::max(percentage, 0.0));
    const std::int64_t shown = whole.value_or(std::numeric_limits<std::int64_t>::max());
    return QString::number(shown) + QLatin1Char('%');
}

QString UsageRow::shownResetText() const
{
    // Only "at" as a word of its own: a month or day name ending in "at" stays whole.
    static const QRegularExpression at(QStringLiteral("(?<!\\w)at "),
                                       QRegularExpression::UseUnicodePropertiesOption);
    return QString(resetText).remove(at);
}

qreal UsageRow::fillFraction() const
{
    if (!(percentage > 0))
        return 0;
    return std::min(percentage / 100, 1.0);
}

QColor UsageRow::severityColor() const
{
    return ClaudeColors::severityColor(percentage);
}

QString UsageRow::accessibleText() const
{
    return QStringLiteral("%1 (%2), %3, %4").arg(title, subtitle, percentText(), shownResetText());
}
