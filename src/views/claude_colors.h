#pragma once

#include <QColor>
#include <QPalette>

// The fixed accent and severity colours; text colours come from the palette, so light
// and dark themes both read well.
namespace ClaudeColors {
QColor claudeTan();
QColor claudeWarning();
QColor claudeCritical();
// Icons and titles of actions that cannot be taken back, such as quitting.
QColor destructive();

// Critical from 90, warning from 70, tan below and for values that compare with nothing
// (NaN). Compared on the raw value, so 89.99 is still a warning.
QColor severityColor(double percentage);

QColor primaryText(const QPalette& palette);
QColor secondaryText(const QPalette& palette);
// Primary text at the given opacity, for tracks, hover backgrounds and dividers.
QColor primaryTint(const QPalette& palette, qreal opacity);
} // namespace ClaudeColors
