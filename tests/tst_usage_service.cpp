#include "service_fixture.h"
#include "services/fetch_messages.h"

#include <QSignalSpy>
#include <QTest>

using Fx = ServiceFixture;

class TestUsageService : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void constructionReadsIntervalAndCookie_data();
    void constructionReadsIntervalAndCookie();
    void timerTicksFetch();
    void rateLimitPausesTheTimer_data();
    void rateLimitPausesTheTimer();
    void repeatedStartsLeaveOneTimer();
    void intervalChangeWithoutCookieWaitsForSave();
    void saveSucceeds();
    void saveFailureKeepsEverything();
    void savesApplyInOrder();
    void clearWhileRequestRuns();
    void signalsFollowTheStore();
};

void TestUsageService::constructionReadsIntervalAndCookie_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<bool>("cookie");
    QTest::addColumn<int>("timerMs"); // -1: no timer running

    QTest::newRow("first launch") << QVariant() << false << -1;
    QTest::newRow("absent interval, cookie") << QVariant() << true << 300000;
    QTest::newRow("900 seconds") << QVariant(900) << true << 900000;
    QTest::newRow("sub-second") << QVariant(0.5) << true << 500;
    QTest::newRow("zero") << QVariant(0) << true << 300000;
    QTest::newRow("negative") << QVariant(-5) << true << 300000;
    QTest::newRow("not a number") << QVariant(QStringLiteral("often")) << true << 300000;
    QTest::newRow("beyond a timer's range") << QVariant(1e300) << true << 2147483647;
}

void TestUsageService::constructionReadsIntervalAndCookie()
{
    QFETCH(QVariant, stored);
    QFETCH(bool, cookie);
    QFETCH(int, timerMs);
    Fx fx;
    fx.serveHappyPath();
    if (stored.isValid())
        fx.defaults.defaults().setValue(UserDefaults::refreshIntervalKey, stored);
    if (!cookie)
        fx.store->put(std::nullopt);

    auto service = fx.makeService();
    QCOMPARE(service->hasCookie(), cookie);
    QCOMPARE(service->refreshTimer().isActive(), timerMs >= 0);
    if (timerMs >= 0)
        QCOMPARE(service->refreshTimer().interval(), timerMs);
    QVERIFY(!service->isLoading());
    QCoreApplication::processEvents();
    if (timerMs != 500)
        QVERIFY(fx.server.requests().isEmpty());
}

void TestUsageService::timerTicksFetch()
{
    Fx fx;
    fx.serveHappyPath();
    fx.defaults.defaults().setValue(UserDefaults::refreshIntervalKey, 0.2);
    auto service = fx.makeService();
    QSignalSpy published(service.get(), &UsageService::usageDataChanged);
    QVERIFY(published.wait());
    QVERIFY(published.wait());
    QVERIFY(fx.server.requests().size() >= 3);
}

void TestUsageService::rateLimitPausesTheTimer_data()
{
    QTest::addColumn<QByteArray>("retryAfter");
    QTest::addColumn<bool>("ticksFetch");

    QTest::newRow("seconds") << QByteArray("3600") << false;
    QTest::newRow("HTTP date ahead") << QByteArray("Fri, 01 Jan 2100 00:00:00 GMT") << false;
    QTest::newRow("zero seconds") << QByteArray("0") << true;
    QTest::newRow("HTTP date passed") << QByteArray("Sun, 06 Nov 1994 08:49:37 GMT") << true;
    QTest::newRow("unreadable") << QByteArray("soon") << true;
}

void TestUsageService::rateLimitPausesTheTimer()
{
    QFETCH(QByteArray, retryAfter);
    QFETCH(bool, ticksFetch);

    Fx fx;
    fx.server.on(Fx::organizationsPath, ServiceBodies::json(ServiceBodies::organizations()));
    fx.server.on(Fx::usagePath, ScriptedResponse{429, {{"Retry-After", retryAfter}}, "slow down"});
    fx.defaults.defaults().setValue(UserDefaults::refreshIntervalKey, 0.05);
    auto service = fx.makeService();
    QVERIFY(fx.fetchAndWait(*service));
    QCOMPARE(*service->error(), QStringLiteral("Server error: 429"));
    fx.server.clearRequests();

    // Ticks go by; each one either asks or is skipped.
    QSignalSpy ticks(const_cast<QTimer*>(&service->refreshTimer()), &QTimer::timeout);
    QTRY_VERIFY(ticks.count() >= 3);
    if (ticksFetch) {
        QTRY_VERIFY(!fx.server.requests().isEmpty());
        return;
    }
    QTRY_VERIFY(!service->isLoading());
    QVERIFY(fx.server.requests().isEmpty());
    // Refresh by hand is not held back.
    QVERIFY(fx.fetchAndWait(*service));
    QCOMPARE(fx.server.requestedPaths().value(0), Fx::usagePath);
}

void TestUsageService::repeatedStartsLeaveOneTimer()
{
    Fx fx;
    auto service = fx.makeService();
    for (int i = 0; i < 5; ++i)
        service->startAutoRefresh();
    const auto timers = service->findChildren<QTimer*>();
    const auto active = std::count_if(timers.begin(), timers.end(),
                                      [](const QTimer* timer) { return timer->isActive(); });
    QCOMPARE(active + (service->refreshTimer().isActive() ? 1 : 0), 1);
    service->stopAutoRefresh();
    QVERIFY(!service->refreshTimer().isActive());
}

void TestUsageService::intervalChangeWithoutCookieWaitsForSave()
{
    Fx fx;
    fx.serveHappyPath();
    fx.store->put(std::nullopt);
    auto service = fx.makeService();
    service->updateRefreshInterval(60);
    QVERIFY(!service->refreshTimer().isActive());
    service->saveCookie(QStringLiteral("sessionKey=test-cookie-2"));
    QTRY_VERIFY(service->hasCookie());
    QCOMPARE(service->refreshTimer().interval(), 60000);
    QVERIFY(service->refreshTimer().isActive());
    // The stored default is the settings view's to write, not the service's.
    QVERIFY(!fx.defaults.defaults().contains(UserDefaults::refreshIntervalKey));
}

void TestUsageService::saveSucceeds()
{
    Fx fx;
    fx.serveHappyPath();
    fx.store->put(std::nullopt);
    auto service = fx.makeService();
    QSignalSpy published(service.get(), &UsageService::usageDataChanged);
    service->saveCookie(QStringLiteral("  sessionKey=test-cookie-2  "));
    QVERIFY(!service->hasCookie()); // the keyring answers on a later turn
    QVERIFY(published.wait());
    QVERIFY(service->hasCookie());
    QVERIFY(service->refreshTimer().isActive());
    QCOMPARE(fx.store->lookup(), std::optional<QByteArray>("  sessionKey=test-cookie-2  "));
    // Stored unchanged; HTTP itself drops the spaces around a header value.
    QCOMPARE(fx.server.requests().first().header("Cookie"), QByteArray("sessionKey=test-cookie-2"));
}

void TestUsageService::saveFailureKeepsEverything()
{
    Fx fx;
    fx.serveHappyPath();
    auto service = fx.makeService();
    QVERIFY(fx.fetchAndWait(*service));
    const auto snapshot = service->usageData();
    fx.store->setFailing(true);
    service->saveCookie(QStringLiteral("sessionKey=test-cookie-2"));
    QTRY_COMPARE(service->error(), std::optional<QString>(FetchMessages::saveFailed()));
    fx.store->setFailing(false);
    QVERIFY(service->hasCookie());
    QVERIFY(service->refreshTimer().isActive());
    QCOMPARE(service->usageData()->lastUpdated, snapshot->lastUpdated);
    // The earlier cookie is still there and still used.
    QCOMPARE(fx.store->lookup(), std::optional<QByteArray>("sessionKey=test-cookie-1"));
    fx.server.clearRequests();
    QVERIFY(fx.fetchAndWait(*service));
    QCOMPARE(service->error(), std::nullopt);
    // The save forgot the organization, so the chain starts over.
    QCOMPARE(fx.server.requestedPaths().first(), Fx::organizationsPath);
}

void TestUsageService::savesApplyInOrder()
{
    Fx fx;
    fx.serveHappyPath();
    auto service = fx.makeService();
    for (int i = 0; i < 20; ++i)
        service->saveCookie(QStringLiteral("sessionKey=test-cookie-%1").arg(i));
    QTRY_COMPARE(fx.store->storeCalls(), 20);
    QCOMPARE(fx.store->lookup(), std::optional<QByteArray>("sessionKey=test-cookie-19"));
    QTRY_VERIFY(!service->isLoading());
    QVERIFY(service->refreshTimer().isActive());
}

void TestUsageService::clearWhileRequestRuns()
{
    Fx fx;
    fx.serveHappyPath();
    auto service = fx.makeService();
    QVERIFY(fx.fetchAndWait(*service));
    ScriptedResponse slow = ServiceBodies::json(ServiceBodies::usage());
    slow.delayMs = 200;
    fx.server.on(Fx::usagePath, slow);
    service->fetchUsage();
    service->clearCookie();
    QVERIFY(!service->hasCookie());
    QCOMPARE(service->usageData(), std::nullopt);
    QVERIFY(!service->refreshTimer().isActive());
    QCOMPARE(fx.store->lookup(), std::nullopt);
    // The running chain still publishes its result.
    QVERIFY(service->isLoading());
    QTRY_VERIFY(service->usageData());
    QVERIFY(!service->isLoading());
    // And the next fetch needs the organization again.
    fx.store->put(QByteArray("sessionKey=test-cookie-3"));
    fx.server.clearRequests();
    QVERIFY(fx.fetchAndWait(*service));
    QCOMPARE(fx.server.requestedPaths().first(), Fx::organizationsPath);
}

void TestUsageService::signalsFollowTheStore()
{
    Fx fx;
    fx.serveHappyPath();
    auto service = fx.makeService();
    QStringList seen;
    connect(service.get(), &UsageService::isLoadingChanged, this, [&](bool value) {
        seen << QStringLiteral("loading %1 %2").arg(value).arg(service->isLoading());
    });
    connect(service.get(), &UsageService::errorChanged, this, [&](const auto& value) {
        seen << QStringLiteral("error %1 %2")
                    .arg(value.has_value())
                    .arg(service->error().has_value());
    });
    connect(service.get(), &UsageService::usageDataChanged, this, [&](const auto& value) {
        seen << QStringLiteral("data %1 %2")
                    .arg(value.has_value())
                    .arg(service->usageData().has_value());
    });
    connect(service.get(), &UsageService::changed, this,
            [&] { seen << QStringLiteral("changed"); });
    QVERIFY(fx.fetchAndWait(*service));
    QTRY_COMPARE(seen.size(), 10);
    QCOMPARE(seen.join(QLatin1Char(',')),
             QStringLiteral("loading 1 1,changed,error 0 0,changed,loading 0 0,changed,data 1 "
                            "1,changed,error 0 0,changed"));
}

QTEST_GUILESS_MAIN(TestUsageService)
#include "tst_usage_service.moc"
