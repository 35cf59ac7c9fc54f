#pragma once

#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QSet>

// Whether desktop notifications can be shown, and the usage thresholds alerts are
// meant for. There is no permission prompt on the Linux desktop: notifications count
// as allowed when a notification server (or, in a sandbox, the portal) answers.
class NotificationService : public QObject {
    Q_OBJECT
    Q_PROPERTY(
        bool notificationsEnabled READ notificationsEnabled NOTIFY notificationsEnabledChanged)

public:
    explicit NotificationService(const QDBusConnection& bus = QDBusConnection::sessionBus(),
                                 QObject* parent = nullptr);

    bool notificationsEnabled() const { return m_notificationsEnabled; }
    const QList<int>& thresholds() const { return m_thresholds; }
    const QSet<int>& notifiedThresholds() const { return m_notifiedThresholds; }

    // Asks the bus, without waiting; the answer lands one loop turn after it arrives.
    void requestPermission();

Q_SIGNALS:
    void notificationsEnabledChanged(bool enabled);
    void changed();

private:
    void setNotificationsEnabled(bool enabled);

    QDBusConnection m_bus;
    bool m_notificationsEnabled = true;
    QSet<int> m_notifiedThresholds;
    const QList<int> m_thresholds{25, 50, 75, 90};
};
