#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

// A notification server on its own bus connection, so calls to it really cross the
// bus. It records every notification and can be told to fail its information call.
class FakeNotificationServer : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Notification {
        QString appName;
        QString appIcon;
        QString summary;
        QString body;
        QVariantMap hints;
    };

    FakeNotificationServer();
    ~FakeNotificationServer() override;

    // Claims org.freedesktop.Notifications; false when that is not possible.
    bool start();
    void stop();

    void setFailing(bool failing) { m_failing = failing; }
    void setCapabilities(const QStringList& capabilities) { m_capabilities = capabilities; }
    const QList<Notification>& notifications() const { return m_notifications; }
    // The unique bus name of the caller of each information request.
    const QStringList& informationRequesters() const { return m_informationRequesters; }

public Q_SLOTS:
    QString GetServerInformation(QString& vendor, QString& version, QString& specVersion);
    QStringList GetCapabilities();
    uint Notify(const QString& appName, uint replacesId, const QString& appIcon,
                const QString& summary, const QString& body, const QStringList& actions,
                const QVariantMap& hints, int expireTimeout);
    void CloseNotification(uint id);

Q_SIGNALS:
    void notified();

private:
    QDBusConnection m_bus;
    QList<Notification> m_notifications;
    QStringList m_informationRequesters;
    bool m_failing = false;
    QStringList m_capabilities{QStringLiteral("body")};
};
