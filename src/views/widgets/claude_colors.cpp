#include "views/widgets/claude_colors.h"

#include <cstdlib>
#include <iterator>

namespace ClaudeColors {

QColor claudeTan()
{
    return QColor::fromRgbF(0.85f, 0.68f, 0.55f);
}

QColor claudeWarning()
{
    return QColor::fromRgbF(0.9f, 0.55f, 0.35f);
}

QColor claudeCritical()
{
    return QColor::fromRgbF(0.88f, 0.35f, 0.3f);
}

QColor destructive()
{
    return QColor::fromRgbF(0.92f, 0.26f, 0.24f);
}

QColor severityColor(Severity severity)
{
    switch (severity) {
    case Severity::critical:
        return claudeCritical();
    case Severity::warning:
        return claudeWarning();
    case Severity::normal:
        break;
    }
    return claudeTan();
}

QColor chartColor(const UsageWindowKind& kind, int further)
{
    if (kind.chartColor != 0)
        return QColor::fromRgb(kind.chartColor);
    static const QRgb others[] = {0xd6518f, 0x168fa3, 0xb07d00, 0x7f8c8d};
    return QColor::fromRgb(others[std::abs(further) % std::size(others)]);
}

QColor primaryText(const QPalette& palette)
{
    return palette.color(QPalette::WindowText);
}

QColor secondaryText(const QPalette& palette)
{
    return palette.color(QPalette::PlaceholderText);
}

QColor primaryTint(const QPalette& palette, qreal opacity)
{
    QColor color = primaryText(palette);
    color.setAlphaF(static_cast<float>(opacity));
    return color;
}

} // namespace ClaudeColors
