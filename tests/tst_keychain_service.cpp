#include "memory_secret_store.h"
#include "services/keychain_service.h"

#include <QTest>

class TestKeychainService : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void roundTrip_data();
    void roundTrip();
    void unreadableBytesReadAsNone_data();
    void unreadableBytesReadAsNone();
    void textWithNoUtf8FormIsRefused();
    void failedSaveKeepsEarlierCookie();
    void deleteIsIdempotent();
};

void TestKeychainService::roundTrip_data()
{
    QTest::addColumn<QString>("cookie");
    QTest::addColumn<QByteArray>("stored");

    QTest::newRow("ascii") << QStringLiteral("sessionKey=test-value-1")
                           << QByteArray("sessionKey=test-value-1");
    QTest::newRow("non-ascii") << QStringLiteral("k=caf\u00e9;\u2603")
                               << QByteArray("k=caf\xc3\xa9;\xe2\x98\x83");
    QTest::newRow("empty") << QString(QLatin1String("")) << QByteArray("");
    QTest::newRow("leading byte-order mark")
        << QStringLiteral("\ufeffk=v") << QByteArray("\xef\xbb\xbfk=v");
}

void TestKeychainService::roundTrip()
{
    QFETCH(QString, cookie);
    QFETCH(QByteArray, stored);
    auto store = std::make_shared<MemorySecretStore>();
    KeychainService keychain(store);
    QVERIFY(keychain.saveNow(cookie));
    QCOMPARE(store->secret(), std::optional<QByteArray>(stored));
    const CookieRead read = keychain.readNow();
    QCOMPARE(read.state, SecretState::found);
    QCOMPARE(read.cookie, cookie);
    QCOMPARE(read.cookie.isNull(), false);
}

void TestKeychainService::unreadableBytesReadAsNone_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("latin-1") << QByteArray("caf\xe9");
    QTest::newRow("truncated sequence") << QByteArray("k=\xe2\x98");
    QTest::newRow("encoded surrogate") << QByteArray("\xed\xa0\x80");
}

void TestKeychainService::unreadableBytesReadAsNone()
{
    QFETCH(QByteArray, bytes);
    auto store = std::make_shared<MemorySecretStore>();
    store->put(bytes);
    QCOMPARE(KeychainService(store).readNow().state, SecretState::absent);
}

void TestKeychainService::textWithNoUtf8FormIsRefused()
{
    auto store = std::make_shared<MemorySecretStore>();
    store->put(QByteArray("old"));
    KeychainService keychain(store);
    const QChar loneSurrogate(char16_t(0xd800));
    QVERIFY(!keychain.saveNow(QStringLiteral("k=") + loneSurrogate));
    QCOMPARE(store->storeCalls(), 0);
    QCOMPARE(keychain.readNow().cookie, QStringLiteral("old"));
}

void TestKeychainService::failedSaveKeepsEarlierCookie()
{
    auto store = std::make_shared<MemorySecretStore>();
    KeychainService keychain(store);
    QVERIFY(keychain.saveNow(QStringLiteral("first")));
    store->setFailing(true);
    QVERIFY(!keychain.saveNow(QStringLiteral("second")));
    store->setFailing(false);
    QCOMPARE(keychain.readNow().cookie, QStringLiteral("first"));
}

void TestKeychainService::deleteIsIdempotent()
{
    auto store = std::make_shared<MemorySecretStore>();
    KeychainService keychain(store);
    QVERIFY(keychain.saveNow(QStringLiteral("c")));
    QCOMPARE(keychain.removeNow(), SecretState::absent);
    QCOMPARE(keychain.removeNow(), SecretState::absent);
    QCOMPARE(keychain.readNow().state, SecretState::absent);
}

QTEST_GUILESS_MAIN(TestKeychainService)
#include "tst_keychain_service.moc"
