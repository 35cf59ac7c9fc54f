#include "views/dashboard/usage_row.h"

#include "views/widgets/claude_colors.h"

#include <algorithm>

qreal UsageRow::fillFraction() const
{
    if (!(figure.percent > 0))
        return 0;
    return std::min(figure.percent / 100, 1.0);
}

QColor UsageRow::severityColor() const
{
    return ClaudeColors::severityColor(UsageWindows::severityOf(figure.percent));
}

QString UsageRow::accessibleText() const
{
    QStringList parts{subtitle().isEmpty() ? title()
                                           : QStringLiteral("%1 (%2)").arg(title(), subtitle()),
                      percentText()};
    if (!resetText().isEmpty())
        parts << resetText();
    if (!figure.detail.isEmpty())
        parts << figure.detail;
    return parts.join(QStringLiteral(", "));
}
