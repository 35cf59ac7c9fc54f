#include "views/symbol_painter.h"

#include <QPainter>
#include <QSvgRenderer>

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
    // Source atop keeps the symbol's coverage and replaces its colour.
    painter.setCompositionMode(QPainter::CompositionMode_SourceAtop);
    painter.fillRect(QRectF(0, 0, canvasSize, canvasSize), tint);
    return image;
}

} // namespace SymbolPainter
