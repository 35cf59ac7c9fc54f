#include "app/platform/tray_icon_art.h"

#include "views/claude_colors.h"
#include "views/symbol_painter.h"

#include <QPixmap>

#include <algorithm>

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

} // namespace

QImage render(const TrayIcon& icon, int canvasSize)
{
    const int pointSize = icon.besideLabel ? besideLabelSymbolSize : bareSymbolSize;
    return SymbolPainter::paint(QStringLiteral("sparkle"), canvasSize,
                                qreal(canvasSize) * pointSize / 16, ClaudeColors::claudeTan());
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
