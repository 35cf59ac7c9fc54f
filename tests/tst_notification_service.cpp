#include "fake_notification_server.h"
#include "models/usage_data.h"
#include "services/alerts/notification_service.h"
#include "temporary_settings.h"

#include <QDBusConnectionInterface>
#include <QSignalSpy>
#include <QTest>

// Runs on the private session bus of the desktop session.
class TestNotificationService : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initialState();
    void answer_data();
    void answer();
    void withoutBus();
    void alerts();
    void namesStayText_data();
    void namesStayText();
    void noAlertsWithoutPermissionOrSetting_data();
    void noAlertsWithoutPermissionOrSetting();
};

namespace {

UsageData snapshot(double session, const QDateTime& sessionReset)
{
    UsageData data;
    data.sessionUsagePercent = session;
    data.sessionResetTime = sessionReset;
    data.weeklyUsagePercent = 10;
    data.weeklyResetTime = QDateTime::currentDateTimeUtc().addDays(3);
    data.weeklySonnetResetTime = data.weeklyResetTime;
    return data;
}

QStringList summaries(const FakeNotificationServer& server)
{
    QStringList out;
    for (const FakeNotificationServer::Notification& n : server.notifications())
        out << n.summary;
    return out;
}

} // namespace

void TestNotificationService::initialState()
{
    TemporarySettings defaults;
    NotificationService service(defaults.defaults());
    QVERIFY(service.notificationsEnabled());
    QCOMPARE(service.thresholds(), QList<int>({25, 50, 75, 90}));
    QVERIFY(service.notifiedThresholds().isEmpty());
}

void TestNotificationService::answer_data()
{
    QTest::addColumn<bool>("serverRuns");
    QTest::addColumn<bool>("serverFails");
    QTest::addColumn<bool>("enabled");

    QTest::newRow("server answers") << true << false << true;
    QTest::newRow("server fails") << true << true << false;
    QTest::newRow("no server") << false << false << false;
}

void TestNotificationService::answer()
{
    QFETCH(bool, serverRuns);
    QFETCH(bool, serverFails);

    FakeNotificationServer server;
    if (serverRuns) {
        server.setFailing(serverFails);
        QVERIFY(server.start());
    } else if (QDBusConnection::sessionBus()
                   .interface()
                   ->activatableServiceNames()
                   .value()
                   .contains(QStringLiteral("org.freedesktop.Notifications"))) {
        QSKIP("a notification server can be started on this bus");
    }

    TemporarySettings defaults;
    NotificationService service(defaults.defaults());
    QSignalSpy spy(&service, &NotificationService::notificationsEnabledChanged);
    QSignalSpy changed(&service, &NotificationService::changed);
    service.requestPermission();
    // The request does not wait for the answer.
    QVERIFY(service.notificationsEnabled());
    QCOMPARE(spy.count(), 0);

    QVERIFY(spy.wait());
    QCOMPARE(spy.count(), 1);
    QCOMPARE(changed.count(), 1);
    QTEST(spy.first().first().toBool(), "enabled");
    QTEST(service.notificationsEnabled(), "enabled");
    QCOMPARE(server.informationRequesters().size(), serverRuns ? 1 : 0);
    // Asking is not notifying.
    QVERIFY(server.notifications().isEmpty());
}

void TestNotificationService::withoutBus()
{
    TemporarySettings defaults;
    NotificationService service(defaults.defaults(),
                                QDBusConnection(QStringLiteral("never-connected")));
    QSignalSpy spy(&service, &NotificationService::notificationsEnabledChanged);
    service.requestPermission();
    QCOMPARE(spy.count(), 0);
    QVERIFY(spy.wait());
    QVERIFY(!service.notificationsEnabled());
}

void TestNotificationService::alerts()
{
    FakeNotificationServer server;
    QVERIFY(server.start());
    TemporarySettings defaults;
    defaults.defaults().setValue(Settings::usageAlertsKey, true);
    const QDateTime reset = QDateTime::currentDateTimeUtc().addSecs(3 * 3600);

    {
        NotificationService service(defaults.defaults());
        for (double percent : {10.0, 26.0, 30.0, 49.9, 50.0, 80.0, 80.0})
            service.checkUsage(snapshot(percent, reset));
        QTRY_COMPARE(server.notifications().size(), 3);
        QCOMPARE(summaries(server),
                 (QStringList{QStringLiteral("Session at 25%"), QStringLiteral("Session at 50%"),
                              QStringLiteral("Session at 75%")}));
        const FakeNotificationServer::Notification& first = server.notifications().first();
        QCOMPARE(first.appName, QStringLiteral("Gaugery"));
        QCOMPARE(first.appIcon, QStringLiteral("com.gaugery.app"));
        QVERIFY(first.body.startsWith(QStringLiteral("Resets at ")));
    }

    // A restart in the same window remembers, also when the service names another reset
    // for it (one it leaves out moves with the clock); the next window starts over.
    QDateTime now = QDateTime::currentDateTimeUtc();
    NotificationService restarted(defaults.defaults(), QDBusConnection::sessionBus(),
                                  [&now] { return now; });
    QCOMPARE(restarted.notifiedThresholds().size(), 3);
    restarted.checkUsage(snapshot(85, reset));
    restarted.checkUsage(snapshot(85, reset.addSecs(300)));
    now = reset.addSecs(60);
    restarted.checkUsage(snapshot(30, reset.addSecs(5 * 3600)));
    QTRY_COMPARE(server.notifications().size(), 4);
    QTest::qWait(100);
    QCOMPARE(summaries(server).last(), QStringLiteral("Session at 25%"));
    QCOMPARE(server.notifications().size(), 4);
}

void TestNotificationService::namesStayText_data()
{
    QTest::addColumn<QStringList>("capabilities");
    QTest::addColumn<QString>("body");
    QTest::newRow("markup server")
        << QStringList{QStringLiteral("body"), QStringLiteral("body-markup")}
        << QStringLiteral("&lt;b&gt;Fable&lt;/b&gt; &amp; co");
    QTest::newRow("plain server") << QStringList{QStringLiteral("body")}
                                  << QStringLiteral("<b>Fable</b> & co");
}

void TestNotificationService::namesStayText()
{
    QFETCH(QStringList, capabilities);
    FakeNotificationServer server;
    server.setCapabilities(capabilities);
    QVERIFY(server.start());
    TemporarySettings defaults;
    defaults.defaults().setValue(Settings::usageAlertsKey, true);
    NotificationService service(defaults.defaults());

    UsageData data = snapshot(0, QDateTime::currentDateTimeUtc().addSecs(3600));
    data.furtherWindows.append({UsageWindows::scoped(QStringLiteral("Fable")),
                                96,
                                QDateTime::currentDateTimeUtc().addDays(2),
                                QStringLiteral("<b>Fable</b> & co"),
                                {}});
    service.checkUsage(data);
    QTRY_COMPARE(server.notifications().size(), 1);
    QTEST(server.notifications().first().body, "body");
}

void TestNotificationService::noAlertsWithoutPermissionOrSetting_data()
{
    QTest::addColumn<bool>("setting");
    QTest::addColumn<bool>("serverAnswers");
    QTest::newRow("setting off (the default)") << false << true;
    QTest::newRow("permission not granted") << true << false;
}

void TestNotificationService::noAlertsWithoutPermissionOrSetting()
{
    QFETCH(bool, setting);
    QFETCH(bool, serverAnswers);

    FakeNotificationServer server;
    server.setFailing(!serverAnswers);
    QVERIFY(server.start());
    TemporarySettings defaults;
    if (setting)
        defaults.defaults().setValue(Settings::usageAlertsKey, true);
    NotificationService service(defaults.defaults());
    QSignalSpy answered(&service, &NotificationService::notificationsEnabledChanged);
    service.requestPermission();
    QVERIFY(answered.wait());

    service.checkUsage(snapshot(95, QDateTime::currentDateTimeUtc().addSecs(3600)));
    QTest::qWait(200);
    QVERIFY(server.notifications().isEmpty());
    QVERIFY(!defaults.defaults().contains(Settings::notifiedThresholdsKey));
}

QTEST_GUILESS_MAIN(TestNotificationService)
#include "tst_notification_service.moc"
