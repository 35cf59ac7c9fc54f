#include "app/app_delegate.h"
#include "app/dashboard_popup.h"
#include "app/platform/status_item.h"
#include "fake_notification_server.h"
#include "service_fixture.h"
#include "services/accounts/account_store.h"
#include "services/fetch/fetch_messages.h"
#include "views/dashboard/usage_block.h"
#include "views/dashboard/usage_row_widget.h"

#include <QApplication>
#include <QCursor>
#include <QDBusMessage>
#include <QFile>
#include <QLabel>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// The start-up sequence against a loopback service, an in-memory keyring and the
// private session bus, with no tray on it.
class TestAppDelegate : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void startUp_data();
    void startUp();
    void asksForNotificationPermission();
    void togglesTheDashboard();
    void titleFollowsSnapshotAndSettings();
    void forecastFromTheStoredHistory();
    void everyLimitShowsAndStylesSwitchLive();
    void wakingFromSleepFetchesOnce();
    void severalAccountsSideBySide();
    void lastFiguresAtStart();
    void aPassedResetIsShownAsReset();
};

// The labels the tray item announces, as a panel on the bus receives them.
class LabelLog : public QObject {
    Q_OBJECT

public:
    QStringList labels;

public Q_SLOTS:
    void record(const QString& label, const QString&) { labels.append(label); }
};

namespace {

struct Scene {
    Scene()
    {
        fixture.serveHappyPath();
        fixture.store->clear();
    }

    AppEnvironment environment()
    {
        AppEnvironment environment{
            fixture.keyring,
            fixture.defaults.defaults(),
            fixture.endpoints(),
            QDBusConnection::sessionBus(),
            AutostartEntry(autostartPath(), QStringLiteral("/usr/bin/gaugery")),
            [this](const QString& line) { printed << line; }};
        environment.historyPath = home.filePath(QStringLiteral("history.sqlite"));
        environment.secretStores = [this](const Account& account) {
            return fixture.storeOf(account.id);
        };
        return environment;
    }
    QString autostartPath() const
    {
        return home.filePath(QStringLiteral("autostart/com.gaugery.app.desktop"));
    }

    ServiceFixture fixture;
    QTemporaryDir home;
    QStringList printed;
};

bool anyWindowVisible()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::any_of(windows.begin(), windows.end(), [](QWidget* w) { return w->isVisible(); });
}

} // namespace

void TestAppDelegate::startUp_data()
{
    QTest::addColumn<bool>("cookie");

    QTest::newRow("first run, no cookie") << false;
    QTest::newRow("first run, cookie") << true;
}

void TestAppDelegate::startUp()
{
    QFETCH(bool, cookie);

    Scene scene;
    if (cookie)
        scene.fixture.store->put(QByteArray("sessionKey=test-cookie-1"));

    AppDelegate delegate(scene.environment());
    QVERIFY(!delegate.statusItem());
    delegate.start();

    // Launch at login is configured (what each stored value does: tst_launch_at_login).
    QVERIFY(scene.fixture.defaults.defaults().contains(Settings::launchAtLoginKey));
    QVERIFY(QFileInfo::exists(scene.autostartPath()));
    QVERIFY(delegate.statusItem());
    QVERIFY(delegate.popup());
    QVERIFY(!anyWindowVisible());
    // No tray exists on this bus or the offscreen screen: one line says how to get in.
    QCOMPARE(scene.printed,
             QStringList{QStringLiteral(
                 "No system tray available: open the dashboard with Super + Shift + U")});

    // The first fetch follows the keyring's answer, only with a cookie, which is read once.
    QVERIFY(scene.fixture.settle(delegate.usageService()));
    QCOMPARE(delegate.usageService().usageData().has_value(), cookie);
    QCOMPARE(delegate.usageService().hasCookie(), cookie);
    const QList<QByteArray> chain{ServiceFixture::organizationsPath, ServiceFixture::usagePath};
    QCOMPARE(scene.fixture.server.requestedPaths(), cookie ? chain : QList<QByteArray>());
    QCOMPARE(scene.fixture.store->lookupCalls(), 2);
}

void TestAppDelegate::asksForNotificationPermission()
{
    FakeNotificationServer server;
    QVERIFY(server.start());
    // This start talks on a connection of its own, and only its requests count: a bus that
    // can start a notification server (Plasma's waits for one to appear) holds the earlier
    // starts' requests until this server takes the name, then hands them all to it.
    const QString connection = QStringLiteral("one-start");
    const auto disconnect = qScopeGuard([&] { QDBusConnection::disconnectFromBus(connection); });
    const QDBusConnection bus =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, connection);
    Scene scene;
    AppEnvironment environment = scene.environment();
    environment.bus = bus;
    AppDelegate delegate(environment);
    QSignalSpy answered(&delegate.notificationService(),
                        &NotificationService::notificationsEnabledChanged);
    delegate.start();
    QVERIFY(answered.wait());
    QCOMPARE(server.informationRequesters().count(bus.baseService()), 1);
    QVERIFY(delegate.notificationService().notificationsEnabled());
    QVERIFY(server.notifications().isEmpty());
}

void TestAppDelegate::togglesTheDashboard()
{
    Scene scene;
    AppDelegate delegate(scene.environment());
    delegate.toggleDashboardFromShortcut(); // before start-up: nothing to toggle, nothing breaks
    delegate.start();

    // Before any click the shortcut has only the pointer to go by. Where the dashboard
    // opens for an anchor is popupGeometry's rule; here only which anchor it is given.
    QCursor::setPos(500, 400);
    delegate.toggleDashboardFromShortcut();
    QVERIFY(delegate.popup()->isVisible());
    QVERIFY(qAbs(delegate.popup()->geometry().center().x() - 500) <= 1);
    delegate.toggleDashboardFromShortcut();
    QVERIFY(!delegate.popup()->isVisible());

    // A click on the item (as the panel reports it) opens below it.
    QDBusMessage activate = QDBusMessage::createMethodCall(
        QDBusConnection::sessionBus().baseService(), QStringLiteral("/StatusNotifierItem"),
        QStringLiteral("org.kde.StatusNotifierItem"), QStringLiteral("Activate"));
    activate << 300 << 4;
    QDBusConnection::sessionBus().call(activate);
    QTRY_VERIFY(delegate.popup()->isVisible());
    QCOMPARE(delegate.popup()->width(), 260);
    QVERIFY(qAbs(delegate.popup()->geometry().center().x() - 300) <= 1);
    QTRY_VERIFY(delegate.popup()->isActiveWindow());

    // Closed by a click elsewhere, then the shortcut right away: it is never swallowed,
    // and it opens at the item, wherever the pointer is.
    QWidget elsewhere;
    elsewhere.show();
    elsewhere.activateWindow();
    QTRY_VERIFY(!delegate.popup()->isVisible());
    delegate.toggleDashboardFromShortcut();
    QVERIFY(delegate.popup()->isVisible());
    QVERIFY(qAbs(delegate.popup()->geometry().center().x() - 300) <= 1);
}

void TestAppDelegate::titleFollowsSnapshotAndSettings()
{
    Scene scene;
    scene.fixture.store->put(QByteArray("sessionKey=test-cookie-1"));
    LabelLog log;
    QDBusConnection panel =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("panel"));
    QVERIFY(panel.connect(
        QDBusConnection::sessionBus().baseService(), QStringLiteral("/StatusNotifierItem"),
        QStringLiteral("org.kde.StatusNotifierItem"), QStringLiteral("XAyatanaNewLabel"), &log,
        SLOT(record(QString, QString))));

    AppDelegate delegate(scene.environment());
    delegate.start();
    QTRY_COMPARE(log.labels, QStringList{QStringLiteral(" 42%")});

    // A burst of changes redraws once, from the value in force at its end. The item's
    // signals reach the panel in order, so once the next change has arrived, so has every
    // redraw the burst made.
    Settings& defaults = scene.fixture.defaults.defaults();
    for (const char* metric : {"weekly", "sonnet", "session", "weekly"})
        defaults.setValue(Settings::menuBarMetricKey, QString::fromLatin1(metric));
    QTRY_COMPARE(delegate.statusItem()->presentation().label, QStringLiteral(" 67%"));
    delegate.usageService().clearCookie();
    QTRY_VERIFY(!log.labels.isEmpty() && log.labels.last().isEmpty());
    QCOMPARE(log.labels, (QStringList{QStringLiteral(" 42%"), QStringLiteral(" 67%"), QString()}));
    QDBusConnection::disconnectFromBus(QStringLiteral("panel"));
}

void TestAppDelegate::forecastFromTheStoredHistory()
{
    Scene scene;
    scene.fixture.store->put(QByteArray("sessionKey=test-cookie-1"));
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QDateTime reset = now.addSecs(3 * 3600);
    scene.fixture.server.on(
        ServiceFixture::usagePath,
        ServiceBodies::json(R"({"five_hour": {"utilization": 42, "resets_at": ")" +
                            reset.toString(Qt::ISODate).toLatin1() +
                            R"("}, "seven_day": null, "seven_day_sonnet": null})"));
    {
        // What the last run kept, half an hour ago, in the same period.
        HistoryStore earlier(scene.environment().historyPath);
        UsageData data;
        data.lastUpdated = now.addSecs(-30 * 60);
        data.owner = QStringLiteral("org-1234");
        data.sessionUsagePercent = 30;
        data.sessionResetTime = reset;
        earlier.record(data);
    }

    AppDelegate delegate(scene.environment());
    delegate.start();
    // 12 points in 30 minutes leave 58 to go: full in 145 minutes, before the reset.
    QTRY_VERIFY(delegate.statusItem()->presentation().toolTip.contains(
        QLatin1String("at this pace: full at ")));
    QCOMPARE(delegate.history()
                 .queries()
                 .samples(delegate.usageService().usageData()->owner, QStringLiteral("session"))
                 .rows.size(),
             2);
}

void TestAppDelegate::everyLimitShowsAndStylesSwitchLive()
{
    Scene scene;
    scene.fixture.store->put(QByteArray("sessionKey=test-cookie-1"));
    QFile body(QStringLiteral(GAUGERY_TEST_DATA "/usage/filled_unknown.json"));
    QVERIFY(body.open(QIODevice::ReadOnly));
    scene.fixture.server.on(ServiceFixture::usagePath, ServiceBodies::json(body.readAll()));
    Settings& defaults = scene.fixture.defaults.defaults();
    defaults.setValue(Settings::menuBarMetricKey, UsageWindows::highestMetric);

    AppDelegate delegate(scene.environment());
    delegate.start();
    QVERIFY(scene.fixture.settle(delegate.usageService()));

    // The window nearest its limit is one the program has no name for.
    QTRY_COMPARE(delegate.statusItem()->presentation().label, QStringLiteral(" 96%"));
    QVERIFY(delegate.statusItem()->presentation().toolTip.startsWith(
        QStringLiteral("Cowork: 96%, resets Dec 10, 12:00 PM")));

    // The dashboard lists it, and extra usage with its money, after the known windows.
    delegate.toggleDashboard(QRect(300, 4, 1, 1));
    QVERIFY(delegate.popup()->isVisible());
    QStringList rows;
    for (const UsageRowWidget* row : delegate.popup()->findChildren<UsageRowWidget*>())
        rows << row->accessibleName();
    QCOMPARE(rows.mid(4), (QStringList{
                              QStringLiteral("Iguana Necktie (5 hour), 18%"),
                              QStringLiteral("Cowork (7 day), 96%, Dec 10, 12:00 PM"),
                              QStringLiteral("Extra usage, 40%, $10.00 of $25.00"),
                          }));

    // Each tray style, picked in the settings, shows without a restart.
    const auto pick = [&](TrayStyle style) {
        defaults.setValue(Settings::trayStyleKey, TrayStyles::settingOf(style));
    };
    const TrayPresentation& shown = delegate.statusItem()->presentation();
    pick(TrayStyle::figureInIcon);
    QTRY_COMPARE(shown.icon.figure, QStringLiteral("96"));
    QCOMPARE(shown.label, QString());
    pick(TrayStyle::gauge);
    QTRY_COMPARE(shown.icon.kind, TrayIcon::Kind::gauge);
    pick(TrayStyle::label);
    QTRY_COMPARE(shown.label, QStringLiteral(" 96%"));
    QCOMPARE(shown.icon.besideLabel, true);
}

void TestAppDelegate::wakingFromSleepFetchesOnce()
{
    // logind on the test's session bus stands in for the system bus.
    QDBusConnection logind =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("logind"));
    QVERIFY(logind.registerService(QStringLiteral("org.freedesktop.login1")));
    const auto prepareForSleep = [&logind](bool sleeping) {
        QDBusMessage signal = QDBusMessage::createSignal(
            QStringLiteral("/org/freedesktop/login1"),
            QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"));
        signal << sleeping;
        QVERIFY(logind.send(signal));
    };

    Scene scene;
    scene.fixture.store->put(QByteArray("sessionKey=test-cookie-1"));
    AppEnvironment environment = scene.environment();
    environment.systemBus = QDBusConnection::sessionBus();
    AppDelegate delegate(environment);
    delegate.start();
    QSignalSpy published(&delegate.usageService(), &UsageService::usageDataChanged);
    QVERIFY(published.wait());
    scene.fixture.server.clearRequests();

    prepareForSleep(true);
    QTest::qWait(200);
    QVERIFY(scene.fixture.server.requests().isEmpty());
    prepareForSleep(false);
    QVERIFY(published.wait());
    QCOMPARE(scene.fixture.server.requestedPaths(), QList<QByteArray>{ServiceFixture::usagePath});

    logind.unregisterService(QStringLiteral("org.freedesktop.login1"));
    QDBusConnection::disconnectFromBus(QStringLiteral("logind"));
}

void TestAppDelegate::severalAccountsSideBySide()
{
    FakeNotificationServer server;
    QVERIFY(server.start());
    Scene scene;
    ServiceFixture& fixture = scene.fixture;
    const QString reset = QDateTime::currentDateTimeUtc().addSecs(3600).toString(Qt::ISODate);
    const auto usage = [&](int percent) {
        return ServiceBodies::json(
            QStringLiteral(R"({"five_hour":{"utilization":%1,"resets_at":"%2"}})")
                .arg(percent)
                .arg(reset)
                .toUtf8());
    };
    // The first account's session, and a work session in two organizations, the second
    // one watched; that one fails at first.
    fixture.store->put(QByteArray("sessionKey=test-cookie-1"));
    fixture.server.on(ServiceFixture::usagePath, usage(80));
    fixture.storeOf(QStringLiteral("work"))->put(QByteArray("sessionKey=test-work"));
    fixture.server.on(ServiceFixture::organizationsPath, "test-work",
                      ServiceBodies::json(R"([{"uuid":"org-b1"},{"uuid":"org-b2"}])"));
    fixture.server.on("/api/organizations/org-b2/usage", ServiceBodies::json("{}", 503));
    Settings& settings = fixture.defaults.defaults();
    settings.setValue(Settings::usageAlertsKey, true);
    AccountStore::save(
        settings, {{Accounts::defaultId, QStringLiteral("Personal"), Account::Source::cookie, {}},
                   {QStringLiteral("work"), QStringLiteral("Work"), Account::Source::cookie,
                    QStringLiteral("org-b2")}});

    AppDelegate delegate(scene.environment());
    delegate.start();
    UsageService& personal = delegate.usageService();
    UsageService& work = *delegate.accounts().service(QStringLiteral("work"));
    QTRY_VERIFY(personal.usageData() && work.error());
    // One account's failure leaves the other's figures; the alert names its account.
    QCOMPARE(work.error(), std::optional(FetchMessages::serverError(503)));
    QCOMPARE(personal.usageData()->sessionUsagePercent, std::optional(80.0));
    QTRY_COMPARE(server.notifications().size(), 1);
    QCOMPARE(server.notifications().first().summary, QStringLiteral("Personal: Session at 75%"));

    fixture.server.on("/api/organizations/org-b2/usage", usage(91));
    settings.setValue(Settings::trayAccountKey, Accounts::highestOfAll);
    delegate.accounts().refreshAll();
    QTRY_VERIFY(work.usageData());
    QTRY_COMPARE(server.notifications().size(), 2);
    QCOMPARE(server.notifications().last().summary, QStringLiteral("Work: Session at 90%"));
    QTRY_VERIFY(delegate.statusItem()->presentation().toolTip.startsWith(
        QStringLiteral("Work · Session: 91%")));
    QVERIFY(delegate.statusItem()->presentation().toolTip.contains(
        QStringLiteral("\nPersonal · Session: 80%")));
    // Each account's rows in its own series.
    const HistoryQueries history = delegate.history().queries();
    QCOMPARE(
        history.samples(QStringLiteral("org-1234"), UsageWindows::sessionId).rows.last().percent,
        80.0);
    QCOMPARE(history.samples(QStringLiteral("org-b2"), UsageWindows::sessionId).rows.last().percent,
             91.0);

    // A keyring item each; removing one takes its item and leaves the first one's.
    QCOMPARE(fixture.storeOf(QStringLiteral("work"))->secret(),
             std::optional(QByteArray("sessionKey=test-work")));
    delegate.accounts().remove(QStringLiteral("work"));
    QTRY_COMPARE(delegate.accounts().accounts().size(), 1);
    QCOMPARE(fixture.storeOf(QStringLiteral("work"))->secret(), std::nullopt);
    QCOMPARE(fixture.store->secret(), std::optional(QByteArray("sessionKey=test-cookie-1")));
    QCOMPARE(history.samples(QStringLiteral("org-b2"), UsageWindows::sessionId).rows.size(), 1);
}

void TestAppDelegate::lastFiguresAtStart()
{
    Scene scene;
    scene.fixture.store->put(QByteArray("sessionKey=test-cookie-1"));
    // The first answer, a failure, comes late; a refresh does not overtake it.
    ScriptedResponse late = ServiceBodies::json("{}", 503);
    late.delayMs = 2000;
    scene.fixture.server.on(ServiceFixture::usagePath, late);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    {
        // What the last run kept four minutes ago: recent, yet not this run's.
        HistoryStore earlier(scene.environment().historyPath);
        UsageData data;
        data.lastUpdated = now.addSecs(-4 * 60 - 30);
        data.owner = QStringLiteral("org-1234");
        data.sessionUsagePercent = 30;
        earlier.record(data);
    }

    // Until the service answers, the last run's figures stand in, marked as not current.
    AppDelegate delegate(scene.environment());
    delegate.start();
    const TrayPresentation& shown = delegate.statusItem()->presentation();
    QTRY_COMPARE(shown.label, QStringLiteral(" 30%?"));
    const QString asOf = shown.toolTip.split(u'\n').at(1);
    QVERIFY2(asOf.startsWith(QLatin1String("As of ")) &&
                 asOf.endsWith(QLatin1String(" (4 min ago)")),
             qPrintable(shown.toolTip));
    delegate.toggleDashboard(QRect(300, 4, 1, 1));
    const auto* block = delegate.popup()->findChild<UsageBlock*>();
    QCOMPARE(block->updatedLabel()->text(), asOf);

    // A failure says why after how old they are.
    QTRY_COMPARE_WITH_TIMEOUT(shown.toolTip.split(u'\n').mid(1, 2),
                              (QStringList{asOf, FetchMessages::serverError(503)}), 15000);
    QCOMPARE(shown.label, QStringLiteral(" 30%?"));

    // The first answer takes their place, current.
    scene.fixture.serveHappyPath();
    delegate.usageService().fetchUsage();
    QTRY_COMPARE(shown.label, QStringLiteral(" 42%"));
    QVERIFY(block->updatedLabel()->text().startsWith(QLatin1String("Updated ")));
}

void TestAppDelegate::aPassedResetIsShownAsReset()
{
    FakeNotificationServer server;
    QVERIFY(server.start());
    Scene scene;
    scene.fixture.store->put(QByteArray("sessionKey=test-cookie-1"));
    QDateTime now = QDateTime::currentDateTimeUtc();
    const QDateTime reset = now.addSecs(240);
    scene.fixture.server.on(
        ServiceFixture::usagePath,
        ServiceBodies::json(R"({"five_hour": {"utilization": 80, "resets_at": ")" +
                            reset.toString(Qt::ISODate).toLatin1() + R"("}})"));
    Settings& settings = scene.fixture.defaults.defaults();
    settings.setValue(Settings::usageAlertsKey, true);
    settings.setValue(Settings::resetAlertsKey, true);
    AppEnvironment environment = scene.environment();
    environment.clock = [&now] { return now; };
    AppDelegate delegate(environment);
    delegate.start();
    QTRY_COMPARE(delegate.statusItem()->presentation().label, QStringLiteral(" 80%"));
    QTRY_COMPARE(server.notifications().size(), 1);

    // The reset passes before the next refresh: the window shows as reset, one notice says
    // so, and nothing Gaugery inferred is kept or alerted on.
    now = reset.addSecs(30);
    delegate.followClock();
    const QString note =
        QStringLiteral("Reset at %1, waiting for figures").arg(UsageWindows::timeOfDayText(reset));
    QCOMPARE(delegate.statusItem()->presentation().label, QStringLiteral(" 0%"));
    QVERIFY(delegate.statusItem()->presentation().toolTip.startsWith(
        QStringLiteral("Session: 0%, ") + note));
    QTRY_COMPARE(server.notifications().size(), 2);
    QCOMPARE(server.notifications().last().summary, QStringLiteral("Session limit has reset"));
    QCOMPARE(server.notifications().last().body,
             QStringLiteral("Reset at ") + UsageWindows::timeOfDayText(reset));
    const HistoryQueries kept = delegate.history().queries();
    QCOMPARE(kept.samples(QStringLiteral("org-1234"), UsageWindows::sessionId).rows.size(), 1);
    delegate.toggleDashboard(QRect(300, 4, 1, 1));
    QCOMPARE(delegate.popup()->findChild<UsageRowWidget*>()->accessibleName(),
             QStringLiteral("Session (5 hour), 0%, ") + note);
}

QTEST_MAIN(TestAppDelegate)
#include "tst_app_delegate.moc"
