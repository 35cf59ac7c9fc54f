#pragma once

#include <QRect>
#include <QSize>

// Where the dashboard opens for a click on the tray item: below the anchor when it lies
// in the upper half of its screen (a top panel), above it otherwise, centred on it
// horizontally and kept inside the screen's available area.
QRect popupGeometry(const QRect& anchor, const QSize& size, const QRect& screen,
                    const QRect& available);
