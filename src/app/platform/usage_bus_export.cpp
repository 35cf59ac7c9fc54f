#include "app/platform/usage_bus_export.h"

#include "services/usage_service.h"
#include "services/user_defaults.h"

#include <QDBusMessage>
#include <QMetaProperty>

#include <cmath>
#include <limits>

namespace {

// Instants as ISO 8601 in UTC, "" when there is none: D-Bus has no optional.
QString instant(const QDateTime& at)
{
    return at.isValid() ? at.toUTC().toString(Qt::ISODate) : QString();
}

constexpr double none = std::numeric_limits<double>::quiet_NaN();

} // namespace

UsageBusExport::UsageBusExport(UsageService& usage, UserDefaults& defaults,
                               const QDBusConnection& bus, QObject* parent)
    : QObject(parent), m_usage(usage), m_defaults(defaults), m_bus(bus)
{
    m_exported = m_bus.isConnected() &&
                 m_bus.registerObject(objectPath, this, QDBusConnection::ExportAllProperties);
    m_announced = properties();
    connect(&m_usage, &UsageService::changed, this, &UsageBusExport::announceChanges);
    connect(&m_defaults, &UserDefaults::changed, this, [this](const QString& key) {
        if (key == UserDefaults::menuBarMetricKey)
            announceChanges();
    });
}

UsageBusExport::~UsageBusExport()
{
    if (m_exported)
        m_bus.unregisterObject(objectPath);
}

QVariantMap UsageBusExport::properties() const
{
    QVariantMap all;
    const QMetaObject* meta = metaObject();
    for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i)
        all.insert(QString::fromLatin1(meta->property(i).name()), meta->property(i).read(this));
    return all;
}

void UsageBusExport::announceChanges()
{
    const QVariantMap now = properties();
    QVariantMap changed;
    for (auto it = now.begin(); it != now.end(); ++it) {
        const QVariant before = m_announced.value(it.key());
        // NaN never equals itself; an absent figure that stays absent is no change.
        const bool bothNaN = it->typeId() == QMetaType::Double && std::isnan(it->toDouble()) &&
                             std::isnan(before.toDouble());
        if (before != *it && !bothNaN)
            changed.insert(it.key(), *it);
    }
    m_announced = now;
    if (changed.isEmpty() || !m_exported)
        return;
    QDBusMessage signal =
        QDBusMessage::createSignal(objectPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                   QStringLiteral("PropertiesChanged"));
    signal << interfaceName << changed << QStringList();
    m_bus.send(signal);
}

bool UsageBusExport::hasData() const
{
    return m_usage.usageData().has_value();
}
double UsageBusExport::sessionPercent() const
{
    return hasData() ? m_usage.usageData()->sessionUsagePercent : none;
}
QString UsageBusExport::sessionResetsAt() const
{
    return hasData() ? instant(m_usage.usageData()->sessionResetTime) : QString();
}
double UsageBusExport::weeklyPercent() const
{
    return hasData() ? m_usage.usageData()->weeklyUsagePercent : none;
}
QString UsageBusExport::weeklyResetsAt() const
{
    return hasData() ? instant(m_usage.usageData()->weeklyResetTime) : QString();
}
double UsageBusExport::sonnetPercent() const
{
    return hasData() ? m_usage.usageData()->weeklySonnetUsagePercent : none;
}
QString UsageBusExport::sonnetResetsAt() const
{
    return hasData() ? instant(m_usage.usageData()->weeklySonnetResetTime) : QString();
}
bool UsageBusExport::hasOpus() const
{
    return hasData() && m_usage.usageData()->weeklyOpusUsagePercent.has_value();
}
double UsageBusExport::opusPercent() const
{
    return hasOpus() ? *m_usage.usageData()->weeklyOpusUsagePercent : none;
}
QString UsageBusExport::opusResetsAt() const
{
    return hasData() ? instant(m_usage.usageData()->weeklyOpusResetTime.value_or(QDateTime()))
                     : QString();
}
QString UsageBusExport::lastUpdated() const
{
    return hasData() ? instant(m_usage.usageData()->lastUpdated) : QString();
}
QString UsageBusExport::error() const
{
    return m_usage.error().value_or(QString());
}
bool UsageBusExport::loading() const
{
    return m_usage.isLoading();
}
bool UsageBusExport::hasCookie() const
{
    return m_usage.hasCookie();
}
QString UsageBusExport::metric() const
{
    return m_defaults.stringForKey(UserDefaults::menuBarMetricKey);
}
