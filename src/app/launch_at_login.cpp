#include "app/launch_at_login.h"

#include "services/settings.h"

LaunchAtLogin::LaunchAtLogin(Settings& defaults, AutostartEntry entry, Printer print)
    : m_defaults(defaults), m_entry(std::move(entry)), m_print(std::move(print))
{
}

void LaunchAtLogin::configureLaunchAtLogin()
{
    if (!m_defaults.contains(Settings::launchAtLoginKey))
        m_defaults.setValue(Settings::launchAtLoginKey,
                            m_defaults.setting(Settings::launchAtLoginKey));
    const AutostartEntry::Result result =
        apply(m_defaults.setting(Settings::launchAtLoginKey).toBool());
    if (!result.ok)
        m_print(QStringLiteral("Failed to set launch at login: ") + result.error);
    connect(&m_defaults, &Settings::changed, this, [this](const QString& key) {
        if (key == Settings::launchAtLoginKey)
            setLaunchAtLogin(m_defaults.setting(key).toBool());
    });
}

void LaunchAtLogin::setLaunchAtLogin(bool enabled)
{
    const AutostartEntry::Result result = apply(enabled);
    if (!result.ok)
        m_print(QStringLiteral("Failed to ") +
                (enabled ? QLatin1String("enable") : QLatin1String("disable")) +
                QStringLiteral(" launch at login: ") + result.error);
}

AutostartEntry::Result LaunchAtLogin::apply(bool enabled)
{
    return enabled ? m_entry.install() : m_entry.remove();
}
