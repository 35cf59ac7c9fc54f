#pragma once

#include <QFont>

namespace ViewFonts {
// The application's font at a size in logical pixels, so the dashboard keeps its
// designed proportions at every DPI setting.
QFont font(int pixelSize, QFont::Weight weight = QFont::Normal);
} // namespace ViewFonts
