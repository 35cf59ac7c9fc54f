#include "services/alerts/notification_service.h"

#include "build_config.h"
#include "services/alerts/usage_alerts.h"
#include "services/background.h"
#include "services/settings.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
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

// A server that announces "body-markup" reads the body as markup; the entities read back
// as the text, so nothing the service names becomes markup.
QString escapedMarkup(QString text)
{
    return text.replace(u'&', QStringLiteral("&amp;"))
        .replace(u'<', QStringLiteral("&lt;"))
        .replace(u'>', QStringLiteral("&gt;"));
}

} // namespace

NotificationService::NotificationService(Settings& defaults, const QDBusConnection& bus,
                                         Clock clock, QObject* parent)
    : QObject(parent), m_defaults(defaults), m_bus(bus), m_clock(std::move(clock))
{
    const QStringList stored = m_defaults.stringListForKey(Settings::notifiedThresholdsKey);
    m_notifiedThresholds = QSet<QString>(stored.begin(), stored.end());
}

void NotificationService::checkUsage(const UsageData& data, const QString& accountName,
                                     bool firstAccount)
{
    if (!m_defaults.boolForKey(Settings::usageAlertsKey) || !m_notificationsEnabled)
        return;
    const UsageAlerts::Outcome outcome = UsageAlerts::evaluate(
        data, m_thresholds,
        firstAccount ? UsageAlerts::adopt(m_notifiedThresholds, data.owner) : m_notifiedThresholds,
        m_clock());
    for (const UsageAlerts::Alert& alert : outcome.alerts)
        post(accountName.isEmpty() ? alert.summary : tr("%1: %2").arg(accountName, alert.summary),
             alert.body);
    if (outcome.notified == m_notifiedThresholds)
        return;
    m_notifiedThresholds = outcome.notified;
    QStringList stored(m_notifiedThresholds.begin(), m_notifiedThresholds.end());
    stored.sort();
    m_defaults.setValue(Settings::notifiedThresholdsKey, stored);
    Q_EMIT changed();
}

void NotificationService::post(const QString& summary, const QString& body)
{
    if (m_bodyMarkup) {
        notify(summary, *m_bodyMarkup ? escapedMarkup(body) : body);
        return;
    }
    // Asked once, when the first alert is due, so a start costs the bus nothing more.
    const QDBusMessage capabilities = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("GetCapabilities"));
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(capabilities), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, summary, body](QDBusPendingCallWatcher* call) {
                const QDBusPendingReply<QStringList> reply = *call;
                call->deleteLater();
                // Unknown: escaped, as markup would be the harm.
                m_bodyMarkup =
                    reply.isError() || reply.value().contains(QStringLiteral("body-markup"));
                post(summary, body);
            });
}

void NotificationService::notify(const QString& summary, const QString& body)
{
    QDBusMessage notify = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    const QVariantMap hints{
        {QStringLiteral("desktop-entry"), QString::fromLatin1(BuildConfig::appId)}};
    notify << QStringLiteral("Gaugery") << uint(0) << QString::fromLatin1(BuildConfig::appId)
           << summary << body << QStringList() << hints << -1;
    // Fire and forget: a server that went away costs one lost alert, never a wait.
    m_bus.asyncCall(notify);
}

void NotificationService::requestPermission()
{
    if (!m_bus.isConnected()) {
        Background::later(this, [this] { setNotificationsEnabled(false); });
        return;
    }
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(permissionProbe()), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* call) {
                const bool granted = !call->isError();
                call->deleteLater();
                Background::later(this, [this, granted] { setNotificationsEnabled(granted); });
            });
}

void NotificationService::setNotificationsEnabled(bool enabled)
{
    m_notificationsEnabled = enabled;
    Q_EMIT notificationsEnabledChanged(enabled);
    Q_EMIT changed();
}
