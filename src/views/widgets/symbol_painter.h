#pragma once

#include <QColor>
#include <QImage>
#include <QString>

class QPainter;
class QRectF;

// Renders the project's symbols from their SVG artwork, tinted at paint time, so one
// drawing serves every size, device pixel ratio and colour.
namespace SymbolPainter {

// The artwork of a symbol in the resources, e.g. ":/icons/sparkle.svg".
QString resourcePath(const QString& symbol);

// A transparent canvas of canvasSize logical pixels at the given ratio, with the symbol
// drawn centred at symbolSize logical pixels and painted solid in tint where it is
// opaque. A symbol without artwork gives the empty canvas.
QImage paint(const QString& symbol, int canvasSize, qreal symbolSize, const QColor& tint,
             qreal devicePixelRatio = 1);

// Draws the symbol at symbolSize logical pixels centred in rect, rendered at the
// painter's device pixel ratio so it stays crisp on scaled screens.
void draw(QPainter& painter, const QRectF& rect, const QString& symbol, qreal symbolSize,
          const QColor& tint);

} // namespace SymbolPainter
