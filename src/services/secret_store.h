#pragma once

#include <QByteArray>

// What a lookup found. A locked item is not a missing one: it is there, and the user
// has to unlock the keyring before it can be read.
struct SecretLookup {
    enum class Status { found, absent, locked, unreachable };
    Status status = Status::absent;
    QByteArray secret;
};

// One secret kept under Gaugery's fixed (service, account) pair. Calls block the calling
// thread (never the GUI thread) until the store answers or gives up at its deadline;
// every failure is a value, none throws.
class SecretStore {
public:
    virtual ~SecretStore();

    // Replaces the stored secret. On failure the previously stored secret is left in place.
    virtual bool store(const QByteArray& secret) = 0;
    virtual SecretLookup lookup() = 0;
    // True when the secret was removed or there was none.
    virtual bool clear() = 0;
};
