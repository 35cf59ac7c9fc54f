#include "fake_notification_server.h"

#include <QDBusMessage>
#include <QUuid>

namespace {
const QString serviceName = QStringLiteral("org.freedesktop.Notifications");
const QString objectPath = QStringLiteral("/org/freedesktop/Notifications");
} // namespace

FakeNotificationServer::FakeNotificationServer()
    : m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                          QStringLiteral("fake-notifications-") +
                                              QUuid::createUuid().toString()))
{
}

FakeNotificationServer::~FakeNotificationServer()
{
    stop();
    QDBusConnection::disconnectFromBus(m_bus.name());
}

bool FakeNotificationServer::start()
{
    return m_bus.registerObject(objectPath, this, QDBusConnection::ExportAllSlots) &&
           m_bus.registerService(serviceName);
}

void FakeNotificationServer::stop()
{
    m_bus.unregisterService(serviceName);
    m_bus.unregisterObject(objectPath);
}

QString FakeNotificationServer::GetServerInformation(QString& vendor, QString& version,
                                                     QString& specVersion)
{
    m_informationRequesters.append(message().service());
    if (m_failing) {
        sendErrorReply(QDBusError::Failed, QStringLiteral("told to fail"));
        return {};
    }
    vendor = QStringLiteral("Gaugery tests");
    version = QStringLiteral("1.0");
    specVersion = QStringLiteral("1.2");
    return QStringLiteral("fake-notifications");
}

QStringList FakeNotificationServer::GetCapabilities()
{
    return m_capabilities;
}

uint FakeNotificationServer::Notify(const QString& appName, uint, const QString& appIcon,
                                    const QString& summary, const QString& body, const QStringList&,
                                    const QVariantMap& hints, int)
{
    m_notifications.append({appName, appIcon, summary, body, hints});
    Q_EMIT notified();
    return static_cast<uint>(m_notifications.size());
}

void FakeNotificationServer::CloseNotification(uint) {}
