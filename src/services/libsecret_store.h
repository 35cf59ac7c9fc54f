#pragma once

#include "services/secret_store.h"

// The Secret Service item of Gaugery (schema com.gaugery.app, attributes service and
// account), reached through libsecret.
class LibsecretStore final : public SecretStore {
public:
    bool store(const QByteArray& secret) override;
    std::optional<QByteArray> lookup() override;
    bool clear() override;
};
