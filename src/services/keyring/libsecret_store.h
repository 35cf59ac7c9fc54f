#pragma once

#include "services/keyring/secret_store.h"

#include <QByteArray>

// Which item: its "account" attribute and the label it is stored with. The first
// account's is the one item there was before accounts.
struct KeyringItem {
    QByteArray account = "sessionCookie";
    QByteArray label = "Gaugery session cookie";
};

// The Secret Service item of Gaugery (schema com.gaugery.app, attributes service and
// account), reached through libsecret. Every call runs on one keyring thread that keeps
// one GLib main context running for the life of the process: libsecret's shared service
// proxy lives there and follows a restarted daemon, and nothing it schedules is left
// behind in a context no one runs.
class LibsecretStore final : public SecretStore {
public:
    // How long a call may wait, an unlock prompt the user answers included.
    static constexpr unsigned callTimeoutMs = 30'000;

    using Item = KeyringItem;

    explicit LibsecretStore(Item item = Item());

    bool store(const QByteArray& secret) override;
    SecretLookup lookup() override;
    SecretState clear() override;

private:
    Item m_item;
};
