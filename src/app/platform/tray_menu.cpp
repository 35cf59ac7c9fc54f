#include "app/platform/tray_menu.h"

#include <QCoreApplication>
#include <QDBusMetaType>

namespace {

// The context this file's texts are translated in.
class Texts {
    Q_DECLARE_TR_FUNCTIONS(TrayMenu)
};

QVariantMap propertiesOf(int id)
{
    switch (id) {
    case 0:
        return {{QStringLiteral("children-display"), QStringLiteral("submenu")}};
    case TrayMenu::open:
        return {{QStringLiteral("label"), Texts::tr("Open Gaugery")}};
    case TrayMenu::quit:
        return {{QStringLiteral("label"), Texts::tr("Quit Gaugery")}};
    }
    return {};
}

const QList<int> entries{TrayMenu::open, TrayMenu::quit};

} // namespace

void TrayMenu::registerTypes()
{
    qDBusRegisterMetaType<DBusMenuLayout>();
    qDBusRegisterMetaType<DBusMenuItemProperties>();
    qDBusRegisterMetaType<QList<DBusMenuItemProperties>>();
}

uint TrayMenu::GetLayout(int parentId, int, const QStringList&, DBusMenuLayout& layout)
{
    layout = {parentId, propertiesOf(parentId), {}};
    if (parentId == 0) {
        for (int id : entries)
            layout.children.append(QVariant::fromValue(DBusMenuLayout{id, propertiesOf(id), {}}));
    }
    // The layout never changes, so its revision never does either.
    return 1;
}

QList<DBusMenuItemProperties> TrayMenu::GetGroupProperties(const QList<int>& ids,
                                                           const QStringList&)
{
    QList<DBusMenuItemProperties> items;
    for (int id : ids) {
        if (id == 0 || entries.contains(id))
            items.append({id, propertiesOf(id)});
    }
    return items;
}

QDBusVariant TrayMenu::GetProperty(int id, const QString& name)
{
    return QDBusVariant(propertiesOf(id).value(name, QString()));
}

void TrayMenu::Event(int id, const QString& eventId, const QDBusVariant&, uint)
{
    if (eventId != QLatin1String("clicked"))
        return;
    if (id == open)
        Q_EMIT openRequested();
    else if (id == quit)
        Q_EMIT quitRequested();
}

bool TrayMenu::AboutToShow(int)
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
