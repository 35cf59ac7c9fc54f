#include "app/platform/tray_icon_art.h"

#include "app/platform/figure_glyphs.h"
#include "views/widgets/claude_colors.h"
#include "views/widgets/symbol_painter.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace TrayIconArt {

QList<int> canvasSizes()
{
    const QList<int> base{16, 22, 24, 32, 48};
    QList<int> sizes = base;
    for (int size : base)
        sizes.append(2 * size);
    std::sort(sizes.begin(), sizes.end());
    sizes.erase(std::unique(sizes.begin(), sizes.end()), sizes.end());
    return sizes;
}

namespace {

// The sparkle's size on a 16-pixel canvas, a little smaller beside a label.
constexpr int bareSymbolSize = 12;
constexpr int besideLabelSymbolSize = 11;

// Panels are dark or light: a dark outline keeps the lighter severity colours readable
// on light ones, and the colours themselves are light enough for dark ones.
QColor outlineColor()
{
    return QColor(20, 20, 20, 235);
}

// One pixel up to the 24-pixel canvas, growing slowly beyond so large icons stay light.
qreal outlineWidth(int canvasSize)
{
    return std::max(1.0, canvasSize / 24.0);
}

QImage emptyCanvas(int canvasSize)
{
    QImage image(canvasSize, canvasSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// The figure's outline scaled into the canvas: as tall as possible with room for the
// outline, squeezed sideways when wider than the canvas.
QPainterPath fittedFigure(const QString& figure, int canvasSize, qreal outline)
{
    const QPainterPath text = FigureGlyphs::outline(figure);
    if (text.isEmpty())
        return {};
    const QRectF bounds(0, 0, text.boundingRect().right(), FigureGlyphs::glyphHeight);
    // Whole pixels for the height, so the digits' flat tops and feet sit on the pixel grid.
    const int height = qRound(canvasSize * 0.72);
    const qreal width = std::min(bounds.width() * height / bounds.height(),
                                 canvasSize - 2 * outline - canvasSize / 32.0);
    QTransform fit;
    fit.translate((canvasSize - width) / 2, qRound((canvasSize - height) / 2.0));
    fit.scale(width / bounds.width(), height / bounds.height());
    return fit.map(text);
}

QImage drawFigure(const QString& figure, Severity severity, int canvasSize)
{
    QImage image = emptyCanvas(canvasSize);
    const qreal outline = outlineWidth(canvasSize);
    const QPainterPath digits = fittedFigure(figure, canvasSize, outline);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    // The outline is the digits filled in its colour all around, one outline width away,
    // under the digits themselves: a pen along the many curves would leave the raster
    // engine's stroker a few hundred KiB of heap for the rest of the day.
    constexpr int directions = 12;
    for (int i = 0; i < directions; ++i) {
        const qreal angle = 2 * std::numbers::pi * i / directions;
        painter.fillPath(digits.translated(outline * std::cos(angle), outline * std::sin(angle)),
                         outlineColor());
    }
    painter.fillPath(digits, ClaudeColors::severityColor(severity));
    return image;
}

// Two upright bars, session then weekly, each filled from the bottom.
QImage drawGauge(const QList<TrayIcon::Gauge>& gauges, int canvasSize)
{
    QImage image = emptyCanvas(canvasSize);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal unit = canvasSize / 16.0;
    const qreal line = outlineWidth(canvasSize);
    const qreal barWidth = 5 * unit;
    const qreal gap = 2 * unit;
    qreal left = (canvasSize - gauges.size() * barWidth - (gauges.size() - 1) * gap) / 2;
    for (const TrayIcon::Gauge& gauge : gauges) {
        const QRectF track(left + line / 2, unit + line / 2, barWidth - line, 14 * unit - line);
        // A mid grey shows as a lighter slot on dark panels and a darker one on light.
        painter.setPen(QPen(outlineColor(), line));
        painter.setBrush(QColor(128, 128, 128, 140));
        painter.drawRect(track);
        const QRectF inner = track.adjusted(line / 2, line / 2, -line / 2, -line / 2);
        const qreal filled = inner.height() * std::clamp(gauge.fraction, 0.0, 1.0);
        painter.fillRect(QRectF(inner.left(), inner.bottom() - filled, inner.width(), filled),
                         ClaudeColors::severityColor(gauge.severity));
        left += barWidth + gap;
    }
    return image;
}

// Figures that are not current: the same drawing at under half its opacity, so its colour
// still reads on dark and light panels alike.
QImage faded(QImage image)
{
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    painter.fillRect(image.rect(), QColor(0, 0, 0, 110));
    return image;
}

QImage drawn(const TrayIcon& icon, int canvasSize)
{
    switch (icon.kind) {
    case TrayIcon::Kind::figure:
        return drawFigure(icon.figure, icon.severity, canvasSize);
    case TrayIcon::Kind::gauge:
        return drawGauge(icon.gauges, canvasSize);
    case TrayIcon::Kind::sparkle:
        break;
    }
    const int pointSize = icon.besideLabel ? besideLabelSymbolSize : bareSymbolSize;
    return SymbolPainter::paint(QStringLiteral("sparkle"), canvasSize,
                                qreal(canvasSize) * pointSize / 16, ClaudeColors::claudeTan());
}

} // namespace

QImage render(const TrayIcon& icon, int canvasSize)
{
    return icon.dimmed ? faded(drawn(icon, canvasSize)) : drawn(icon, canvasSize);
}

QList<QImage> renderAll(const TrayIcon& icon)
{
    QList<QImage> images;
    for (int size : canvasSizes())
        images.append(render(icon, size));
    return images;
}

QIcon icon(const QList<QImage>& images)
{
    QIcon icon;
    for (const QImage& image : images)
        icon.addPixmap(QPixmap::fromImage(image));
    return icon;
}

} // namespace TrayIconArt
