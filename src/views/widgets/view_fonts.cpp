#include "views/widgets/view_fonts.h"

namespace ViewFonts {

QFont font(int pixelSize, QFont::Weight weight)
{
    QFont result;
    result.setPixelSize(pixelSize);
    result.setWeight(weight);
    return result;
}

} // namespace ViewFonts
