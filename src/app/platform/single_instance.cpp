#include "app/platform/single_instance.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>

SingleInstance::SingleInstance(const QDBusConnection& bus, QObject* parent)
    : QObject(parent), m_bus(bus)
{
}

SingleInstance::Role SingleInstance::claim()
{
    if (!m_bus.isConnected() || !m_bus.interface())
        return Role::Unguarded;
    const auto reply =
        m_bus.interface()->registerService(serviceName, QDBusConnectionInterface::DontQueueService,
                                           QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid())
        return Role::Unguarded;
    if (reply.value() != QDBusConnectionInterface::ServiceRegistered)
        return Role::Secondary;
    m_bus.registerObject(objectPath, this, QDBusConnection::ExportScriptableSlots);
    return Role::Primary;
}

bool SingleInstance::forwardToggle()
{
    QDBusMessage call = QDBusMessage::createMethodCall(serviceName, objectPath,
                                                       QStringLiteral("com.gaugery.app.Dashboard"),
                                                       QStringLiteral("Toggle"));
    call << qEnvironmentVariable("XDG_ACTIVATION_TOKEN");
    return m_bus.call(call, QDBus::Block, 5000).type() == QDBusMessage::ReplyMessage;
}

void SingleInstance::Toggle(const QString& activationToken)
{
    if (!activationToken.isEmpty())
        qputenv("XDG_ACTIVATION_TOKEN", activationToken.toUtf8());
    Q_EMIT toggleRequested();
}
