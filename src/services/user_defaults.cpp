#include "services/user_defaults.h"

#include <cmath>

UserDefaults& UserDefaults::standard()
{
    static UserDefaults* instance = new UserDefaults;
    return *instance;
}

UserDefaults::UserDefaults()
    : m_settings(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                             QStringLiteral("gaugery"), QStringLiteral("gaugery")))
{
}

UserDefaults::UserDefaults(const QString& fileName, QObject* parent)
    : QObject(parent), m_settings(std::make_unique<QSettings>(fileName, QSettings::IniFormat))
{
}

bool UserDefaults::contains(const QString& key) const
{
    return m_settings->contains(key);
}

double UserDefaults::doubleForKey(const QString& key) const
{
    bool ok = false;
    const double value = m_settings->value(key).toDouble(&ok);
    return ok && std::isfinite(value) ? value : 0;
}

bool UserDefaults::boolForKey(const QString& key) const
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

QString UserDefaults::stringForKey(const QString& key) const
{
    return m_settings->value(key).toString();
}

QStringList UserDefaults::stringListForKey(const QString& key) const
{
    return m_settings->value(key).toStringList();
}

void UserDefaults::setValue(const QString& key, const QVariant& value)
{
    m_settings->setValue(key, value);
    m_settings->sync();
    Q_EMIT changed(key);
}

void UserDefaults::remove(const QString& key)
{
    m_settings->remove(key);
    m_settings->sync();
    Q_EMIT changed(key);
}
