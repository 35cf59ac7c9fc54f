#include "fake_notification_server.h"
#include "services/notification_service.h"

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
};

void TestNotificationService::initialState()
{
    NotificationService service;
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

    NotificationService service;
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
    QCOMPARE(server.informationRequests(), serverRuns ? 1 : 0);
    // Asking is not notifying.
    QVERIFY(server.notifications().isEmpty());
}

void TestNotificationService::withoutBus()
{
    NotificationService service(QDBusConnection(QStringLiteral("never-connected")));
    QSignalSpy spy(&service, &NotificationService::notificationsEnabledChanged);
    service.requestPermission();
    QCOMPARE(spy.count(), 0);
    QVERIFY(spy.wait());
    QVERIFY(!service.notificationsEnabled());
}

QTEST_GUILESS_MAIN(TestNotificationService)
#include "tst_notification_service.moc"
