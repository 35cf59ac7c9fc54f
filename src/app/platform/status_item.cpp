#include "app/platform/status_item.h"

StatusItem::StatusItem(const QDBusConnection&, QObject* parent) : QObject(parent) {}
void StatusItem::setTitle(const MenuBarTitle&) {}
StatusItem::Backend StatusItem::backend() const
{
    return Backend::None;
}
