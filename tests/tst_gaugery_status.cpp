#include "app/platform/usage_bus_export.h"
#include "models/usage_bus.h"
#include "service_fixture.h"
#include "services/accounts/account_store.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

// gaugery-status against the export of a real service on the private session bus, and
// with no agent at all.
class TestGaugeryStatus : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void noAgent();
    void againstTheAgent();
    void propertiesChangedAfterAFetch();
    void oneAccountOfSeveral();
};

// The PropertiesChanged signals a status bar would get.
class ChangeLog : public QObject {
    Q_OBJECT

public:
    QList<QVariantMap> changes;

public Q_SLOTS:
    void record(const QString&, const QVariantMap& changed, const QStringList&)
    {
        changes.append(changed);
    }
};

namespace {

const QString agentName = QStringLiteral("com.gaugery.app");

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

// Asynchronously, so this process keeps answering the bus while the command asks it.
Run runStatus(const QStringList& arguments)
{
    QProcess process;
    QSignalSpy finished(&process, &QProcess::finished);
    process.start(QStringLiteral(GAUGERY_STATUS_PROGRAM), arguments);
    if (!finished.wait(15000))
        return {};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

} // namespace

void TestGaugeryStatus::initTestCase()
{
    QVERIFY2(qEnvironmentVariableIsSet("GAUGERY_DESKTOP_SESSION"),
             "run inside scripts/desktop-session");
}

void TestGaugeryStatus::noAgent()
{
    QVERIFY(!QDBusConnection::sessionBus().interface()->isServiceRegistered(agentName).value());
    const Run run = runStatus({});
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.out, QString());
    QCOMPARE(run.err, QStringLiteral("gaugery-status: Gaugery is not running\n"));
}

void TestGaugeryStatus::againstTheAgent()
{
    ServiceFixture fixture;
    fixture.serveHappyPath();
    const std::unique_ptr<UsageAccounts> accounts = fixture.makeAccounts();
    UsageService* service = &accounts->first();
    QVERIFY(fixture.fetchAndWait(*service));
    fixture.defaults.defaults().setValue(Settings::menuBarMetricKey, QStringLiteral("weekly"));

    QDBusConnection agent =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("agent"));
    QVERIFY(agent.registerService(agentName));
    {
        UsageBusExport exported(*accounts, fixture.defaults.defaults(), agent);
        QVERIFY(exported.isExported());
        // What the tray shows, as the delegate hands it over.
        TrayInput input;
        input.usage = service->usageData();
        input.metric = QStringLiteral("weekly");
        input.now = QDateTime::currentDateTimeUtc();
        exported.setPresentation(presentTray(input));

        const Run json = runStatus({});
        QCOMPARE(json.exitCode, 0);
        QVERIFY(json.out.endsWith(QLatin1Char('\n')));
        const QJsonObject object = QJsonDocument::fromJson(json.out.toUtf8()).object();
        QCOMPARE(object.value(QStringLiteral("text")).toString(), QStringLiteral("67%"));
        QCOMPARE(object.value(QStringLiteral("class")).toString(), QStringLiteral("low"));
        QCOMPARE(object.value(QStringLiteral("percentage")).toInt(), 67);
        QVERIFY(object.value(QStringLiteral("tooltip"))
                    .toString()
                    .startsWith(QStringLiteral("Session 42%")));

        const Run text =
            runStatus({QStringLiteral("--format"), QStringLiteral("{session}% {weekly}% {opus}%")});
        QCOMPARE(text.exitCode, 0);
        QCOMPARE(text.out, QStringLiteral("42% 67% --%\n"));
        // Nothing of the cookie is on the bus.
        for (const QVariant& value : exported.properties())
            QVERIFY(!value.toString().contains(QLatin1String("test-cookie")));
    }
    agent.unregisterService(agentName);
    QDBusConnection::disconnectFromBus(QStringLiteral("agent"));
}

void TestGaugeryStatus::propertiesChangedAfterAFetch()
{
    ServiceFixture fixture;
    fixture.serveHappyPath();
    const std::unique_ptr<UsageAccounts> accounts = fixture.makeAccounts();
    UsageService* service = &accounts->first();
    QDBusConnection agent =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("agent2"));
    UsageBusExport exported(*accounts, fixture.defaults.defaults(), agent);
    QCOMPARE(exported.properties().value(QStringLiteral("HasData")).toBool(), false);

    ChangeLog log;
    QVERIFY(QDBusConnection::sessionBus().connect(agent.baseService(), UsageBus::objectPath,
                                                  QStringLiteral("org.freedesktop.DBus.Properties"),
                                                  QStringLiteral("PropertiesChanged"), &log,
                                                  SLOT(record(QString, QVariantMap, QStringList))));
    QVERIFY(fixture.fetchAndWait(*service));
    QTRY_VERIFY(!log.changes.isEmpty());
    QTRY_VERIFY(std::any_of(log.changes.begin(), log.changes.end(), [](const QVariantMap& c) {
        return c.value(QStringLiteral("SessionPercent")).toDouble() == 42.0 &&
               c.value(QStringLiteral("HasData")).toBool();
    }));
    // The figures of an unchanged answer are not announced again.
    const qsizetype before = log.changes.size();
    QVERIFY(fixture.fetchAndWait(*service));
    QTest::qWait(200);
    for (qsizetype i = before; i < log.changes.size(); ++i)
        QVERIFY(!log.changes.at(i).contains(QStringLiteral("SessionPercent")));
    QDBusConnection::disconnectFromBus(QStringLiteral("agent2"));
}

void TestGaugeryStatus::oneAccountOfSeveral()
{
    ServiceFixture fixture;
    fixture.serveHappyPath();
    fixture.storeOf(QStringLiteral("work"))->put(QByteArray("sessionKey=test-work"));
    fixture.server.on(ServiceFixture::organizationsPath, "test-work",
                      ServiceBodies::json(R"([{"uuid":"org-work"}])"));
    fixture.server.on("/api/organizations/org-work/usage",
                      ServiceBodies::json(R"({"five_hour":{"utilization":91}})"));
    // Broken has no cookie stored: no figures, only its error.
    AccountStore::save(
        fixture.defaults.defaults(),
        {{Accounts::defaultId, QStringLiteral("Personal"), Account::Source::cookie, {}},
         {QStringLiteral("work"), QStringLiteral("Work"), Account::Source::cookie, {}},
         {QStringLiteral("broken"), QStringLiteral("Broken"), Account::Source::cookie, {}}});
    const std::unique_ptr<UsageAccounts> accounts = fixture.makeAccounts();
    for (UsageService* service : accounts->services())
        service->fetchUsage();
    for (UsageService* service : accounts->services())
        QTRY_VERIFY(!service->isLoading() && (service->usageData() || service->error()));

    QDBusConnection agent =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("agent3"));
    QVERIFY(agent.registerService(agentName));
    {
        UsageBusExport exported(*accounts, fixture.defaults.defaults(), agent);
        TrayInput input;
        for (const Account& account : accounts->accounts())
            input.accounts.append(
                {account.id, account.name, accounts->service(account.id)->usageData()});
        input.trayAccount = Accounts::defaultId;
        exported.setPresentation(presentTray(input));
        const QString format = QStringLiteral("{account} {session}%");
        QCOMPARE(runStatus({QStringLiteral("--format"), format}).out,
                 QStringLiteral("Personal 42%\n"));
        QCOMPARE(runStatus({QStringLiteral("--account"), QStringLiteral("Work"),
                            QStringLiteral("--format"), format})
                     .out,
                 QStringLiteral("Work 91%\n"));
        const Run unknown = runStatus({QStringLiteral("--account"), QStringLiteral("Home")});
        QCOMPARE(unknown.exitCode, 1);
        QCOMPARE(unknown.err, QStringLiteral("gaugery-status: no account named Home\n"));

        // Each account's own error and figures, whichever the tray shows.
        input.trayAccount = QStringLiteral("broken");
        exported.setPresentation(presentTray(input));
        const QString withError = QStringLiteral("{account} {session}% [{error}]");
        QCOMPARE(runStatus({QStringLiteral("--account"), QStringLiteral("Broken"),
                            QStringLiteral("--format"), withError})
                     .out,
                 QStringLiteral("Broken --% [No cookie found. Please set your session cookie.]\n"));
        QCOMPARE(runStatus({QStringLiteral("--account"), QStringLiteral("Work"),
                            QStringLiteral("--format"), withError})
                     .out,
                 QStringLiteral("Work 91% []\n"));
    }
    agent.unregisterService(agentName);
    QDBusConnection::disconnectFromBus(QStringLiteral("agent3"));
}

QTEST_GUILESS_MAIN(TestGaugeryStatus)
#include "tst_gaugery_status.moc"
