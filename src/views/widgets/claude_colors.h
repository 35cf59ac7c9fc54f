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

// A window's line in the history chart: its own colour, or for a window without one the
// nth of a few further ones. All keep 3:1 contrast on white, black and the usual light and
// dark window colours.
QColor chartColor(const UsageWindowKind& kind, int further);

QColor primaryText(const QPalette& palette);
QColor secondaryText(const QPalette& palette);
// Primary text at the given opacity, for tracks, hover backgrounds and dividers.
QColor primaryTint(const QPalette& palette, qreal opacity);
} // namespace ClaudeColors
