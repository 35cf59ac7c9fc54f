#include "app/platform/figure_glyphs.h"

#include <QPainterPathStroker>

namespace FigureGlyphs {

namespace {

constexpr qreal strokeWidth = 2;

// The centre lines of a glyph's strokes: the box is one half stroke inside the glyph's,
// and a stroke that ends on the glyph's top or foot runs half a stroke past it.
QPainterPath skeleton(QChar glyph)
{
    QPainterPath path;
    switch (glyph.unicode()) {
    case '0':
        path.addRoundedRect(QRectF(1, 1, 4, 8), 2, 2);
        break;
    case '1':
        path.moveTo(3.3, 0);
        path.lineTo(3.3, 9);
        path.moveTo(3.3, 0.9);
        path.lineTo(1.1, 2.8);
        path.moveTo(1.2, 9);
        path.lineTo(5.2, 9);
        break;
    case '2':
        path.arcMoveTo(QRectF(1, 1, 4, 4), 160);
        path.arcTo(QRectF(1, 1, 4, 4), 160, -190);
        path.lineTo(1, 9);
        path.lineTo(5.2, 9);
        break;
    case '3':
        path.arcMoveTo(QRectF(1.2, 1, 3.6, 3.8), 150);
        path.arcTo(QRectF(1.2, 1, 3.6, 3.8), 150, -240);
        path.arcTo(QRectF(1, 4.8, 4, 4.2), 90, -250);
        break;
    case '4':
        path.moveTo(4.1, 10);
        path.lineTo(4.1, 0);
        path.moveTo(4.1, 0.8);
        path.lineTo(0.9, 6.9);
        path.lineTo(5.4, 6.9);
        break;
    case '5':
        path.moveTo(4.9, 1);
        path.lineTo(1.6, 1);
        path.lineTo(1.35, 4.8);
        path.arcTo(QRectF(0.9, 3.9, 4.2, 5.1), 140, -280);
        break;
    case '6':
        path.addEllipse(QRectF(1, 4.4, 4, 4.6));
        path.moveTo(1, 6.7);
        path.cubicTo(1, 2.2, 2.2, 0.9, 4.7, 1.3);
        break;
    case '7':
        path.moveTo(0.8, 1);
        path.lineTo(5, 1);
        path.lineTo(2.3, 10);
        break;
    case '8':
        path.addEllipse(QRectF(1.3, 1, 3.4, 3.9));
        path.addEllipse(QRectF(1, 4.7, 4, 4.3));
        break;
    case '9':
        path.addEllipse(QRectF(1, 1, 4, 4.6));
        path.moveTo(5, 3.3);
        path.cubicTo(5, 7.8, 3.8, 9.1, 1.3, 8.7);
        break;
    case '-':
        path.moveTo(1.5, 5.6);
        path.lineTo(4.5, 5.6);
        break;
    // The en dash of a window the service does not report now.
    case 0x2013:
        path.moveTo(0.5, 5.6);
        path.lineTo(5.5, 5.6);
        break;
    default:
        break;
    }
    return path;
}

} // namespace

QPainterPath outline(const QString& text)
{
    QPainterPathStroker stroker;
    stroker.setWidth(strokeWidth);
    stroker.setCapStyle(Qt::FlatCap);
    stroker.setJoinStyle(Qt::MiterJoin);
    stroker.setMiterLimit(1);
    // The default tolerance is meant for pixels; in glyph units it would make the bowls
    // polygons.
    stroker.setCurveThreshold(0.01);
    // Strokes overlap where they meet; with the winding rule they fill as one shape.
    QPainterPath result;
    result.setFillRule(Qt::WindingFill);
    qreal left = 0;
    for (const QChar glyph : text) {
        const QPainterPath strokes = skeleton(glyph);
        if (strokes.isEmpty())
            continue;
        result.addPath(stroker.createStroke(strokes.translated(left, 0)));
        left += glyphWidth + 1;
    }
    return result;
}

} // namespace FigureGlyphs
