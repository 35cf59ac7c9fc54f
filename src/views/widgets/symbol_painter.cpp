#include "views/widgets/symbol_painter.h"

#include <QPainter>
#include <QSvgRenderer>
#include <QtMath>

namespace SymbolPainter {

QString resourcePath(const QString& symbol)
{
    return QStringLiteral(":/icons/%1.svg").arg(symbol);
}

QImage paint(const QString& symbol, int canvasSize, qreal symbolSize, const QColor& tint,
             qreal devicePixelRatio)
{
    const int pixels = qRound(canvasSize * devicePixelRatio);
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setDevicePixelRatio(devicePixelRatio);

    QSvgRenderer renderer(resourcePath(symbol));
    if (!renderer.isValid())
        return image;

    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal offset = (canvasSize - symbolSize) / 2;
    renderer.render(&painter, QRectF(offset, offset, symbolSize, symbolSize));
    // Source atop keeps the symbol's coverage and replaces its colour; a translucent tint
    // (secondary text) then scales that coverage instead of blending with the artwork.
    const QRectF canvas(0, 0, canvasSize, canvasSize);
    QColor opaque = tint;
    opaque.setAlpha(255);
    painter.setCompositionMode(QPainter::CompositionMode_SourceAtop);
    painter.fillRect(canvas, opaque);
    if (tint.alpha() < 255) {
        painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        painter.fillRect(canvas, QColor(0, 0, 0, tint.alpha()));
    }
    return image;
}

void draw(QPainter& painter, const QRectF& rect, const QString& symbol, qreal symbolSize,
          const QColor& tint)
{
    const int canvas = qCeil(symbolSize);
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1;
    const QImage image = paint(symbol, canvas, symbolSize, tint, ratio);
    // Whole device pixels, or the image is resampled and blurs.
    const auto snap = [ratio](qreal v) { return qRound(v * ratio) / ratio; };
    painter.drawImage(
        QPointF(snap(rect.center().x() - canvas / 2.0), snap(rect.center().y() - canvas / 2.0)),
        image);
}

} // namespace SymbolPainter
