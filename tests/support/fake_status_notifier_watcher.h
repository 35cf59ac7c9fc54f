#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QStringList>

class QDBusServiceWatcher;

// A panel's StatusNotifierWatcher on a connection of its own, so that calls to it really
// cross the session bus. Items are recorded as the watcher names them: the sender's
// unique name followed by the object path it passed (":1.42/StatusNotifierItem"),
// or a bus name followed by "/StatusNotifierItem". stop() and start() again act like a
// panel restart: the name goes away and the list starts empty.
class FakeStatusNotifierWatcher : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ registeredItems SCRIPTABLE true)
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isHostRegistered SCRIPTABLE true)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion SCRIPTABLE true)

public:
    FakeStatusNotifierWatcher();
    ~FakeStatusNotifierWatcher() override;

    // False if the connection failed or the name is taken.
    bool start();
    void stop();
    bool isRunning() const { return m_running; }

    QStringList registeredItems() const { return m_items; }
    bool isHostRegistered() const { return true; }
    int protocolVersion() const { return 0; }

public Q_SLOTS:
    Q_SCRIPTABLE void RegisterStatusNotifierItem(const QString& serviceOrPath);
    Q_SCRIPTABLE void RegisterStatusNotifierHost(const QString& service);

Q_SIGNALS:
    // Also the Qt signal for tests: an item registered (again, after a restart).
    Q_SCRIPTABLE void StatusNotifierItemRegistered(const QString& item);
    Q_SCRIPTABLE void StatusNotifierItemUnregistered(const QString& item);
    Q_SCRIPTABLE void StatusNotifierHostRegistered();

private:
    void onOwnerGone(const QString& service);

    QString m_connectionName;
    QDBusConnection m_bus;
    QDBusServiceWatcher* m_owners;
    QStringList m_items;
    bool m_running = false;
};
