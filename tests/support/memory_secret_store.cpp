#include "memory_secret_store.h"

#include <QMutexLocker>

bool MemorySecretStore::store(const QByteArray& secret)
{
    QMutexLocker lock(&m_mutex);
    ++m_storeCalls;
    if (m_failing || m_locked)
        return false;
    m_secret = secret;
    return true;
}

SecretLookup MemorySecretStore::lookup()
{
    QMutexLocker lock(&m_mutex);
    ++m_lookupCalls;
    if (m_failing)
        return {SecretState::unreachable, {}};
    if (!m_secret)
        return {SecretState::absent, {}};
    if (m_locked)
        return {SecretState::locked, {}};
    return {SecretState::found, *m_secret};
}

SecretState MemorySecretStore::clear()
{
    QMutexLocker lock(&m_mutex);
    if (m_failing)
        return SecretState::unreachable;
    if (m_locked && m_secret)
        return SecretState::locked;
    m_secret.reset();
    return SecretState::absent;
}

void MemorySecretStore::setFailing(bool failing)
{
    QMutexLocker lock(&m_mutex);
    m_failing = failing;
}

void MemorySecretStore::setLocked(bool locked)
{
    QMutexLocker lock(&m_mutex);
    m_locked = locked;
}

void MemorySecretStore::put(std::optional<QByteArray> secret)
{
    QMutexLocker lock(&m_mutex);
    m_secret = std::move(secret);
}

std::optional<QByteArray> MemorySecretStore::secret() const
{
    QMutexLocker lock(&m_mutex);
    return m_secret;
}

int MemorySecretStore::storeCalls() const
{
    QMutexLocker lock(&m_mutex);
    return m_storeCalls;
}

int MemorySecretStore::lookupCalls() const
{
    QMutexLocker lock(&m_mutex);
    return m_lookupCalls;
}
