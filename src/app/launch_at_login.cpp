#include "app/launch_at_login.h"

#include "services/user_defaults.h"

LaunchAtLogin::LaunchAtLogin(UserDefaults& defaults, AutostartEntry entry, Printer print)
    : m_defaults(defaults), m_entry(std::move(entry)), m_print(std::move(print))
{
}

void LaunchAtLogin::configureLaunchAtLogin()
{
    if (!m_defaults.contains(UserDefaults::launchAtLoginKey))
        m_defaults.setValue(UserDefaults::launchAtLoginKey,
                            m_defaults.setting(UserDefaults::launchAtLoginKey));
    const AutostartEntry::Result result =
        apply(m_defaults.setting(UserDefaults::launchAtLoginKey).toBool());
    if (!result.ok)
        m_print(QStringLiteral("Failed to set launch at login: ") + result.error);
    connect(&m_defaults, &UserDefaults::changed, this, [this](const QString& key) {
        if (key == UserDefaults::launchAtLoginKey)
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
