#pragma once

#include "models/usage_window.h"

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

QColor severityColor(Severity severity);

QColor primaryText(const QPalette& palette);
QColor secondaryText(const QPalette& palette);
// Primary text at the given opacity, for tracks, hover backgrounds and dividers.
QColor primaryTint(const QPalette& palette, qreal opacity);
} // namespace ClaudeColors
