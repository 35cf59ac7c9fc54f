#include "app/platform/usage_bus_export.h"

#include "models/instant_text.h"
#include "models/usage_bus.h"
#include "services/accounts/usage_accounts.h"
#include "services/fetch/usage_service.h"
#include "services/settings.h"

#include <QDBusMessage>
#include <QDBusMetaType>
#include <QMetaProperty>

#include <cmath>
#include <limits>

namespace {

constexpr double none = std::numeric_limits<double>::quiet_NaN();

} // namespace

UsageBusExport::UsageBusExport(UsageAccounts& accounts, Settings& defaults,
                               const QDBusConnection& bus, QObject* parent)
    : QObject(parent), m_accounts(accounts), m_defaults(defaults), m_bus(bus)
{
    qDBusRegisterMetaType<QList<QVariantMap>>();
    m_exported = m_bus.isConnected() && m_bus.registerObject(UsageBus::objectPath, this,
                                                             QDBusConnection::ExportAllProperties);
    m_announced = properties();
    connect(&m_accounts, &UsageAccounts::changed, this, &UsageBusExport::announceChanges);
    connect(&m_defaults, &Settings::changed, this, [this](const QString& key) {
        if (key == Settings::menuBarMetricKey)
            announceChanges();
    });
}

UsageBusExport::~UsageBusExport()
{
    if (m_exported)
        m_bus.unregisterObject(UsageBus::objectPath);
}

void UsageBusExport::setPresentation(const TrayPresentation& presentation)
{
    m_presentation = presentation;
    announceChanges();
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
    QDBusMessage signal = QDBusMessage::createSignal(
        UsageBus::objectPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("PropertiesChanged"));
    signal << UsageBus::interfaceName << changed << QStringList();
    m_bus.send(signal);
}

bool UsageBusExport::hasData() const
{
    return shown().usageData().has_value();
}

QList<QVariantMap> UsageBusExport::windows() const
{
    QList<QVariantMap> list;
    const bool several = m_accounts.accounts().size() > 1;
    for (const Account& account : m_accounts.accounts()) {
        const UsageService* service = m_accounts.service(account.id);
        if (!service->usageData() || (!several && service != &shown()))
            continue;
        for (const WindowFigure& figure : UsageWindows::figures(*service->usageData())) {
            QVariantMap entry = UsageBus::entryOf(figure);
            if (several) {
                entry.insert(UsageBus::accountKey, account.id);
                entry.insert(UsageBus::accountNameKey, account.name);
            }
            list.append(entry);
        }
    }
    return list;
}

const UsageService& UsageBusExport::shown() const
{
    const UsageService* service = m_accounts.service(m_presentation.shownAccount);
    return service ? *service : m_accounts.first();
}

QString UsageBusExport::account() const
{
    const Account* account = m_accounts.account(m_presentation.shownAccount);
    return account && m_accounts.accounts().size() > 1 ? account->name : QString();
}

QList<QVariantMap> UsageBusExport::accountStates() const
{
    QList<QVariantMap> list;
    for (const Account& account : m_accounts.accounts()) {
        const UsageService* service = m_accounts.service(account.id);
        const std::optional<UsageData>& data = service->usageData();
        list.append({{UsageBus::accountIdKey, account.id},
                     {QStringLiteral("Account"), account.name},
                     {QStringLiteral("Error"), service->error().value_or(QString())},
                     {QStringLiteral("LastUpdated"),
                      data ? InstantText::iso(data->lastUpdated) : QString()},
                     {QStringLiteral("HasData"), data.has_value()},
                     {QStringLiteral("HasCookie"), service->hasCookie()},
                     {QStringLiteral("Loading"), service->isLoading()}});
    }
    return list;
}

QString UsageBusExport::severity() const
{
    return hasData() ? UsageWindows::severityName(m_presentation.severity) : QString();
}

std::optional<WindowFigure> UsageBusExport::figureOf(const QString& id) const
{
    if (!hasData())
        return std::nullopt;
    for (const WindowFigure& figure : UsageWindows::figures(*shown().usageData())) {
        if (figure.kind.id == id)
            return figure;
    }
    return std::nullopt;
}

double UsageBusExport::percentOf(const QString& id) const
{
    const std::optional<WindowFigure> figure = figureOf(id);
    return figure ? figure->percent : none;
}

QString UsageBusExport::resetOf(const QString& id) const
{
    const std::optional<WindowFigure> figure = figureOf(id);
    return figure ? InstantText::iso(figure->resetsAt) : QString();
}

bool UsageBusExport::hasOpus() const
{
    return figureOf(QStringLiteral("opus")).has_value();
}

QString UsageBusExport::lastUpdated() const
{
    return hasData() ? InstantText::iso(shown().usageData()->lastUpdated) : QString();
}

QString UsageBusExport::error() const
{
    return shown().error().value_or(QString());
}

bool UsageBusExport::loading() const
{
    return shown().isLoading();
}

bool UsageBusExport::hasCookie() const
{
    return shown().hasCookie();
}

QString UsageBusExport::metric() const
{
    return m_defaults.stringForKey(Settings::menuBarMetricKey);
}
