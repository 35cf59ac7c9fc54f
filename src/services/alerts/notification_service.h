#pragma once

#include "models/clock.h"

#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QSet>

#include <optional>

class Settings;
struct UsageData;

// Whether desktop notifications can be shown, and the usage alerts at the thresholds.
// There is no permission prompt on the Linux desktop: notifications count as allowed
// when a notification server (or, in a sandbox, the portal) answers.
class NotificationService : public QObject {
    Q_OBJECT
    Q_PROPERTY(
        bool notificationsEnabled READ notificationsEnabled NOTIFY notificationsEnabledChanged)

public:
    explicit NotificationService(Settings& defaults,
                                 const QDBusConnection& bus = QDBusConnection::sessionBus(),
                                 Clock clock = systemClock, QObject* parent = nullptr);

    bool notificationsEnabled() const { return m_notificationsEnabled; }
    const QList<int>& thresholds() const { return m_thresholds; }
    // "window@reset#threshold" of every alert posted in a window that has not reset yet.
    const QSet<QString>& notifiedThresholds() const { return m_notifiedThresholds; }

    // Asks the bus, without waiting; the answer lands one loop turn after it arrives.
    void requestPermission();
    // Posts the alerts a snapshot calls for, while "Usage alerts" is on and
    // notifications are allowed.
    // With several accounts, the alerts name the account (`accountName`). The first
    // account's snapshot takes over the alerts remembered before accounts had owners.
    void checkUsage(const UsageData& data, const QString& accountName = QString(),
                    bool firstAccount = true);

Q_SIGNALS:
    void notificationsEnabledChanged(bool enabled);
    void changed();

private:
    void setNotificationsEnabled(bool enabled);

    void post(const QString& summary, const QString& body);
    void notify(const QString& summary, const QString& body);

    Settings& m_defaults;
    QDBusConnection m_bus;
    Clock m_clock;
    bool m_notificationsEnabled = true;
    // Whether the server reads the body as markup; asked before the first alert.
    std::optional<bool> m_bodyMarkup;
    QSet<QString> m_notifiedThresholds;
    const QList<int> m_thresholds{25, 50, 75, 90};
};
