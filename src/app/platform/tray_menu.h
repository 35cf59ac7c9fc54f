#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusVariant>
#include <QList>
#include <QMetaType>
#include <QStringList>
#include <QVariantMap>

// One menu entry as com.canonical.dbusmenu lays it out, D-Bus type (ia{sv}av).
struct DBusMenuLayout {
    int id = 0;
    QVariantMap properties;
    QVariantList children;
};

// One entry's properties, D-Bus type (ia{sv}).
struct DBusMenuItemProperties {
    int id = 0;
    QVariantMap properties;
};

Q_DECLARE_METATYPE(DBusMenuLayout)
Q_DECLARE_METATYPE(DBusMenuItemProperties)

// The tray item's menu, as com.canonical.dbusmenu: "Open Gaugery" and "Quit Gaugery".
// Hosts treat an item without a real menu object as not ready (the GNOME Shell
// AppIndicator extension then never draws its icon or label), and that extension opens
// the menu on a single click, calling Activate only on a double one. Lives on an object
// registered at objectPath().
class TrayMenu : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.canonical.dbusmenu")
    Q_PROPERTY(uint Version READ version)
    Q_PROPERTY(QString TextDirection READ textDirection)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(QStringList IconThemePath READ iconThemePath)

public:
    static QString objectPath() { return QStringLiteral("/MenuBar"); }
    // Must run before the object is registered on a connection.
    static void registerTypes();

    enum Entry { open = 1, quit = 2 };

    explicit TrayMenu(QObject* parent) : QDBusAbstractAdaptor(parent) {}

    uint version() const { return 3; }
    QString textDirection() const { return QStringLiteral("ltr"); }
    QString status() const { return QStringLiteral("normal"); }
    QStringList iconThemePath() const { return {}; }

public Q_SLOTS:
    uint GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                   DBusMenuLayout& layout);
    QList<DBusMenuItemProperties> GetGroupProperties(const QList<int>& ids,
                                                     const QStringList& propertyNames);
    QDBusVariant GetProperty(int id, const QString& name);
    void Event(int id, const QString& eventId, const QDBusVariant& data, uint timestamp);
    bool AboutToShow(int id);

Q_SIGNALS:
    void openRequested();
    void quitRequested();
};

QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuLayout& layout);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuLayout& layout);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuItemProperties& item);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuItemProperties& item);
