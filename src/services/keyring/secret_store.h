#pragma once

#include <QByteArray>

// What the keyring said of the secret. A locked item is not a missing one: it is there,
// and the user has to unlock the keyring before it can be read or removed.
enum class SecretState { found, absent, locked, unreachable };

struct SecretLookup {
    SecretState status = SecretState::absent;
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
    // absent once the secret is gone (or when there was none); locked or unreachable when
    // it is still there.
    virtual SecretState clear() = 0;
};
