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
        return {SecretLookup::Status::unreachable, {}};
    if (!m_secret)
        return {SecretLookup::Status::absent, {}};
    if (m_locked)
        return {SecretLookup::Status::locked, {}};
    return {SecretLookup::Status::found, *m_secret};
}

bool MemorySecretStore::clear()
{
    QMutexLocker lock(&m_mutex);
    if (m_failing || m_locked)
        return false;
    m_secret.reset();
    return true;
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
