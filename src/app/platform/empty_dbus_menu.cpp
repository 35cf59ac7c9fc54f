#include "app/platform/empty_dbus_menu.h"

#include <QDBusMetaType>

namespace {

// The root is the only entry: a submenu without children.
QVariantMap rootProperties()
{
    return {{QStringLiteral("children-display"), QStringLiteral("submenu")}};
}

} // namespace

void EmptyDBusMenu::registerTypes()
{
    qDBusRegisterMetaType<DBusMenuLayout>();
    qDBusRegisterMetaType<DBusMenuItemProperties>();
    qDBusRegisterMetaType<QList<DBusMenuItemProperties>>();
}

uint EmptyDBusMenu::GetLayout(int, int, const QStringList&, DBusMenuLayout& layout)
{
    layout = {0, rootProperties(), {}};
    // The layout never changes, so its revision never does either.
    return 1;
}

QList<DBusMenuItemProperties> EmptyDBusMenu::GetGroupProperties(const QList<int>& ids,
                                                                const QStringList&)
{
    QList<DBusMenuItemProperties> items;
    if (ids.contains(0))
        items.append({0, rootProperties()});
    return items;
}

QDBusVariant EmptyDBusMenu::GetProperty(int id, const QString& name)
{
    return QDBusVariant(id == 0 ? rootProperties().value(name, QString()) : QString());
}

void EmptyDBusMenu::Event(int, const QString&, const QDBusVariant&, uint) {}

bool EmptyDBusMenu::AboutToShow(int)
{
    return false;
}

QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuLayout& layout)
{
    argument.beginStructure();
    argument << layout.id << layout.properties << layout.children;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuLayout& layout)
{
    argument.beginStructure();
    argument >> layout.id >> layout.properties >> layout.children;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuItemProperties& item)
{
    argument.beginStructure();
    argument << item.id << item.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuItemProperties& item)
{
    argument.beginStructure();
    argument >> item.id >> item.properties;
    argument.endStructure();
    return argument;
}
