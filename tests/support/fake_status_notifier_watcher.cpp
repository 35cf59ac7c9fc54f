#include "fake_status_notifier_watcher.h"

#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QUuid>

namespace {

const QString serviceName = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString objectPath = QStringLiteral("/StatusNotifierWatcher");

} // namespace

FakeStatusNotifierWatcher::FakeStatusNotifierWatcher()
    : m_connectionName(QStringLiteral("fake-status-notifier-watcher-") +
                       QUuid::createUuid().toString(QUuid::WithoutBraces)),
      m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_connectionName)),
      m_owners(new QDBusServiceWatcher(this))
{
    m_owners->setConnection(m_bus);
    m_owners->setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
    connect(m_owners, &QDBusServiceWatcher::serviceUnregistered, this,
            &FakeStatusNotifierWatcher::onOwnerGone);
}

FakeStatusNotifierWatcher::~FakeStatusNotifierWatcher()
{
    stop();
    QDBusConnection::disconnectFromBus(m_connectionName);
}

bool FakeStatusNotifierWatcher::start()
{
    if (m_running)
        return true;
    if (!m_bus.isConnected() ||
        !m_bus.registerObject(objectPath, this, QDBusConnection::ExportScriptableContents))
        return false;
    if (!m_bus.registerService(serviceName)) {
        m_bus.unregisterObject(objectPath);
        return false;
    }
    m_running = true;
    return true;
}

void FakeStatusNotifierWatcher::stop()
{
    if (!m_running)
        return;
    m_bus.unregisterService(serviceName);
    m_bus.unregisterObject(objectPath);
    m_items.clear();
    m_owners->setWatchedServices({});
    m_running = false;
}

void FakeStatusNotifierWatcher::RegisterStatusNotifierItem(const QString& serviceOrPath)
{
    const bool byPath = serviceOrPath.startsWith(QLatin1Char('/'));
    const QString service = byPath ? message().service() : serviceOrPath;
    const QString item = service + (byPath ? serviceOrPath : QStringLiteral("/StatusNotifierItem"));
    if (m_items.contains(item))
        return;
    m_items.append(item);
    m_owners->addWatchedService(service);
    Q_EMIT StatusNotifierItemRegistered(item);
}

void FakeStatusNotifierWatcher::RegisterStatusNotifierHost(const QString&)
{
    Q_EMIT StatusNotifierHostRegistered();
}

void FakeStatusNotifierWatcher::onOwnerGone(const QString& service)
{
    m_owners->removeWatchedService(service);
    const QString prefix = service + QLatin1Char('/');
    for (qsizetype i = m_items.size() - 1; i >= 0; --i) {
        if (m_items[i].startsWith(prefix))
            Q_EMIT StatusNotifierItemUnregistered(m_items.takeAt(i));
    }
}
