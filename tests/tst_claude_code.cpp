#include "service_fixture.h"
#include "services/fetch/fetch_messages.h"
#include "services/fetch/usage_notes.h"
#include "services/history/history_store.h"
#include "services/history/remembered_figures.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <sys/stat.h>

Q_DECLARE_METATYPE(ScriptedResponse)

// Reading the figures with Claude Code's own sign-in, against the loopback server and a
// credentials file in a temporary home.
class TestClaudeCode : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void sourceChoice_data();
    void sourceChoice();
    void fallsBackBetweenSources_data();
    void fallsBackBetweenSources();
    void readsWithTheTokenAlone();
    void identifiesAsClaudeCode_data();
    void identifiesAsClaudeCode();
    void renewedSignInWithoutRestart();
    void foldersAsAccounts();
    void saysWhenASignInEnds_data();
    void saysWhenASignInEnds();
    void refusals_data();
    void refusals();
};

namespace {

using Fx = ServiceFixture;
const QByteArray oauthPath = ServiceBodies::oauthUsagePath;

QDateTime inHours(int hours)
{
    return QDateTime::currentDateTimeUtc().addSecs(hours * 3600);
}

QByteArray fileBytes(const Fx& fx)
{
    QFile file(fx.endpoints().claudeCodeFile);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

void TestClaudeCode::sourceChoice_data()
{
    QTest::addColumn<bool>("cookie");
    QTest::addColumn<bool>("file");
    QTest::addColumn<QString>("setting");
    QTest::addColumn<QByteArray>("firstRequest"); // empty: nothing is fetched

    const QByteArray web = Fx::organizationsPath;
    for (const QString& setting :
         {QStringLiteral("auto"), QStringLiteral("cookie"), QStringLiteral("claudeCode")}) {
        const bool automatic = setting == QLatin1String("auto");
        const bool cookieOnly = setting == QLatin1String("cookie");
        const QByteArray withCookie = setting == QLatin1String("claudeCode") ? QByteArray() : web;
        const QByteArray withFile = cookieOnly ? QByteArray() : oauthPath;
        const QByteArray nameBytes = setting.toUtf8();
        const char* name = nameBytes.constData();
        QTest::addRow("both, %s", name)
            << true << true << setting << (cookieOnly || automatic ? web : oauthPath);
        QTest::addRow("cookie alone, %s", name) << true << false << setting << withCookie;
        QTest::addRow("file alone, %s", name) << false << true << setting << withFile;
        QTest::addRow("neither, %s", name) << false << false << setting << QByteArray();
    }
}

void TestClaudeCode::sourceChoice()
{
    QFETCH(bool, cookie);
    QFETCH(bool, file);
    QFETCH(QString, setting);
    QFETCH(QByteArray, firstRequest);
    Fx fx;
    fx.serveHappyPath();
    fx.server.on(oauthPath, ServiceBodies::json(ServiceBodies::usage()));
    if (!cookie)
        fx.store->put(std::nullopt);
    if (file)
        fx.writeClaudeCode(QStringLiteral("test-token-1"), inHours(8));
    fx.defaults.defaults().setValue(Settings::usageSourceKey, setting);
    auto service = fx.makeService();
    QVERIFY(fx.startAndWait(*service));
    QCOMPARE(fx.server.requestedPaths().value(0), firstRequest);
    QCOMPARE(service->isConnected(), !firstRequest.isEmpty());
    QCOMPARE(service->refreshTimer().isActive(), !firstRequest.isEmpty());
}

namespace {
const QDateTime noon(QDate(2026, 12, 8), QTime(12, 0), QTimeZone::utc());
}

void TestClaudeCode::fallsBackBetweenSources_data()
{
    QTest::addColumn<QString>("setting");
    QTest::addColumn<ScriptedResponse>("organizations");
    QTest::addColumn<ScriptedResponse>("usage");
    QTest::addColumn<ScriptedResponse>("oauth");
    QTest::addColumn<QList<QByteArray>>("asked");
    QTest::addColumn<bool>("fellBack");
    QTest::addColumn<QString>("message"); // the cookie's: said as the error, or as the reason
    // Whose figures those read are: the organization's once the session listed it, so
    // figures read through the fallback stay in its series.
    QTest::addColumn<QString>("owner");
    // Refresh pressed while the cookie's request is out.
    QTest::addColumn<bool>("refreshMidway");

    const QString automatic = UsageSources::automatic;
    const ScriptedResponse orgs = ServiceBodies::json(ServiceBodies::organizations());
    const ScriptedResponse usage = ServiceBodies::json(ServiceBodies::usage());
    const ScriptedResponse expired = ServiceBodies::json("{}", 401);
    ScriptedResponse challenge = ServiceBodies::json("{}", 403);
    challenge.headers.append(qMakePair(QByteArray("cf-mitigated"), QByteArray("challenge")));
    const QList<QByteArray> toClaudeCode{Fx::organizationsPath, oauthPath};
    const QList<QByteArray> cookieAlone{Fx::organizationsPath};
    const QString cookieExpired = FetchMessages::organizationsUnauthorized();
    ScriptedResponse slowChallenge = challenge;
    slowChallenge.delayMs = 300;
    const QString token = UsageData::claudeCodeOwner;
    const QString organization = QStringLiteral("org-1234");
    QTest::newRow("the cookie expired") << automatic << expired << usage << usage << toClaudeCode
                                        << true << cookieExpired << token << false;
    QTest::newRow("the network refused")
        << automatic << ServiceBodies::json("{}", 403) << usage << usage << toClaudeCode << true
        << FetchMessages::refusedNetwork() << token << false;
    QTest::newRow("a challenge") << automatic << challenge << usage << usage << toClaudeCode << true
                                 << FetchMessages::botProtection() << token << false;
    QTest::newRow("a slow challenge, Refresh meanwhile")
        << automatic << slowChallenge << usage << usage << toClaudeCode << true
        << FetchMessages::botProtection() << token << true;
    QTest::newRow("rate limited")
        << automatic << orgs << ServiceBodies::rateLimited() << usage
        << QList<QByteArray>{Fx::organizationsPath, Fx::usagePath, oauthPath} << true
        << FetchMessages::rateLimited(noon.addSecs(SignInLimits::firstBackoffSeconds))
        << organization << false;
    QTest::newRow("a server error is no sign-in's")
        << automatic << ServiceBodies::json("{}", 500) << usage << usage << cookieAlone << false
        << QStringLiteral("Server error: 500") << QString() << false;
    QTest::newRow("both refuse: the first one's reason")
        << automatic << expired << usage << expired << toClaudeCode << false << cookieExpired
        << QString() << false;
    QTest::newRow("the cookie chosen")
        << UsageSources::cookie << expired << usage << usage << cookieAlone << false
        << cookieExpired << QString() << false;
}

void TestClaudeCode::fallsBackBetweenSources()
{
    QFETCH(QString, setting);
    QFETCH(ScriptedResponse, organizations);
    QFETCH(ScriptedResponse, usage);
    QFETCH(ScriptedResponse, oauth);
    QFETCH(QList<QByteArray>, asked);
    QFETCH(bool, fellBack);
    QFETCH(QString, message);
    QFETCH(QString, owner);
    QFETCH(bool, refreshMidway);
    QDateTime now = noon;
    Fx fx;
    fx.server.on(Fx::organizationsPath, organizations);
    fx.server.on(Fx::usagePath, usage);
    fx.server.on(oauthPath, oauth);
    fx.writeClaudeCode(QStringLiteral("test-token-1"), now.addSecs(8 * 3600));
    fx.defaults.defaults().setValue(Settings::usageSourceKey, setting);
    auto service = fx.makeService([&now] { return now; });
    if (refreshMidway) {
        QSignalSpy requested(&fx.server, &LoopbackServer::requestReceived);
        service->start();
        QVERIFY(requested.wait());
        service->fetchUsage();
        QVERIFY(fx.settle(*service));
    } else {
        QVERIFY(fx.startAndWait(*service));
    }
    QCOMPARE(fx.server.requestedPaths(), asked);
    if (fellBack)
        QCOMPARE(service->usageData()->owner, owner);
    QCOMPARE(service->source(), fellBack ? UsageSource::claudeCode : UsageSource::cookie);
    QCOMPARE(service->usageData().has_value(), fellBack);
    QCOMPARE(service->error().value_or(QString()), fellBack ? QString() : message);
    // Figures from the other sign-in say so, and why.
    if (fellBack)
        QCOMPARE(UsageNotes::of(*service, now).mid(0, 2),
                 (QStringList{FetchMessages::figuresFrom(UsageSource::claudeCode), message}));

    // Once the cookie answers again, it is read again.
    fx.serveHappyPath();
    now = now.addSecs(3600);
    QVERIFY(fx.fetchAndWait(*service));
    QCOMPARE(service->source(), UsageSource::cookie);
    QCOMPARE(service->error(), std::nullopt);
    QCOMPARE(service->passedOver(), QString());
    QCOMPARE(fx.server.requestedPaths().last(), Fx::usagePath);
}

void TestClaudeCode::readsWithTheTokenAlone()
{
    Fx fx;
    fx.server.on(oauthPath, ServiceBodies::json(ServiceBodies::usage()));
    fx.store->put(std::nullopt);
    fx.writeClaudeCode(QStringLiteral("test-token-1"), inHours(8));
    auto service = fx.makeService();
    QVERIFY(fx.startAndWait(*service));

    QVERIFY(service->usageData());
    QCOMPARE(service->usageData()->sessionUsagePercent, std::optional(42.0));
    QCOMPARE(service->usageData()->owner, UsageData::claudeCodeOwner);
    QCOMPARE(service->source(), UsageSource::claudeCode);
    QCOMPARE(service->claudeCodePlan(), QStringLiteral("Max"));
    QCOMPARE(fx.server.requestedPaths(), QList<QByteArray>{oauthPath});
    const RecordedRequest& request = fx.server.requests().first();
    QCOMPARE(request.header("Authorization"), QByteArray("Bearer test-token-1"));
    QCOMPARE(request.header("anthropic-beta"), QByteArray("oauth-2025-04-20"));
    QCOMPARE(request.header("Accept"), QByteArray("application/json"));
    QCOMPARE(request.header("User-Agent"), QByteArray("claude-code/2.1"));
    QCOMPARE(request.header("Cookie"), QByteArray());
}

void TestClaudeCode::identifiesAsClaudeCode_data()
{
    QTest::addColumn<QByteArray>("claude"); // what `claude --version` runs; empty: no claude
    QTest::addColumn<QByteArray>("userAgent");

    QTest::newRow("its version") << QByteArray("echo '2.1.74 (Claude Code)'")
                                 << QByteArray("claude-code/2.1.74");
    QTest::newRow("none on the PATH") << QByteArray() << QByteArray("claude-code/2.1");
    QTest::newRow("another program")
        << QByteArray("echo 'claude 0.3, a chat client'") << QByteArray("claude-code/2.1");
    QTest::newRow("failing") << QByteArray("echo 2.1.74; exit 3") << QByteArray("claude-code/2.1");
}

void TestClaudeCode::identifiesAsClaudeCode()
{
    QFETCH(QByteArray, claude);
    Fx fx;
    fx.server.on(oauthPath, ServiceBodies::json(ServiceBodies::usage()));
    fx.store->put(std::nullopt);
    fx.writeClaudeCode(QStringLiteral("test-token-1"), inHours(8));
    QTemporaryDir bin;
    if (!claude.isEmpty()) {
        QFile script(bin.filePath(QStringLiteral("claude")));
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\n" + claude + "\n");
        script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
    }
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", bin.path().toLocal8Bit());
    auto accounts = fx.makeAccounts();
    QSignalSpy answered(&accounts->claudeCodeVersion(), &ClaudeCodeVersion::answered);
    QVERIFY(Fx::startAndWait(*accounts));
    qputenv("PATH", path);
    QVERIFY(answered.count() == 1 || answered.wait());
    QVERIFY(fx.fetchAndWait(accounts->first()));
    QTEST(fx.server.requests().last().header("User-Agent"), "userAgent");
    QVERIFY(accounts->first().usageData());
}

void TestClaudeCode::renewedSignInWithoutRestart()
{
    Fx fx;
    QDateTime now = QDateTime::currentDateTimeUtc();
    fx.store->put(std::nullopt);
    fx.server.on(oauthPath, ServiceBodies::json(R"({"error":"token expired"})", 401));
    fx.writeClaudeCode(QStringLiteral("test-token-old"), now.addSecs(3600));
    auto service = fx.makeService([&now] { return now; });
    QVERIFY(fx.startAndWait(*service));
    QCOMPARE(service->error(), std::optional(FetchMessages::claudeCodeExpired(now, now)));
    QVERIFY(service->refreshTimer().isActive());

    // The refused token is not sent again, however much later.
    now = now.addSecs(600);
    service->scheduledFetch();
    QVERIFY(fx.settle(*service));
    QCOMPARE(fx.server.requests().size(), 1);

    // Claude Code renews its file: the next figures come without a restart.
    fx.server.on(oauthPath, ServiceBodies::json(ServiceBodies::usage()));
    QSignalSpy published(service.get(), &UsageService::usageDataChanged);
    fx.writeClaudeCode(QStringLiteral("test-token-new"), now.addSecs(8 * 3600));
    QVERIFY(published.wait());
    QCOMPARE(service->error(), std::nullopt);
    QCOMPARE(fx.server.requests().last().header("Authorization"),
             QByteArray("Bearer test-token-new"));

    // An automatic refresh within a minute of the last request waits; Refresh does not.
    now = now.addSecs(30);
    service->scheduledFetch();
    QVERIFY(fx.settle(*service));
    QCOMPARE(fx.server.requests().size(), 2);
    now = now.addSecs(31);
    service->scheduledFetch();
    QVERIFY(fx.settle(*service));
    QCOMPARE(fx.server.requests().size(), 3);

    // A file that says the token has expired sends nothing.
    fx.writeClaudeCode(QStringLiteral("test-token-late"), now.addSecs(-60));
    const QByteArray written = fileBytes(fx);
    QTRY_COMPARE(service->error(),
                 std::optional(FetchMessages::claudeCodeExpired(now.addSecs(-60), now)));
    QCOMPARE(fx.server.requests().size(), 3);

    // Never a token request, never a write.
    for (const RecordedRequest& request : fx.server.requests())
        QCOMPARE(request.path, oauthPath);
    QCOMPARE(fileBytes(fx), written);
}

void TestClaudeCode::foldersAsAccounts()
{
    const QDateTime now = noon;
    const Clock clock = [now] { return now; };
    Fx fx;
    fx.store->put(std::nullopt);
    fx.server.on(oauthPath, ServiceBodies::json(ServiceBodies::usage()));
    fx.writeClaudeCode(QStringLiteral("test-token-1"), now.addSecs(3600));
    const QString work = fx.claudeHome.filePath(QStringLiteral("work/.claude-work"));
    fx.writeClaudeCode(QStringLiteral("test-token-2"), now.addSecs(-600), QStringLiteral("pro"), {},
                       work);
    auto accounts = fx.makeAccounts(clock);
    const QString id = accounts->addClaudeCodeAccount(QStringLiteral("Work"), work);
    QCOMPARE(fx.defaults.defaults()
                 .array(Settings::accountsKey)
                 .last()
                 .value(QStringLiteral("claudeCodeFolder")),
             QVariant(work));
    QVERIFY(Fx::startAndWait(*accounts));

    // Each folder's sign-in is its own: the expired one sends nothing and says so.
    UsageService& first = accounts->first();
    UsageService& other = *accounts->service(id);
    QVERIFY(first.usageData());
    QCOMPARE(first.usageData()->owner, UsageData::claudeCodeOwner);
    QCOMPARE(other.error(),
             std::optional(FetchMessages::claudeCodeExpired(now.addSecs(-600), now)));
    QCOMPARE(other.claudeCodePlan(), QStringLiteral("Pro"));
    QCOMPARE(fx.server.requests().size(), 1);
    QCOMPARE(fx.server.requests().first().header("Authorization"),
             QByteArray("Bearer test-token-1"));

    // Its renewal reaches it alone, at once though the other account asked just now.
    QSignalSpy published(&other, &UsageService::usageDataChanged);
    fx.writeClaudeCode(QStringLiteral("test-token-2"), now.addSecs(3600), QStringLiteral("pro"), {},
                       work);
    QVERIFY(published.wait());
    QCOMPARE(fx.server.requests().size(), 2);
    QCOMPARE(fx.server.requests().last().header("Authorization"),
             QByteArray("Bearer test-token-2"));

    // Its history rows and alerts are its own, under an owner named after the folder that
    // a restart keeps.
    const QString owner = other.usageData()->owner;
    QCOMPARE(owner, QStringLiteral("claudeCode:") + work);
    accounts.reset();
    auto restarted = fx.makeAccounts(clock);
    QVERIFY(Fx::startAndWait(*restarted));
    QCOMPARE(restarted->service(id)->usageData()->owner, owner);
    QCOMPARE(restarted->first().usageData()->owner, UsageData::claudeCodeOwner);

    // Until the service answers, each shows its own last figures, none when it kept none;
    // a session pasted without an organization beside them takes no other's.
    const QString historyPath = fx.claudeHome.filePath(QStringLiteral("history.sqlite"));
    HistoryStore(historyPath).record(*restarted->first().usageData());
    UsageData elsewhere = *restarted->first().usageData();
    elsewhere.owner = QStringLiteral("org-elsewhere");
    HistoryStore(historyPath).record(elsewhere);
    const QString pasted = restarted->addCookieAccount(QStringLiteral("Pasted"),
                                                       QStringLiteral("sessionKey=test-cookie-3"));
    restarted.reset();
    fx.server.on(oauthPath, ServiceBodies::json("{}", 503));
    auto again = fx.makeAccounts(clock);
    RememberedFigures remembered(*again);
    QSignalSpy loaded(&remembered, &RememberedFigures::loaded);
    remembered.load(historyPath);
    QVERIFY(Fx::startAndWait(*again));
    QVERIFY(loaded.count() || loaded.wait());
    QVERIFY(again->first().isRemembered());
    QCOMPARE(again->service(id)->usageData(), std::nullopt);
    QCOMPARE(again->service(pasted)->usageData(), std::nullopt);
}

void TestClaudeCode::saysWhenASignInEnds_data()
{
    QTest::addColumn<bool>("cookie");
    QTest::addColumn<int>("expiresIn"); // seconds; negative: expired that long ago
    QTest::addColumn<int>("endsIn");    // the login's end in days; 0: not in the file
    QTest::addColumn<QStringList>("notes");

    const QDateTime now = noon;
    const QString fromCookie = FetchMessages::figuresFrom(UsageSource::cookie);
    QTest::newRow("ends in two days")
        << false << 3600 << 2 << QStringList{FetchMessages::claudeCodeSignInEnds(now.addDays(2))};
    QTest::newRow("ends in four days") << false << 3600 << 4 << QStringList();
    QTest::newRow("no end in the file") << false << 3600 << 0 << QStringList();
    QTest::newRow("expired, the cookie read meanwhile")
        << true << -600 << 20
        << QStringList{fromCookie,
                       FetchMessages::claudeCodeExpiredMeanwhile(now.addSecs(-600), now)};
    QTest::newRow("both good, ending soon")
        << true << 3600 << 1
        << QStringList{fromCookie, FetchMessages::claudeCodeSignInEnds(now.addDays(1))};
}

void TestClaudeCode::saysWhenASignInEnds()
{
    QFETCH(bool, cookie);
    QFETCH(int, expiresIn);
    QFETCH(int, endsIn);
    const QDateTime now = noon;
    Fx fx;
    fx.serveHappyPath();
    fx.server.on(oauthPath, ServiceBodies::json(ServiceBodies::usage()));
    if (!cookie)
        fx.store->put(std::nullopt);
    fx.writeClaudeCode(QStringLiteral("test-token-1"), now.addSecs(expiresIn),
                       QStringLiteral("max"), endsIn ? now.addDays(endsIn) : QDateTime());
    auto service = fx.makeService([now] { return now; });
    QVERIFY(fx.startAndWait(*service));
    QVERIFY(service->usageData());
    QTEST(UsageNotes::of(*service, now), "notes");
}

void TestClaudeCode::refusals_data()
{
    QTest::addColumn<ScriptedResponse>("answer");
    QTest::addColumn<QByteArray>("file"); // empty: a sign-in of test-token-1; "fifo": a FIFO
    QTest::addColumn<QString>("message");

    const ScriptedResponse usage = ServiceBodies::json(ServiceBodies::usage());
    QTest::newRow("token without the profile scope")
        << ServiceBodies::json(R"({"error":"scope"})", 403) << QByteArray()
        << FetchMessages::claudeCodeScope();
    QTest::newRow("malformed file")
        << usage << QByteArray("{\"claudeAiOauth\": {") << FetchMessages::noClaudeCodeSignIn();
    QTest::newRow("no claudeAiOauth")
        << usage << QByteArray(R"({"mcpOAuth":{}})") << FetchMessages::noClaudeCodeSignIn();
    // Opening it would wait for a writer for ever.
    QTest::newRow("a FIFO at the path")
        << usage << QByteArray("fifo") << FetchMessages::noClaudeCodeSignIn();
}

void TestClaudeCode::refusals()
{
    QFETCH(ScriptedResponse, answer);
    QFETCH(QByteArray, file);
    QFETCH(QString, message);
    Fx fx;
    fx.server.on(oauthPath, answer);
    fx.writeClaudeCode(QStringLiteral("test-token-1"), inHours(8));
    if (file == "fifo") {
        QVERIFY(QFile::remove(fx.endpoints().claudeCodeFile));
        QCOMPARE(mkfifo(QFile::encodeName(fx.endpoints().claudeCodeFile).constData(), 0600), 0);
    } else if (!file.isEmpty()) {
        QFile credentials(fx.endpoints().claudeCodeFile);
        QVERIFY(credentials.open(QIODevice::WriteOnly | QIODevice::Truncate));
        credentials.write(file);
    }
    fx.defaults.defaults().setValue(Settings::usageSourceKey, QStringLiteral("claudeCode"));
    auto service = fx.makeService();
    QVERIFY(fx.fetchAndWait(*service));
    QCOMPARE(service->error(), std::optional(message));
    QCOMPARE(service->usageData(), std::nullopt);
    if (message != FetchMessages::noClaudeCodeSignIn())
        return;
    // Without Claude Code's sign-in a cookie saved now waits for its source to be chosen;
    // it once ended the program.
    fx.server.clearRequests();
    service->saveCookie(QStringLiteral("sessionKey=test-cookie-2"));
    QTRY_VERIFY(service->hasCookie());
    QVERIFY(fx.settle(*service));
    QCOMPARE(service->error(), std::optional(FetchMessages::noClaudeCodeSignIn()));
    QVERIFY(fx.server.requests().isEmpty());
}

QTEST_GUILESS_MAIN(TestClaudeCode)
#include "tst_claude_code.moc"
