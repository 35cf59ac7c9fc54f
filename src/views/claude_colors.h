#pragma once

#include <QColor>

// The fixed accent and severity colours; text colours come from the palette.
namespace ClaudeColors {
QColor claudeTan();
} // namespace ClaudeColors
