#include "services/parsing/chromium_cookie_crypto.h"
#include "services/parsing/cookie_value.h"

#include <QCryptographicHash>

#include <openssl/evp.h>

#include <algorithm>
#include <cstdlib>

namespace {

// The browser's side, written here from the EVP calls so the round trip checks the
// decryption against something it does not share.
QByteArray encryptAsBrowser(const QByteArray& plain, const QByteArray& key)
{
    const QByteArray iv(16, ' ');
    EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
    QByteArray out(plain.size() + 16, '\0');
    int written = 0;
    int last = 0;
    auto* bytes = reinterpret_cast<unsigned char*>(out.data());
    EVP_EncryptInit_ex(context, EVP_aes_128_cbc(), nullptr,
                       reinterpret_cast<const unsigned char*>(key.constData()),
                       reinterpret_cast<const unsigned char*>(iv.constData()));
    EVP_EncryptUpdate(context, bytes, &written,
                      reinterpret_cast<const unsigned char*>(plain.constData()), int(plain.size()));
    EVP_EncryptFinal_ex(context, bytes + written, &last);
    EVP_CIPHER_CTX_free(context);
    out.truncate(written + last);
    return QByteArrayLiteral("v10") + out;
}

} // namespace

// The first byte picks whether plaintexts open with the host's hash; the rest is read
// both as a stored value and as a cookie the browser encrypted.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const bool hostHashed = data[0] & 1;
    const QByteArray input(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const QByteArray host = QByteArrayLiteral(".example.test");
    const QByteArray key = ChromiumCookieCrypto::fixedKey();

    // Whatever is stored: nothing, or bytes; an accepted value is a plain cookie octet run.
    if (const auto plain = ChromiumCookieCrypto::decrypt(input, key, host, hostHashed)) {
        const bool octets = std::all_of(plain->begin(), plain->end(),
                                        [](char c) { return c > 0x20 && c < 0x7f && c != ';'; });
        if (CookieValue::isAcceptable(*plain) && (!octets || plain->isEmpty()))
            std::abort();
    }

    // What the browser encrypted comes back byte for byte, and only under its own key.
    const QByteArray hash = QCryptographicHash::hash(host, QCryptographicHash::Sha256);
    const QByteArray stored = encryptAsBrowser(hostHashed ? hash + input : input, key);
    if (ChromiumCookieCrypto::decrypt(stored, key, host, hostHashed) != input)
        std::abort();
    const QByteArray otherKey = ChromiumCookieCrypto::deriveKey(input);
    if (hostHashed && otherKey != key &&
        ChromiumCookieCrypto::decrypt(stored, otherKey, host, hostHashed))
        std::abort();
    return 0;
}
