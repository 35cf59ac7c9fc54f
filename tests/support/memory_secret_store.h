#pragma once

#include "services/keyring/secret_store.h"

#include <QMutex>

#include <optional>

// A secret store in memory, with switches to make it refuse or stay locked like a real
// keyring. Calls reach it from the keyring's worker thread, hence the lock.
class MemorySecretStore final : public SecretStore {
public:
    bool store(const QByteArray& secret) override;
    SecretLookup lookup() override;
    SecretState clear() override;

    void setFailing(bool failing);
    void setLocked(bool locked);
    void put(std::optional<QByteArray> secret);
    // What is stored, as the test sees it.
    std::optional<QByteArray> secret() const;
    int storeCalls() const;
    int lookupCalls() const;

private:
    mutable QMutex m_mutex;
    std::optional<QByteArray> m_secret;
    bool m_failing = false;
    bool m_locked = false;
    int m_storeCalls = 0;
    int m_lookupCalls = 0;
};
