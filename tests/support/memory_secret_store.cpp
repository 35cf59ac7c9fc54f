#include "memory_secret_store.h"

#include <QMutexLocker>

bool MemorySecretStore::store(const QByteArray& secret)
{
    QMutexLocker lock(&m_mutex);
    ++m_storeCalls;
    if (m_failing)
        return false;
    m_secret = secret;
    return true;
}

std::optional<QByteArray> MemorySecretStore::lookup()
{
    QMutexLocker lock(&m_mutex);
    if (m_failing)
        return std::nullopt;
    return m_secret;
}

bool MemorySecretStore::clear()
{
    QMutexLocker lock(&m_mutex);
    if (m_failing)
        return false;
    m_secret.reset();
    return true;
}

void MemorySecretStore::setFailing(bool failing)
{
    QMutexLocker lock(&m_mutex);
    m_failing = failing;
}

void MemorySecretStore::put(std::optional<QByteArray> secret)
{
    QMutexLocker lock(&m_mutex);
    m_secret = std::move(secret);
}

int MemorySecretStore::storeCalls() const
{
    QMutexLocker lock(&m_mutex);
    return m_storeCalls;
}
