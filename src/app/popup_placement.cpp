#include "app/popup_placement.h"

#include <algorithm>

namespace {

// Room between the panel item and the dashboard, so it reads as belonging to the item.
constexpr int gap = 4;

int clampInto(int start, int length, int areaStart, int areaLength)
{
    // Too large to fit: keep the start visible.
    return std::max(areaStart, std::min(start, areaStart + areaLength - length));
}

} // namespace

QRect popupGeometry(const QRect& anchor, const QSize& size, const QRect& screen,
                    const QRect& available)
{
    const QPoint centre = anchor.center();
    const bool below = centre.y() < screen.top() + screen.height() / 2;
    const int y = below ? anchor.bottom() + 1 + gap : anchor.top() - gap - size.height();
    const int x = centre.x() - size.width() / 2;
    return {clampInto(x, size.width(), available.left(), available.width()),
            clampInto(y, size.height(), available.top(), available.height()), size.width(),
            size.height()};
}
