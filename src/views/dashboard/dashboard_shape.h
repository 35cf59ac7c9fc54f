#pragma once

#include <QPainterPath>
#include <QRect>

// The dashboard's outline: its fixed width and rounded corners, drawn by the window that
// holds it.
namespace DashboardShape {

inline constexpr int width = 260;
inline constexpr int tallestHeight = 500;
inline constexpr qreal cornerRadius = 10;

inline QPainterPath outline(const QRect& rect)
{
    QPainterPath path;
    path.addRoundedRect(QRectF(rect), cornerRadius, cornerRadius);
    return path;
}

} // namespace DashboardShape
