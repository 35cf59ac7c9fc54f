#pragma once

#include "build_config.h"
#include "models/account.h"
#include "services/keyring/libsecret_store.h"
#include "services/keyring/secret_store.h"

#include <QObject>
#include <QString>
#include <QThreadPool>

#include <functional>
#include <memory>

// What reading the cookie found; the text only when stored.
struct CookieRead {
    SecretState state = SecretState::absent;
    QString cookie;
};

// The session cookie in the user's secret store. Holds no cookie itself: every read goes
// to the store, so a change made elsewhere is seen at the next read. Every call runs on
// one worker thread in the order made, so a prompt the keyring shows never freezes the
// GUI and a later save can never be overtaken by an earlier one.
class KeyringService {
public:
    static inline const QString serviceName = QString::fromLatin1(BuildConfig::appId);
    // The keyring item an account's cookie is kept in: the first account's is the item of
    // before there were accounts, every other one's is named after the account.
    static KeyringItem itemOf(const Account& account);

    // The process-wide instance over the Secret Service.
    static KeyringService& shared();

    explicit KeyringService(std::shared_ptr<SecretStore> store);
    ~KeyringService();

    // `done` runs on context's thread on a later turn of its loop, and not at all once
    // context is gone.
    void read(QObject* context, std::function<void(const CookieRead&)> done);
    // Replaces the stored cookie; on failure the earlier one is kept.
    void save(const QString& cookie, QObject* context, std::function<void(bool)> done);
    // Stores `cookie` when the stored one passes `matches`, in one call, so no save or
    // removal made meanwhile is overwritten; done(true) once stored.
    void replaceIf(std::function<bool(const QString& stored)> matches, const QString& cookie,
                   QObject* context, std::function<void(bool)> done);
    // absent once the cookie is gone (or when there was none); locked or unreachable when
    // it is still there.
    void remove(QObject* context, std::function<void(SecretState)> done);

    // The same, answered on the calling thread; for tests and tools, never the GUI.
    CookieRead readNow();
    bool saveNow(const QString& cookie);
    SecretState removeNow();

private:
    template <typename Result>
    void run(std::function<Result()> job, QObject* context, std::function<void(Result)> done);

    std::shared_ptr<SecretStore> m_store;
    // One thread, so calls keep their order.
    std::unique_ptr<QThreadPool> m_worker;
};
