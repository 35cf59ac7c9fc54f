#include "services/parsing/chromium_cookie_crypto.h"

#include <QCryptographicHash>

#include <openssl/evp.h>

#include <memory>

namespace ChromiumCookieCrypto {

namespace {

constexpr int keyBytes = 16;
constexpr int blockBytes = 16;
constexpr int prefixBytes = 3;
constexpr int hostHashBytes = 32;

using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)>;

} // namespace

Scheme schemeOf(const QByteArray& encrypted)
{
    if (encrypted.startsWith("v10"))
        return Scheme::Fixed;
    if (encrypted.startsWith("v11"))
        return Scheme::Keyring;
    return Scheme::Unknown;
}

QByteArray deriveKey(const QByteArray& password)
{
    static const QByteArray salt = QByteArrayLiteral("saltysalt");
    QByteArray key(keyBytes, '\0');
    const int ok = PKCS5_PBKDF2_HMAC(password.constData(), int(password.size()),
                                     reinterpret_cast<const unsigned char*>(salt.constData()),
                                     int(salt.size()), 1, EVP_sha1(), keyBytes,
                                     reinterpret_cast<unsigned char*>(key.data()));
    return ok == 1 ? key : QByteArray();
}

QByteArray fixedKey()
{
    static const QByteArray key = deriveKey(QByteArrayLiteral("peanuts"));
    return key;
}

std::optional<QByteArray> decrypt(const QByteArray& encrypted, const QByteArray& key,
                                  const QByteArray& hostKey, bool hostHashed)
{
    const qsizetype cipherBytes = encrypted.size() - prefixBytes;
    if (schemeOf(encrypted) == Scheme::Unknown || key.size() != keyBytes || cipherBytes <= 0 ||
        cipherBytes % blockBytes != 0)
        return std::nullopt;

    static const QByteArray iv(blockBytes, ' ');
    CipherContext context(EVP_CIPHER_CTX_new(), &EVP_CIPHER_CTX_free);
    if (!context || EVP_DecryptInit_ex(context.get(), EVP_aes_128_cbc(), nullptr,
                                       reinterpret_cast<const unsigned char*>(key.constData()),
                                       reinterpret_cast<const unsigned char*>(iv.constData())) != 1)
        return std::nullopt;

    QByteArray plain(cipherBytes + blockBytes, '\0');
    auto* out = reinterpret_cast<unsigned char*>(plain.data());
    int written = 0;
    int last = 0;
    // EVP_DecryptFinal_ex checks and strips the PKCS#7 padding.
    if (EVP_DecryptUpdate(context.get(), out, &written,
                          reinterpret_cast<const unsigned char*>(encrypted.constData()) +
                              prefixBytes,
                          int(cipherBytes)) != 1 ||
        EVP_DecryptFinal_ex(context.get(), out + written, &last) != 1)
        return std::nullopt;
    plain.truncate(written + last);

    if (!hostHashed)
        return plain;
    if (plain.size() < hostHashBytes ||
        plain.first(hostHashBytes) != QCryptographicHash::hash(hostKey, QCryptographicHash::Sha256))
        return std::nullopt;
    return plain.sliced(hostHashBytes);
}

} // namespace ChromiumCookieCrypto
