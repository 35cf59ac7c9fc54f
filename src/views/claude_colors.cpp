#include "views/claude_colors.h"

namespace ClaudeColors {

QColor claudeTan()
{
    return QColor::fromRgbF(0.85f, 0.68f, 0.55f);
}

} // namespace ClaudeColors
