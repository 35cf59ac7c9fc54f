#include "temporary_settings.h"

TemporarySettings::TemporarySettings()
    : m_defaults(std::make_unique<Settings>(m_dir.filePath(QStringLiteral("gaugery.conf"))))
{
}

QString TemporarySettings::fileName() const
{
    return m_dir.filePath(QStringLiteral("gaugery.conf"));
}
