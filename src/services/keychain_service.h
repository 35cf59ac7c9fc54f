#pragma once

#include "services/secret_store.h"

#include <QString>

#include <memory>
#include <optional>

// The session cookie in the user's secret store. Holds no cookie itself: every read
// goes to the store, so a change made elsewhere is seen at the next read.
class KeychainService {
public:
    static inline const QString serviceName = QStringLiteral("com.gaugery.app");
    static inline const QString accountName = QStringLiteral("sessionCookie");

    // The process-wide instance over the Secret Service.
    static KeychainService& shared();

    explicit KeychainService(std::shared_ptr<SecretStore> store);

    // Replaces the stored cookie; on failure the earlier one is kept. Safe to call
    // from a worker thread.
    bool saveCookie(const QString& cookie);
    // The stored cookie, or nothing (missing, unreachable store, not UTF-8).
    std::optional<QString> getCookie();
    // True when the cookie is gone, including when there was none.
    bool deleteCookie();

private:
    std::shared_ptr<SecretStore> m_store;
};
