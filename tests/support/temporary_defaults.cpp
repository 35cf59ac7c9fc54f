#include "temporary_defaults.h"

TemporaryDefaults::TemporaryDefaults()
    : m_defaults(std::make_unique<UserDefaults>(m_dir.filePath(QStringLiteral("gaugery.conf"))))
{
}

QString TemporaryDefaults::fileName() const
{
    return m_dir.filePath(QStringLiteral("gaugery.conf"));
}
