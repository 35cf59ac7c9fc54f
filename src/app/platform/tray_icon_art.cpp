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

QImage render(int canvasSize, int pointSize)
{
    return SymbolPainter::paint(QStringLiteral("sparkle"), canvasSize,
                                qreal(canvasSize) * pointSize / 16, ClaudeColors::claudeTan());
}

QList<QImage> renderAll(int pointSize)
{
    QList<QImage> images;
    for (int size : canvasSizes())
        images.append(render(size, pointSize));
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
