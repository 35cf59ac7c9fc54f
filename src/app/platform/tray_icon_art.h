#pragma once

#include <QIcon>
#include <QImage>
#include <QList>

// The tray item's tan sparkle at every canvas size a host or an XEmbed tray may ask for.
namespace TrayIconArt {

// Square canvas sizes in pixels: the usual panel sizes and their doubles for HiDPI,
// ascending, without repeats.
QList<int> canvasSizes();

// The sparkle drawn at pointSize on a 16-pixel canvas, scaled with the canvas.
QImage render(int canvasSize, int pointSize);

// One image per canvas size.
QList<QImage> renderAll(int pointSize);

QIcon icon(const QList<QImage>& images);

} // namespace TrayIconArt
