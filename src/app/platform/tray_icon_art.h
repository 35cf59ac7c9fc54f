#pragma once

#include "models/tray_presentation.h"

#include <QIcon>
#include <QImage>
#include <QList>

// The tray item's pixmaps at every canvas size a host or an XEmbed tray may ask for.
namespace TrayIconArt {

// Square canvas sizes in pixels: the usual panel sizes and their doubles for HiDPI,
// ascending, without repeats.
QList<int> canvasSizes();

// The icon drawn on a square canvas of that many pixels.
QImage render(const TrayIcon& icon, int canvasSize);

// One image per canvas size.
QList<QImage> renderAll(const TrayIcon& icon);

QIcon icon(const QList<QImage>& images);

} // namespace TrayIconArt
