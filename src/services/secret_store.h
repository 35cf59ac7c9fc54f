#pragma once

#include <QByteArray>

#include <optional>

// One secret kept under Gaugery's fixed (service, account) pair. Implementations
// answer quickly with a value on every failure; none of them throws or blocks forever.
class SecretStore {
public:
    virtual ~SecretStore();

    // Replaces the stored secret. On failure the previously stored secret is left in place.
    virtual bool store(const QByteArray& secret) = 0;
    // The stored bytes, or nothing when no usable item exists or the store cannot be reached.
    virtual std::optional<QByteArray> lookup() = 0;
    // True when the secret was removed or there was none.
    virtual bool clear() = 0;
};
