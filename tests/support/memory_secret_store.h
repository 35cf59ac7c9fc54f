#pragma once

#include "services/secret_store.h"

#include <QMutex>

// A secret store in memory, with switches to make it fail like a refusing keyring.
// Cookie saves reach it from a worker thread, hence the lock.
class MemorySecretStore final : public SecretStore {
public:
    bool store(const QByteArray& secret) override;
    std::optional<QByteArray> lookup() override;
    bool clear() override;

    void setFailing(bool failing);
    void put(std::optional<QByteArray> secret);
    int storeCalls() const;

private:
    mutable QMutex m_mutex;
    std::optional<QByteArray> m_secret;
    bool m_failing = false;
    int m_storeCalls = 0;
};
