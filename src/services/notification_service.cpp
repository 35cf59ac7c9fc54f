#include "services/notification_service.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QFileInfo>

namespace {

// Flatpak marks its sandboxes with this file; there only the portal is reachable.
bool isSandboxed()
{
    return QFileInfo::exists(QStringLiteral("/.flatpak-info"));
}

QDBusMessage permissionProbe()
{
    if (isSandboxed()) {
        QDBusMessage probe = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.portal.Desktop"),
            QStringLiteral("/org/freedesktop/portal/desktop"),
            QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
        probe << QStringLiteral("org.freedesktop.portal.Notification") << QStringLiteral("version");
        return probe;
    }
    return QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.Notifications"),
                                          QStringLiteral("/org/freedesktop/Notifications"),
                                          QStringLiteral("org.freedesktop.Notifications"),
                                          QStringLiteral("GetServerInformation"));
}

} // namespace

NotificationService::NotificationService(const QDBusConnection& bus, QObject* parent)
    : QObject(parent), m_bus(bus)
{
}

void NotificationService::requestPermission()
{
    if (!m_bus.isConnected()) {
        QMetaObject::invokeMethod(
            this, [this] { setNotificationsEnabled(false); }, Qt::QueuedConnection);
        return;
    }
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(permissionProbe()), this);
    connect(
        watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
            const bool granted = !call->isError();
            call->deleteLater();
            QMetaObject::invokeMethod(
                this, [this, granted] { setNotificationsEnabled(granted); }, Qt::QueuedConnection);
        });
}

void NotificationService::setNotificationsEnabled(bool enabled)
{
    m_notificationsEnabled = enabled;
    Q_EMIT notificationsEnabledChanged(enabled);
    Q_EMIT changed();
}
