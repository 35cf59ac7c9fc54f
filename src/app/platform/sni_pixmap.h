#pragma once

#include <QByteArray>
#include <QDBusArgument>
#include <QImage>
#include <QList>
#include <QMetaType>
#include <QString>

// One icon image as a tray host reads it, D-Bus type (iiay): the bytes are ARGB32 in
// network byte order, not premultiplied, 4 * width * height of them.
struct SniPixmap {
    int width = 0;
    int height = 0;
    QByteArray bytes;

    bool operator==(const SniPixmap&) const = default;
};

// The item's tooltip, D-Bus type (sa(iiay)ss): icon name, icon images, title and body.
struct SniToolTip {
    QString iconName;
    QList<SniPixmap> pixmaps;
    QString title;
    QString text;

    bool operator==(const SniToolTip&) const = default;
};

Q_DECLARE_METATYPE(SniPixmap)
Q_DECLARE_METATYPE(SniToolTip)

// Packs any image, premultiplied or not, into the host's byte layout.
SniPixmap sniPixmap(const QImage& image);

// Must run before an object using these types is registered on a connection.
void registerSniTypes();

QDBusArgument& operator<<(QDBusArgument& argument, const SniPixmap& pixmap);
const QDBusArgument& operator>>(const QDBusArgument& argument, SniPixmap& pixmap);
QDBusArgument& operator<<(QDBusArgument& argument, const SniToolTip& toolTip);
const QDBusArgument& operator>>(const QDBusArgument& argument, SniToolTip& toolTip);
