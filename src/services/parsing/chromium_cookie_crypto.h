#pragma once

#include <QByteArray>

#include <optional>

// How the Chromium family encrypts cookie values on Linux: AES-128-CBC under a key
// derived from a password, behind a three-byte version prefix.
namespace ChromiumCookieCrypto {

enum class Scheme {
    // "v10": the fixed password every Chromium knows.
    Fixed,
    // "v11": the browser's password in the desktop's secret store.
    Keyring,
    Unknown,
};

Scheme schemeOf(const QByteArray& encrypted);

// PBKDF2-HMAC-SHA1 with the browsers' salt and single iteration; 16 bytes.
QByteArray deriveKey(const QByteArray& password);
QByteArray fixedKey();

// The plaintext of a prefixed value, or nothing when the key or the data is wrong. From
// database version 24 on, the plaintext opens with the SHA-256 of the cookie's host key:
// it must match (which also proves the key) and is dropped.
std::optional<QByteArray> decrypt(const QByteArray& encrypted, const QByteArray& key,
                                  const QByteArray& hostKey, bool hostHashed);

} // namespace ChromiumCookieCrypto
