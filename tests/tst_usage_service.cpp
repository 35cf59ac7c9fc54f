#include "service_fixture.h"
#include "services/fetch/fetch_messages.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimeZone>

using Fx = ServiceFixture;

class TestUsageService : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void startReadsIntervalAndCookieOnce_data();
    void startReadsIntervalAndCookieOnce();
    void lockedKeyringIsNotAMissingCookie();
    void timerTicksFetch();
    void rateLimitPauses_data();
    void rateLimitPauses();
    void aPauseBelongsToTheSession_data();
    void aPauseBelongsToTheSession();
    void nothingAsksDuringAPause_data();
    void nothingAsksDuringAPause();
    void repeatedStartsLeaveOneTimer();
    void intervalFollowsTheSetting();
    void saveSucceeds();
    void saveFailureKeepsEverything();
    void savesApplyInOrder();
    void clearDropsTheRunningFetch();
    void aChoiceDuringAFetchEndsIt();
    void lastActionWins_data();
    void lastActionWins();
    void oneChangePerOutcome();
};

void TestUsageService::startReadsIntervalAndCookieOnce_data()
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

void TestUsageService::startReadsIntervalAndCookieOnce()
{
    QFETCH(QVariant, stored);
    QFETCH(bool, cookie);
    QFETCH(int, timerMs);
    Fx fx;
    fx.serveHappyPath();
    if (stored.isValid())
        fx.defaults.defaults().setValue(Settings::refreshIntervalKey, stored);
    if (!cookie)
        fx.store->put(std::nullopt);

    auto service = fx.makeService();
    // Nothing before the start: the keyring may prompt, so it is asked only then.
    QCOMPARE(fx.store->lookupCalls(), 0);
    service->start();
    QVERIFY(!service->hasCookie());
    QVERIFY(fx.settle(*service));
    QCOMPARE(service->hasCookie(), cookie);
    QCOMPARE(service->refreshTimer().isActive(), timerMs >= 0);
    if (timerMs >= 0)
        QCOMPARE(service->refreshTimer().interval(), timerMs);
    // One read (and the fixture's own) carries the cookie through the whole chain.
    QCOMPARE(fx.store->lookupCalls(), 2);
    const QList<QByteArray> chain{Fx::organizationsPath, Fx::usagePath};
    if (timerMs != 500)
        QCOMPARE(fx.server.requestedPaths(), cookie ? chain : QList<QByteArray>());
}

void TestUsageService::lockedKeyringIsNotAMissingCookie()
{
    Fx fx;
    fx.serveHappyPath();
    fx.store->setLocked(true);
    fx.defaults.defaults().setValue(Settings::refreshIntervalKey, 0.05);
    auto service = fx.makeService();
    QVERIFY(fx.startAndWait(*service));
    QVERIFY(service->hasCookie());
    QCOMPARE(service->error(), std::optional<QString>(FetchMessages::keyringLocked()));
    QVERIFY(fx.server.requests().isEmpty());
    // The timer keeps asking; once the keyring is unlocked a tick gets the figures.
    QVERIFY(service->refreshTimer().isActive());
    fx.store->setLocked(false);
    QTRY_VERIFY(service->usageData());
    QCOMPARE(service->error(), std::nullopt);
}

void TestUsageService::timerTicksFetch()
{
    Fx fx;
    fx.serveHappyPath();
    fx.defaults.defaults().setValue(Settings::refreshIntervalKey, 0.2);
    auto service = fx.makeService();
    service->start();
    QSignalSpy published(service.get(), &UsageService::usageDataChanged);
    QVERIFY(published.wait());
    QVERIFY(published.wait());
    QVERIFY(fx.server.requests().size() >= 3);

    // A tick, or Refresh, while the last refresh still runs starts no second chain.
    service->stopAutoRefresh();
    ScriptedResponse slow = ServiceBodies::json(ServiceBodies::usage());
    slow.delayMs = 300;
    fx.server.on(Fx::usagePath, slow);
    fx.server.clearRequests();
    service->fetchUsage();
    QTRY_VERIFY(service->isLoading());
    service->scheduledFetch();
    service->fetchUsage();
    QVERIFY(fx.settle(*service));
    QCOMPARE(fx.server.requests().size(), 1);
}

void TestUsageService::rateLimitPauses_data()
{
    QTest::addColumn<QList<QByteArray>>("answers"); // each 429's Retry-After; "ok": figures
    QTest::addColumn<QList<int>>("pauses");         // seconds after each; 0: none

    const QByteArray absent;
    QTest::newRow("header absent") << QList<QByteArray>{absent} << QList<int>{300};
    QTest::newRow("zero") << QList<QByteArray>{"0"} << QList<int>{300};
    QTest::newRow("unreadable") << QList<QByteArray>{"soon"} << QList<int>{300};
    QTest::newRow("120 seconds") << QList<QByteArray>{"120"} << QList<int>{120};
    QTest::newRow("an HTTP date") << QList<QByteArray>{"Tue, 08 Dec 2026 12:30:00 GMT"}
                                  << QList<int>{1800};
    QTest::newRow("an HTTP date gone by")
        << QList<QByteArray>{"Tue, 08 Dec 2026 11:00:00 GMT"} << QList<int>{300};
    QTest::newRow("doubling to the cap") << QList<QByteArray>{"0", absent, "0", "0", "0", "0"}
                                         << QList<int>{300, 600, 1200, 2400, 3600, 3600};
    QTest::newRow("each 429 of a series counts")
        << QList<QByteArray>{"0", "120", "0"} << QList<int>{300, 120, 1200};
    QTest::newRow("a success ends it")
        << QList<QByteArray>{"0", "0", "ok", "0"} << QList<int>{300, 600, 0, 300};
}

void TestUsageService::rateLimitPauses()
{
    QFETCH(QList<QByteArray>, answers);
    QFETCH(QList<int>, pauses);
    QDateTime now(QDate(2026, 12, 8), QTime(12, 0), QTimeZone::utc());
    Fx fx;
    fx.server.on(Fx::organizationsPath, ServiceBodies::json(ServiceBodies::organizations()));
    auto service = fx.makeService([&now] { return now; });
    for (qsizetype i = 0; i < answers.size(); ++i) {
        ScriptedResponse answer = ServiceBodies::rateLimited(answers.at(i));
        if (answers.at(i) == "ok")
            answer = ServiceBodies::json(ServiceBodies::usage());
        else if (answers.at(i).isNull())
            answer.headers.clear();
        fx.server.on(Fx::usagePath, answer);
        const qsizetype asked = fx.server.requestedPaths().count(Fx::usagePath);
        QVERIFY(fx.fetchAndWait(*service));
        QCOMPARE(fx.server.requestedPaths().count(Fx::usagePath), asked + 1);
        const int pause = pauses.at(i);
        QCOMPARE(service->pausedUntil(), pause ? std::optional(now.addSecs(pause)) : std::nullopt);
        if (!pause)
            continue;
        const QString said = FetchMessages::rateLimited(now.addSecs(pause));
        QCOMPARE(service->error(), std::optional(said));
        // Refresh a second before the end sends nothing and says the same.
        now = now.addSecs(pause - 1);
        QVERIFY(fx.fetchAndWait(*service));
        QCOMPARE(fx.server.requestedPaths().count(Fx::usagePath), asked + 1);
        QCOMPARE(service->error(), std::optional(said));
        now = now.addSecs(1);
    }
}

void TestUsageService::aPauseBelongsToTheSession_data()
{
    QTest::addColumn<QString>("saved");
    QTest::addColumn<bool>("asks");
    QTest::newRow("the same session, a side cookie changed")
        << QStringLiteral("lastActiveOrg=org-2; sessionKey=test-cookie-1") << false;
    QTest::newRow("another session") << QStringLiteral("sessionKey=test-cookie-2") << true;
}

void TestUsageService::aPauseBelongsToTheSession()
{
    QFETCH(QString, saved);
    QFETCH(bool, asks);
    Fx fx;
    fx.server.on(Fx::organizationsPath, ServiceBodies::json(ServiceBodies::organizations()));
    fx.server.on(Fx::usagePath, ServiceBodies::rateLimited("3600"));
    auto service = fx.makeService();
    QVERIFY(fx.fetchAndWait(*service));
    QVERIFY(service->pausedUntil());
    const qsizetype asked = fx.server.requestedPaths().count(Fx::usagePath);
    service->saveCookie(saved);
    QTRY_COMPARE(fx.store->secret(), std::optional(saved.toUtf8()));
    QVERIFY(fx.settle(*service));
    QCOMPARE(fx.server.requestedPaths().count(Fx::usagePath) > asked, asks);
}

void TestUsageService::nothingAsksDuringAPause_data()
{
    QTest::addColumn<QString>("trigger");
    for (const char* trigger : {"timer", "file change", "wake", "dashboard", "refresh"})
        QTest::newRow(trigger) << QString::fromLatin1(trigger);
}

void TestUsageService::nothingAsksDuringAPause()
{
    QFETCH(QString, trigger);
    QDateTime now = QDateTime::currentDateTimeUtc();
    Fx fx;
    fx.store->put(std::nullopt);
    fx.writeClaudeCode(QStringLiteral("test-token-1"), now.addSecs(8 * 3600));
    fx.server.on(ServiceBodies::oauthUsagePath, ServiceBodies::rateLimited());
    auto service = fx.makeService([&now] { return now; });
    QVERIFY(fx.startAndWait(*service));
    QCOMPARE(fx.server.requests().size(), 1);
    QSignalSpy ticks(&service->refreshTimer(), &QTimer::timeout);
    QSignalSpy sourceChanged(service.get(), &UsageService::sourceChanged);
    const auto fire = [&](const QString& plan) {
        if (trigger == QLatin1String("timer")) {
            fx.defaults.defaults().setValue(Settings::refreshIntervalKey, 0.05);
            ticks.clear();
            QTRY_VERIFY(ticks.count() >= 3);
        } else if (trigger == QLatin1String("file change")) {
            fx.writeClaudeCode(QStringLiteral("test-token-1"), now.addSecs(8 * 3600), plan);
            QVERIFY(sourceChanged.wait());
        } else {
            service->request(trigger == QLatin1String("wake")        ? FetchTrigger::wake
                             : trigger == QLatin1String("dashboard") ? FetchTrigger::opening
                                                                     : FetchTrigger::refresh);
        }
        QVERIFY(fx.settle(*service));
    };
    // Past Claude Code's spacing, a second before the pause ends.
    now = now.addSecs(SignInLimits::firstBackoffSeconds - 1);
    fire(QStringLiteral("pro"));
    QCOMPARE(fx.server.requests().size(), 1);
    now = now.addSecs(1);
    fire(QStringLiteral("team"));
    QTRY_COMPARE(fx.server.requests().size(), 2);
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

void TestUsageService::intervalFollowsTheSetting()
{
    Fx fx;
    fx.serveHappyPath();
    fx.store->put(std::nullopt);
    auto service = fx.makeService();
    QVERIFY(fx.startAndWait(*service));
    // Without a cookie the new interval waits for the save.
    fx.defaults.defaults().setValue(Settings::refreshIntervalKey, 60);
    QVERIFY(!service->refreshTimer().isActive());
    service->saveCookie(QStringLiteral("sessionKey=test-cookie-2"));
    QTRY_VERIFY(service->hasCookie());
    QCOMPARE(service->refreshTimer().interval(), 60000);
    QVERIFY(service->refreshTimer().isActive());
    // With one, it restarts the timer at once, without a fetch.
    QVERIFY(fx.settle(*service));
    fx.server.clearRequests();
    fx.defaults.defaults().setValue(Settings::refreshIntervalKey, 900);
    QCOMPARE(service->refreshTimer().interval(), 900000);
    QVERIFY(service->refreshTimer().remainingTime() > 850 * 1000);
    QVERIFY(fx.settle(*service));
    QVERIFY(fx.server.requests().isEmpty());
}

void TestUsageService::saveSucceeds()
{
    Fx fx;
    fx.server.on(Fx::organizationsPath,
                 ServiceBodies::json(ServiceBodies::organizations("org-5678")));
    fx.server.on("/api/organizations/org-5678/usage", ServiceBodies::json(ServiceBodies::usage()));
    fx.store->put(std::nullopt);
    auto service = fx.makeService();
    QSignalSpy published(service.get(), &UsageService::usageDataChanged);
    service->saveCookie(QStringLiteral("  sessionKey=test-cookie-2  "), QStringLiteral("org-5678"));
    QVERIFY(!service->hasCookie()); // the keyring answers on a later turn
    QVERIFY(published.wait());
    QVERIFY(service->hasCookie());
    QVERIFY(service->refreshTimer().isActive());
    QCOMPARE(fx.store->secret(), std::optional<QByteArray>("  sessionKey=test-cookie-2  "));
    QCOMPARE(fx.defaults.defaults().stringForKey(Settings::organizationIdKey),
             QStringLiteral("org-5678"));
    // Stored unchanged; HTTP itself drops the spaces around a header value. The saved
    // cookie is used as it is: no read after the save.
    QCOMPARE(fx.server.requests().first().header("Cookie"), QByteArray("sessionKey=test-cookie-2"));
    QCOMPARE(fx.store->lookupCalls(), 0);
}

void TestUsageService::saveFailureKeepsEverything()
{
    Fx fx;
    fx.serveHappyPath();
    auto service = fx.makeService();
    QVERIFY(fx.startAndWait(*service));
    const auto snapshot = service->usageData();
    fx.store->setFailing(true);
    service->saveCookie(QStringLiteral("sessionKey=test-cookie-2"), QStringLiteral("org-imported"));
    QTRY_COMPARE(service->error(), std::optional<QString>(FetchMessages::saveFailed()));
    QVERIFY(!fx.defaults.defaults().contains(Settings::organizationIdKey));
    fx.store->setFailing(false);
    QVERIFY(service->hasCookie());
    QVERIFY(service->refreshTimer().isActive());
    QCOMPARE(service->usageData()->lastUpdated, snapshot->lastUpdated);
    // The earlier cookie is still there and still used.
    QCOMPARE(fx.store->secret(), std::optional<QByteArray>("sessionKey=test-cookie-1"));
    fx.server.clearRequests();
    QVERIFY(fx.fetchAndWait(*service));
    QCOMPARE(service->error(), std::nullopt);
    // Nor was the organization forgotten.
    QCOMPARE(fx.server.requestedPaths(), QList<QByteArray>{Fx::usagePath});
}

void TestUsageService::savesApplyInOrder()
{
    Fx fx;
    fx.serveHappyPath();
    auto service = fx.makeService();
    for (int i = 0; i < 20; ++i)
        service->saveCookie(QStringLiteral("sessionKey=test-cookie-%1").arg(i));
    QTRY_COMPARE(fx.store->storeCalls(), 20);
    QCOMPARE(fx.store->secret(), std::optional<QByteArray>("sessionKey=test-cookie-19"));
    QVERIFY(fx.settle(*service));
    QVERIFY(service->refreshTimer().isActive());
    // Only the last cookie's chain publishes; the others' replies were dropped.
    QCOMPARE(fx.server.requests().last().header("Cookie"), QByteArray("sessionKey=test-cookie-19"));
}

void TestUsageService::clearDropsTheRunningFetch()
{
    Fx fx;
    fx.serveHappyPath();
    auto service = fx.makeService();
    QVERIFY(fx.startAndWait(*service));
    ScriptedResponse slow = ServiceBodies::json(ServiceBodies::usage());
    slow.delayMs = 200;
    fx.server.on(Fx::usagePath, slow);
    QSignalSpy requested(&fx.server, &LoopbackServer::requestReceived);
    service->fetchUsage();
    QVERIFY(requested.wait());
    QSignalSpy published(service.get(), &UsageService::usageDataChanged);
    service->clearCookie();
    QVERIFY(!service->isLoading());
    QVERIFY(!service->refreshTimer().isActive());
    QTRY_VERIFY(!service->hasCookie());
    QCOMPARE(service->usageData(), std::nullopt);
    QCOMPARE(fx.store->secret(), std::nullopt);
    // The answer for the cleared cookie changes nothing.
    QTest::qWait(400);
    QCOMPARE(published.count(), 1);
    QCOMPARE(service->usageData(), std::nullopt);
    // And the next fetch needs the organization again.
    fx.store->put(QByteArray("sessionKey=test-cookie-3"));
    fx.server.clearRequests();
    QVERIFY(fx.fetchAndWait(*service));
    QCOMPARE(fx.server.requestedPaths().first(), Fx::organizationsPath);
}

void TestUsageService::aChoiceDuringAFetchEndsIt()
{
    Fx fx;
    fx.serveHappyPath();
    ScriptedResponse slow = ServiceBodies::json(ServiceBodies::usage());
    slow.delayMs = 200;
    fx.server.on(Fx::usagePath, slow);
    auto service = fx.makeService();
    QSignalSpy requested(&fx.server, &LoopbackServer::requestReceived);
    service->start();
    QTRY_COMPARE(requested.count(), 2);

    // Another source picked while the usage answer is on its way, and the keyring then
    // holds no cookie: nothing is loading, and the next Refresh goes.
    fx.store->put(std::nullopt);
    fx.defaults.defaults().setValue(Settings::usageSourceKey, UsageSources::cookie);
    QTRY_COMPARE(service->error(), std::optional(FetchMessages::noCookie()));
    QVERIFY(!service->isLoading());
    fx.store->put(QByteArray("sessionKey=test-cookie-2"));
    QVERIFY(fx.fetchAndWait(*service));
    QVERIFY(requested.count() > 2);
    QCOMPARE(fx.server.requestedPaths().last(), Fx::usagePath);
    QVERIFY(service->usageData());
}

void TestUsageService::lastActionWins_data()
{
    QTest::addColumn<QStringList>("actions");
    QTest::addColumn<bool>("locked");
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QString>("error");

    const QString cookie2 = QStringLiteral("sessionKey=test-cookie-2");
    QTest::newRow("save, then disconnect before it answers")
        << QStringList{QStringLiteral("save"), QStringLiteral("clear")} << false << QVariant()
        << QString();
    QTest::newRow("disconnect, then save")
        << QStringList{QStringLiteral("clear"), QStringLiteral("save")} << false
        << QVariant(cookie2.toUtf8()) << QString();
    QTest::newRow("disconnect from a locked keyring")
        << QStringList{QStringLiteral("clear")} << true
        << QVariant(QByteArray("sessionKey=test-cookie-1")) << FetchMessages::removeFailed(true);
}

void TestUsageService::lastActionWins()
{
    QFETCH(QStringList, actions);
    QFETCH(bool, locked);
    QFETCH(QVariant, stored);
    QFETCH(QString, error);
    Fx fx;
    fx.serveHappyPath();
    auto service = fx.makeService();
    QVERIFY(fx.startAndWait(*service));
    fx.store->setLocked(locked);
    for (const QString& action : actions) {
        if (action == QLatin1String("save"))
            service->saveCookie(QStringLiteral("sessionKey=test-cookie-2"));
        else
            service->clearCookie();
    }
    QVERIFY(fx.settle(*service));
    fx.store->setLocked(false);
    // What the service says is what the keyring holds.
    QCOMPARE(fx.store->secret(),
             stored.isValid() ? std::optional(stored.toByteArray()) : std::nullopt);
    QCOMPARE(service->hasCookie(), stored.isValid());
    QCOMPARE(service->usageData().has_value(), stored.isValid());
    QCOMPARE(service->refreshTimer().isActive(), stored.isValid());
    QCOMPARE(service->error().value_or(QString()), error);
}

void TestUsageService::oneChangePerOutcome()
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
    // The start of the fetch, then its result: each stored whole before any signal.
    QCOMPARE(seen.join(QLatin1Char(',')),
             QStringLiteral("loading 1 1,changed,data 1 1,loading 0 0,changed"));
    seen.clear();
    fx.server.on(Fx::usagePath, ServiceBodies::json("{}", 503));
    QVERIFY(fx.fetchAndWait(*service));
    QCOMPARE(seen.join(QLatin1Char(',')),
             QStringLiteral("loading 1 1,changed,loading 0 0,error 1 1,changed"));
}

QTEST_GUILESS_MAIN(TestUsageService)
#include "tst_usage_service.moc"
