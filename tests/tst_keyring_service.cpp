#include "memory_secret_store.h"
#include "services/keyring/keyring_service.h"

#include <QTest>

class TestKeyringService : public QObject {
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

void TestKeyringService::roundTrip_data()
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

void TestKeyringService::roundTrip()
{
    QFETCH(QString, cookie);
    QFETCH(QByteArray, stored);
    auto store = std::make_shared<MemorySecretStore>();
    KeyringService keyring(store);
    QVERIFY(keyring.saveNow(cookie));
    QCOMPARE(store->secret(), std::optional<QByteArray>(stored));
    const CookieRead read = keyring.readNow();
    QCOMPARE(read.state, SecretState::found);
    QCOMPARE(read.cookie, cookie);
    QCOMPARE(read.cookie.isNull(), false);
}

void TestKeyringService::unreadableBytesReadAsNone_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("latin-1") << QByteArray("caf\xe9");
    QTest::newRow("truncated sequence") << QByteArray("k=\xe2\x98");
    QTest::newRow("encoded surrogate") << QByteArray("\xed\xa0\x80");
}

void TestKeyringService::unreadableBytesReadAsNone()
{
    QFETCH(QByteArray, bytes);
    auto store = std::make_shared<MemorySecretStore>();
    store->put(bytes);
    QCOMPARE(KeyringService(store).readNow().state, SecretState::absent);
}

void TestKeyringService::textWithNoUtf8FormIsRefused()
{
    auto store = std::make_shared<MemorySecretStore>();
    store->put(QByteArray("old"));
    KeyringService keyring(store);
    const QChar loneSurrogate(char16_t(0xd800));
    QVERIFY(!keyring.saveNow(QStringLiteral("k=") + loneSurrogate));
    QCOMPARE(store->storeCalls(), 0);
    QCOMPARE(keyring.readNow().cookie, QStringLiteral("old"));
}

void TestKeyringService::failedSaveKeepsEarlierCookie()
{
    auto store = std::make_shared<MemorySecretStore>();
    KeyringService keyring(store);
    QVERIFY(keyring.saveNow(QStringLiteral("first")));
    store->setFailing(true);
    QVERIFY(!keyring.saveNow(QStringLiteral("second")));
    store->setFailing(false);
    QCOMPARE(keyring.readNow().cookie, QStringLiteral("first"));
}

void TestKeyringService::deleteIsIdempotent()
{
    auto store = std::make_shared<MemorySecretStore>();
    KeyringService keyring(store);
    QVERIFY(keyring.saveNow(QStringLiteral("c")));
    QCOMPARE(keyring.removeNow(), SecretState::absent);
    QCOMPARE(keyring.removeNow(), SecretState::absent);
    QCOMPARE(keyring.readNow().state, SecretState::absent);
}

QTEST_GUILESS_MAIN(TestKeyringService)
#include "tst_keyring_service.moc"
