#include "services/settings.h"

#include "models/account.h"
#include "models/tray_presentation.h"
#include "models/usage_window.h"
#include "services/sources/usage_source.h"

#include <algorithm>
#include <cmath>

namespace {

QStringList trayStyleChoices()
{
    QStringList choices;
    for (TrayStyle style : {TrayStyle::label, TrayStyle::figureInIcon, TrayStyle::gauge})
        choices << TrayStyles::settingOf(style);
    return choices;
}

} // namespace

const QList<Setting>& Settings::settings()
{
    static const QList<Setting> table{
        // Any window's id: a further one may be reported again later.
        {menuBarMetricKey, UsageWindows::defaultMetric, {}, false},
        {refreshIntervalKey, 300.0, {}, true},
        {launchAtLoginKey, true, {}, false},
        {usageAlertsKey, false, {}, false},
        {resetAlertsKey, false, {}, false},
        {trayStyleKey, QVariant(), trayStyleChoices(), false},
        {organizationIdKey, QVariant(), {}, false},
        {cookieOriginKey, QVariant(), {Accounts::desktopAppOrigin}, false},
        {trayAccountKey, Accounts::defaultId, {}, false},
        {lastAccountNumberKey, 0.0, {}, false},
        {usageSourceKey,
         UsageSources::automatic,
         {UsageSources::automatic, UsageSources::cookie, UsageSources::claudeCode},
         false},
    };
    return table;
}

Settings& Settings::instance()
{
    static Settings* instance = new Settings;
    return *instance;
}

Settings::Settings()
    : m_settings(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                             QStringLiteral("gaugery"), QStringLiteral("gaugery")))
{
}

Settings::Settings(const QString& fileName, QObject* parent)
    : QObject(parent), m_settings(std::make_unique<QSettings>(fileName, QSettings::IniFormat))
{
}

bool Settings::contains(const QString& key) const
{
    return m_settings->contains(key);
}

QVariant Settings::setting(const QString& key) const
{
    const QList<Setting>& table = settings();
    const auto found = std::find_if(table.begin(), table.end(),
                                    [&](const Setting& setting) { return setting.key == key; });
    Q_ASSERT(found != table.end());
    if (found == table.end() || !contains(key))
        return found == table.end() ? QVariant() : found->defaultValue;
    switch (found->defaultValue.typeId()) {
    case QMetaType::Double: {
        const double value = doubleForKey(key);
        return found->positive && !(value > 0) ? found->defaultValue : QVariant(value);
    }
    case QMetaType::Bool:
        return boolForKey(key);
    default: {
        const QString value = stringForKey(key);
        return found->choices.isEmpty() || found->choices.contains(value) ? QVariant(value)
                                                                          : found->defaultValue;
    }
    }
}

double Settings::doubleForKey(const QString& key) const
{
    bool ok = false;
    const double value = m_settings->value(key).toDouble(&ok);
    return ok && std::isfinite(value) ? value : 0;
}

bool Settings::boolForKey(const QString& key) const
{
    const QVariant value = m_settings->value(key);
    // QSettings hands back INI values as text; "true" and non-zero numbers are true.
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString().trimmed().toLower();
        bool ok = false;
        const double number = text.toDouble(&ok);
        return ok ? number != 0 && !std::isnan(number)
                  : text == QLatin1String("true") || text == QLatin1String("yes");
    }
    return value.toBool();
}

QString Settings::stringForKey(const QString& key) const
{
    return m_settings->value(key).toString();
}

QStringList Settings::stringListForKey(const QString& key) const
{
    return m_settings->value(key).toStringList();
}

QList<QVariantMap> Settings::array(const QString& key) const
{
    // Keys written under [General] ("accounts\1\id") count as the group's only once the
    // whole file is read, which listing every key does.
    m_settings->allKeys();
    // The entries there are, by their groups ("1", "2", ...), rather than the size given.
    m_settings->beginGroup(key);
    int last = 0;
    for (const QString& group : m_settings->childGroups()) {
        bool ok = false;
        const int index = group.toInt(&ok);
        if (!ok || index > maxArrayEntries || index <= last)
            continue;
        m_settings->beginGroup(group);
        if (!m_settings->childKeys().isEmpty())
            last = index;
        m_settings->endGroup();
    }
    QList<QVariantMap> entries;
    for (int i = 1; i <= last; ++i) {
        m_settings->beginGroup(QString::number(i));
        QVariantMap entry;
        for (const QString& field : m_settings->childKeys())
            entry.insert(field, m_settings->value(field));
        entries.append(entry);
        m_settings->endGroup();
    }
    m_settings->endGroup();
    return entries;
}

void Settings::setArray(const QString& key, const QList<QVariantMap>& entries)
{
    // Written whole: a shorter list leaves no stale entries behind.
    m_settings->remove(key);
    m_settings->beginWriteArray(key, int(entries.size()));
    for (int i = 0; i < entries.size(); ++i) {
        m_settings->setArrayIndex(i);
        for (auto it = entries.at(i).begin(); it != entries.at(i).end(); ++it)
            m_settings->setValue(it.key(), it.value());
    }
    m_settings->endArray();
    m_settings->sync();
    Q_EMIT changed(key);
}

void Settings::setValue(const QString& key, const QVariant& value)
{
    m_settings->setValue(key, value);
    m_settings->sync();
    Q_EMIT changed(key);
}

void Settings::remove(const QString& key)
{
    m_settings->remove(key);
    m_settings->sync();
    Q_EMIT changed(key);
}
