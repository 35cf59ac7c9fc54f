#include "services/keyring/keyring_service.h"

#include "services/background.h"
#include "services/keyring/libsecret_store.h"

#include <QStringDecoder>
#include <QStringEncoder>

KeyringItem KeyringService::itemOf(const Account& account)
{
    if (account.id == Accounts::defaultId)
        return {};
    return {"sessionCookie:" + account.id.toUtf8(),
            "Gaugery session cookie (" + account.name.toUtf8() + ')'};
}

KeyringService& KeyringService::shared()
{
    static KeyringService* instance = new KeyringService(std::make_shared<LibsecretStore>());
    return *instance;
}

KeyringService::KeyringService(std::shared_ptr<SecretStore> store)
    : m_store(std::move(store)), m_worker(std::make_unique<QThreadPool>())
{
    m_worker->setMaxThreadCount(1);
}

// Waits for the calls already made: they hold the store.
KeyringService::~KeyringService() = default;

template <typename Result>
void KeyringService::run(std::function<Result()> job, QObject* context,
                         std::function<void(Result)> done)
{
    Background::run(context, std::move(job), std::move(done), m_worker.get());
}

void KeyringService::read(QObject* context, std::function<void(const CookieRead&)> done)
{
    run<CookieRead>([this] { return readNow(); }, context,
                    [done = std::move(done)](CookieRead result) { done(result); });
}

void KeyringService::save(const QString& cookie, QObject* context, std::function<void(bool)> done)
{
    run<bool>([this, cookie] { return saveNow(cookie); }, context, std::move(done));
}

void KeyringService::replaceIf(std::function<bool(const QString& stored)> matches,
                               const QString& cookie, QObject* context,
                               std::function<void(bool)> done)
{
    run<bool>(
        [this, matches = std::move(matches), cookie] {
            const CookieRead stored = readNow();
            return stored.state == SecretState::found && matches(stored.cookie) &&
                   stored.cookie != cookie && saveNow(cookie);
        },
        context, std::move(done));
}

void KeyringService::remove(QObject* context, std::function<void(SecretState)> done)
{
    run<SecretState>([this] { return removeNow(); }, context, std::move(done));
}

CookieRead KeyringService::readNow()
{
    const SecretLookup found = m_store->lookup();
    switch (found.status) {
    case SecretState::found:
        break;
    case SecretState::absent:
        return {SecretState::absent, {}};
    case SecretState::locked:
        return {SecretState::locked, {}};
    case SecretState::unreachable:
        return {SecretState::unreachable, {}};
    }
    // A leading byte-order mark is part of the cookie, not a marker to drop.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringConverter::Flag::Stateless |
                                                     QStringConverter::Flag::ConvertInitialBom);
    const QString cookie = decoder.decode(found.secret);
    if (decoder.hasError())
        return {SecretState::absent, {}};
    return {SecretState::found, cookie};
}

bool KeyringService::saveNow(const QString& cookie)
{
    // toUtf8() would quietly replace a lone surrogate; such text is refused instead.
    QStringEncoder encoder(QStringEncoder::Utf8, QStringConverter::Flag::Stateless);
    const QByteArray bytes = encoder.encode(cookie);
    if (encoder.hasError())
        return false;
    return m_store->store(bytes);
}

SecretState KeyringService::removeNow()
{
    return m_store->clear();
}
