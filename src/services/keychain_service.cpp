#include "services/keychain_service.h"

#include "services/libsecret_store.h"

#include <QStringDecoder>
#include <QStringEncoder>

KeychainService& KeychainService::shared()
{
    static KeychainService* instance = new KeychainService(std::make_shared<LibsecretStore>());
    return *instance;
}

KeychainService::KeychainService(std::shared_ptr<SecretStore> store) : m_store(std::move(store)) {}

bool KeychainService::saveCookie(const QString& cookie)
{
    // toUtf8() would quietly replace a lone surrogate; such text is refused instead.
    QStringEncoder encoder(QStringEncoder::Utf8, QStringConverter::Flag::Stateless);
    const QByteArray bytes = encoder.encode(cookie);
    if (encoder.hasError())
        return false;
    return m_store->store(bytes);
}

std::optional<QString> KeychainService::getCookie()
{
    const std::optional<QByteArray> bytes = m_store->lookup();
    if (!bytes)
        return std::nullopt;
    // A leading byte-order mark is part of the cookie, not a marker to drop.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringConverter::Flag::Stateless |
                                                     QStringConverter::Flag::ConvertInitialBom);
    const QString cookie = decoder.decode(*bytes);
    if (decoder.hasError())
        return std::nullopt;
    return cookie;
}

bool KeychainService::deleteCookie()
{
    return m_store->clear();
}
