#include "service_fixture.h"
#include "services/accounts/account_store.h"
#include "services/fetch/bounded_get.h"
#include "services/fetch/fetch_messages.h"
#include "services/fetch/reply_classifier.h"

#include <QSignalSpy>
#include <QTest>
#include <QThreadPool>

Q_DECLARE_METATYPE(ScriptedResponse)

namespace {

using Fx = ServiceFixture;

ScriptedResponse status(int code, const QByteArray& body = {})
{
    return ScriptedResponse{code, {{"Content-Type", "text/plain"}}, body};
}

ScriptedResponse redirectTo(const QByteArray& location)
{
    return ScriptedResponse{302, {{"Location", location}}, {}};
}

QList<QByteArray> paths(std::initializer_list<QByteArray> list)
{
    return QList<QByteArray>(list);
}

} // namespace

class TestUsageFetch : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void sendsBrowserHeadersInOrder();
    void cachesOrganizationBetweenFetches();
    void outcomes_data();
    void outcomes();
    void unexpectedStatusPrintsBody();
    void organizationIdThatCannotStandInUrl();
    void headerInjectionSendsNothing_data();
    void headerInjectionSendsNothing();
    void redirectWithinOriginKeepsCookie();
    void redirectElsewhereIsNotFollowed();
    void noCookieTouchesNothingElse();
    void failureKeepsEarlierSnapshot();
    void serviceDestroyedMidChain();
    void keepsTheRenewedSession_data();
    void keepsTheRenewedSession();
    void readsTheChosenOrganization_data();
    void readsTheChosenOrganization();
    void aChosenOrganizationGoneIsNamed();
    void switchDropsTheLateReply();
};

void TestUsageFetch::sendsBrowserHeadersInOrder()
{
    Fx fx;
    fx.serveHappyPath();
    auto service = fx.makeService();
    QVERIFY(fx.fetchAndWait(*service));
    QCOMPARE(fx.server.requestedPaths(), paths({Fx::organizationsPath, Fx::usagePath}));

    const QByteArray origin = fx.server.origin().toString().toUtf8();
    const HeaderList expected = {
        {"Cookie", "sessionKey=test-cookie-1"},
        {"User-Agent", "Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) AppleWebKit/537.36 (KHTML, "
                       "like Gecko) Chrome/120.0.0.0 Safari/537.36"},
        {"Origin", origin},
        {"Referer", origin + "/settings/usage"},
        {"Accept", "application/json"},
        {"Accept-Language", "en-US,en;q=0.9"},
        {"Sec-Fetch-Dest", "empty"},
        {"Sec-Fetch-Mode", "cors"},
        {"Sec-Fetch-Site", "same-origin"},
    };
    for (const RecordedRequest& request : fx.server.requests()) {
        QCOMPARE(request.method, QByteArray("GET"));
        // Qt adds transport headers of its own (Host, Connection...); ours keep their order.
        // Names are compared without case, as HTTP reads them (newer Qt sends lower case).
        HeaderList ours;
        for (const auto& header : request.headers) {
            for (const auto& wanted : expected) {
                if (header.first.compare(wanted.first, Qt::CaseInsensitive) == 0)
                    ours.append({wanted.first, header.second});
            }
        }
        QCOMPARE(ours, expected);
    }
}

void TestUsageFetch::cachesOrganizationBetweenFetches()
{
    Fx fx;
    fx.serveHappyPath();
    auto service = fx.makeService();
    QVERIFY(fx.fetchAndWait(*service));
    QVERIFY(fx.fetchAndWait(*service));
    QCOMPARE(fx.server.requestedPaths(),
             paths({Fx::organizationsPath, Fx::usagePath, Fx::usagePath}));
    QVERIFY(service->usageData());
    QCOMPARE(service->usageData()->sessionUsagePercent, std::optional(42.0));
    QCOMPARE(service->usageData()->weeklyOpusUsagePercent, std::nullopt);
    QCOMPARE(service->error(), std::nullopt);
}

void TestUsageFetch::outcomes_data()
{
    QTest::addColumn<ScriptedResponse>("organizations");
    QTest::addColumn<ScriptedResponse>("usage");
    QTest::addColumn<QString>("message"); // ending in ": " means any description may follow
    QTest::addColumn<bool>("organizationKept");

    const ScriptedResponse orgs = ServiceBodies::json(ServiceBodies::organizations());
    const ScriptedResponse usage = ServiceBodies::json(ServiceBodies::usage());
    const QString orgsExpired = FetchMessages::organizationsUnauthorized();
    const QString usageExpired = FetchMessages::usageUnauthorized();
    const QString network = QStringLiteral("Network error: ");
    ScriptedResponse dropped;
    dropped.drop = true;
    ScriptedResponse midBody = usage;
    midBody.dropMidBody = true;
    const QByteArray big(BoundedGet::maxBodyBytes + 1, ' ');
    ScriptedResponse streamed = ServiceBodies::json("{" + big + "}");
    streamed.omitContentLength = true;

    const QString refused = FetchMessages::refusedNetwork();
    const ScriptedResponse sessionInvalid = ServiceBodies::json(
        R"({"type":"error","error":{"type":"permission_error","message":"Invalid authorization",
            "details":{"error_code":"account_session_invalid"}}})",
        403);
    const ScriptedResponse unauthenticated = ServiceBodies::json(
        R"({"type":"error","error":{"type":"authentication_error","message":"no"}})", 403);
    const ScriptedResponse unserved = ServiceBodies::json(
        R"({"type":"error","error":{"type":"permission_error",
            "message":"We are unable to serve your request"}})",
        403);
    QTest::newRow("organizations 401") << status(401) << usage << orgsExpired << false;
    QTest::newRow("organizations 403, session invalid")
        << unauthenticated << usage << orgsExpired << false;
    QTest::newRow("organizations 403 without a word") << status(403) << usage << refused << false;
    QTest::newRow("usage 401 forgets organization") << orgs << status(401) << usageExpired << false;
    QTest::newRow("usage 403, session invalid, forgets organization")
        << orgs << sessionInvalid << usageExpired << false;
    QTest::newRow("usage 403 without a word keeps organization")
        << orgs << status(403) << refused << true;
    QTest::newRow("usage 403 unable to serve keeps organization")
        << orgs << unserved << refused << true;
    ScriptedResponse challengeHeader = status(403);
    challengeHeader.headers.append(qMakePair(QByteArray("cf-mitigated"), QByteArray("challenge")));
    const ScriptedResponse challengePage{
        403,
        {{"Content-Type", "text/html; charset=UTF-8"}},
        "<!DOCTYPE html><html><head><title>Just a moment...</title></head></html>"};
    const ScriptedResponse plainHtml403{
        403, {{"Content-Type", "text/html"}}, "<html>Forbidden</html>"};
    const QString blocked = FetchMessages::botProtection();
    QTest::newRow("usage challenge header keeps organization")
        << orgs << challengeHeader << blocked << true;
    QTest::newRow("usage challenge page keeps organization")
        << orgs << challengePage << blocked << true;
    QTest::newRow("organizations challenge") << challengeHeader << usage << blocked << false;
    QTest::newRow("usage 403 block page keeps organization")
        << orgs << plainHtml403 << refused << true;
    QTest::newRow("organizations 500")
        << status(500, "boom") << usage << "Server error: 500" << false;
    QTest::newRow("usage 204") << orgs << status(204) << "Server error: 204" << true;
    QTest::newRow("empty organizations")
        << ServiceBodies::json("[]") << usage << FetchMessages::organizationNotFound() << false;
    QTest::newRow("malformed organizations")
        << ServiceBodies::json("[{") << usage << "Failed to parse organizations: " << false;
    QTest::newRow("zero-byte organizations")
        << ServiceBodies::json("") << usage << "Failed to parse organizations: " << false;
    QTest::newRow("zero-byte usage")
        << orgs << ServiceBodies::json("") << "Failed to parse response: illegal value" << true;
    QTest::newRow("usage array") << orgs << ServiceBodies::json("[]")
                                 << "Failed to parse response: Invalid response format" << true;
    QTest::newRow("connection dropped") << dropped << usage << network << false;
    QTest::newRow("usage cut mid-body") << orgs << midBody << network << true;
    QTest::newRow("declared body too large")
        << orgs << ServiceBodies::json(big) << FetchMessages::responseTooLarge() << true;
    QTest::newRow("streamed body too large")
        << orgs << streamed << FetchMessages::responseTooLarge() << true;
}

void TestUsageFetch::outcomes()
{
    QFETCH(ScriptedResponse, organizations);
    QFETCH(ScriptedResponse, usage);
    QFETCH(QString, message);
    QFETCH(bool, organizationKept);

    Fx fx;
    fx.server.on(Fx::organizationsPath, organizations);
    fx.server.on(Fx::usagePath, usage);
    auto service = fx.makeService();
    QVERIFY(fx.fetchAndWait(*service));
    QVERIFY(!service->isLoading());
    QVERIFY(service->error());
    if (message.endsWith(QLatin1String(": ")))
        QVERIFY2(service->error()->startsWith(message) && service->error()->size() > message.size(),
                 qPrintable(*service->error()));
    else
        QCOMPARE(*service->error(), message);
    QCOMPARE(service->usageData(), std::nullopt);

    // The next fetch shows whether the organization stayed cached.
    fx.server.clearRequests();
    QVERIFY(fx.fetchAndWait(*service));
    QCOMPARE(fx.server.requestedPaths().value(0),
             organizationKept ? Fx::usagePath : Fx::organizationsPath);
}

void TestUsageFetch::unexpectedStatusPrintsBody()
{
    ReplyFacts facts;
    facts.status = 500;
    facts.body = "boom";
    QCOMPARE(classifyReply(RequestKind::organizations, facts).diagnostic,
             std::optional<QString>(QStringLiteral("Error response: boom")));
    QCOMPARE(classifyReply(RequestKind::usage, facts).diagnostic,
             std::optional<QString>(QStringLiteral("Usage error response: boom")));
    // The start of a long body, on one line: control characters escaped.
    facts.body = "\x1b[2J\r\nline" + QByteArray(400, 'x');
    QCOMPARE(classifyReply(RequestKind::usage, facts).diagnostic,
             std::optional(QStringLiteral("Usage error response: \\u001b[2J\\r\\nline") +
                           QString(290, u'x') + QStringLiteral("…")));
    facts.body = "\xff\xfe";
    QCOMPARE(classifyReply(RequestKind::usage, facts).diagnostic, std::nullopt);
    facts.body.clear();
    QCOMPARE(classifyReply(RequestKind::usage, facts).diagnostic, std::nullopt);
    facts.status = 401;
    facts.body = "denied";
    QCOMPARE(classifyReply(RequestKind::usage, facts).diagnostic, std::nullopt);
}

void TestUsageFetch::organizationIdThatCannotStandInUrl()
{
    Fx fx;
    fx.server.on(Fx::organizationsPath,
                 ServiceBodies::json(ServiceBodies::organizations("bad id{%zz")));
    auto service = fx.makeService();
    QVERIFY(fx.fetchAndWait(*service));
    QCOMPARE(service->error(), std::optional<QString>(FetchMessages::invalidUrl()));
    // The identifier stays cached: later fetches fail the same way without a request.
    fx.server.clearRequests();
    QVERIFY(fx.fetchAndWait(*service));
    QCOMPARE(service->error(), std::optional<QString>(FetchMessages::invalidUrl()));
    QVERIFY(fx.server.requests().isEmpty());
}

void TestUsageFetch::headerInjectionSendsNothing_data()
{
    QTest::addColumn<QByteArray>("cookie");
    QTest::newRow("CRLF") << QByteArray("k=v\r\nX-Injected: 1");
    QTest::newRow("LF") << QByteArray("k=v\nHost: elsewhere");
    QTest::newRow("CR") << QByteArray("k=v\r");
    QTest::newRow("NUL") << QByteArray("k=v\0w", 5);
    QTest::newRow("tab") << QByteArray("k=\tv");
    QTest::newRow("DEL") << QByteArray("k=\x7fv");
    QTest::newRow("unicode line separator") << QByteArray("k=\xe2\x80\xa8v");
}

void TestUsageFetch::headerInjectionSendsNothing()
{
    QFETCH(QByteArray, cookie);
    Fx fx;
    fx.serveHappyPath();
    fx.store->put(cookie);
    auto service = fx.makeService();
    QVERIFY(fx.fetchAndWait(*service));
    QCOMPARE(service->error(), std::optional<QString>(FetchMessages::invalidCookie()));
    QVERIFY(!service->isLoading());
    QTest::qWait(50);
    QVERIFY(fx.server.requests().isEmpty());
}

void TestUsageFetch::redirectWithinOriginKeepsCookie()
{
    Fx fx;
    fx.server.on(Fx::organizationsPath, redirectTo("/api/organizations/moved"));
    fx.server.on("/api/organizations/moved", ServiceBodies::json(ServiceBodies::organizations()));
    fx.server.on(Fx::usagePath, ServiceBodies::json(ServiceBodies::usage()));
    auto service = fx.makeService();
    QVERIFY(fx.fetchAndWait(*service));
    QCOMPARE(service->error(), std::nullopt);
    // Qt may resend a request on a reused connection, so look for the redirected one.
    const auto& requests = fx.server.requests();
    const auto moved = std::find_if(requests.begin(), requests.end(), [](const auto& request) {
        return request.path == "/api/organizations/moved";
    });
    QVERIFY(moved != requests.end());
    QCOMPARE(moved->header("Cookie"), QByteArray("sessionKey=test-cookie-1"));
}

void TestUsageFetch::redirectElsewhereIsNotFollowed()
{
    Fx fx;
    LoopbackServer elsewhere;
    elsewhere.on("/steal", ServiceBodies::json(ServiceBodies::organizations()));
    fx.server.on(Fx::organizationsPath,
                 redirectTo(elsewhere.origin().toString().toUtf8() + "/steal"));
    auto service = fx.makeService();
    QVERIFY(fx.fetchAndWait(*service));
    QCOMPARE(service->error(), std::optional<QString>(QStringLiteral("Server error: 302")));
    QTest::qWait(50);
    QVERIFY(elsewhere.requests().isEmpty());
}

void TestUsageFetch::noCookieTouchesNothingElse()
{
    Fx fx;
    fx.serveHappyPath();
    fx.store->put(std::nullopt);
    auto service = fx.makeService();
    QSignalSpy loading(service.get(), &UsageService::isLoadingChanged);
    QVERIFY(fx.fetchAndWait(*service));
    QCOMPARE(service->error(), std::optional<QString>(FetchMessages::noCookie()));
    QCOMPARE(loading.count(), 0);
    QVERIFY(fx.server.requests().isEmpty());
}

void TestUsageFetch::failureKeepsEarlierSnapshot()
{
    Fx fx;
    fx.serveHappyPath();
    auto service = fx.makeService();
    QVERIFY(fx.fetchAndWait(*service));
    const QDateTime firstUpdate = service->usageData()->lastUpdated;

    fx.server.on(Fx::usagePath, status(503));
    QVERIFY(fx.fetchAndWait(*service));
    QCOMPARE(service->error(), std::optional<QString>(QStringLiteral("Server error: 503")));
    QVERIFY(service->usageData());
    QCOMPARE(service->usageData()->lastUpdated, firstUpdate);

    fx.serveHappyPath();
    QVERIFY(fx.fetchAndWait(*service));
    QCOMPARE(service->error(), std::nullopt);
}

void TestUsageFetch::serviceDestroyedMidChain()
{
    Fx fx;
    fx.serveHappyPath();
    ScriptedResponse slow = ServiceBodies::json(ServiceBodies::usage());
    slow.delayMs = 100;
    fx.server.on(Fx::usagePath, slow);
    {
        auto service = fx.makeService();
        service->fetchUsage();
        QSignalSpy requested(&fx.server, &LoopbackServer::requestReceived);
        QVERIFY(requested.wait());
    }
    {
        // Destroyed while the organizations body may be decoding on the pool.
        fx.server.on(Fx::usagePath, ServiceBodies::json(ServiceBodies::usage()));
        auto service = fx.makeService();
        service->fetchUsage();
        QSignalSpy requested(&fx.server, &LoopbackServer::requestReceived);
        QVERIFY(requested.wait());
    }
    QTest::qWait(300);
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
}

void TestUsageFetch::keepsTheRenewedSession_data()
{
    QTest::addColumn<QList<QByteArray>>("setCookies");
    QTest::addColumn<QByteArray>("kept");

    const QByteArray stored = "sessionKey=test-cookie-1; cf_clearance=test-old; anonymous=1";
    QTest::newRow("renewed in place, others kept in order")
        << QList<QByteArray>{"sessionKey=test-cookie-2; Path=/; HttpOnly; Secure",
                             "cf_clearance=test-new; Path=/", "unheard=test-3; Path=/"}
        << QByteArray("sessionKey=test-cookie-2; cf_clearance=test-new; anonymous=1");
    QTest::newRow("a cleared session is left for the 401")
        << QList<QByteArray>{"sessionKey=; Max-Age=0",
                             "anonymous=; Expires=Thu, 01 Jan 1970 00:00:00 GMT"}
        << QByteArray("sessionKey=test-cookie-1; cf_clearance=test-old");
    QTest::newRow("another host's cookie")
        << QList<QByteArray>{"sessionKey=test-cookie-2; Domain=example.org"} << stored;
}

void TestUsageFetch::keepsTheRenewedSession()
{
    QFETCH(QList<QByteArray>, setCookies);
    QFETCH(QByteArray, kept);
    Fx fx;
    const QByteArray stored = "sessionKey=test-cookie-1; cf_clearance=test-old; anonymous=1";
    fx.store->put(stored);
    // The same session watched for another organization, and another session beside it.
    const QByteArray other = "sessionKey=test-other; cf_clearance=test-old";
    fx.storeOf(QStringLiteral("twin"))->put(stored);
    fx.storeOf(QStringLiteral("other"))->put(other);
    AccountStore::save(
        fx.defaults.defaults(),
        {{Accounts::defaultId, QStringLiteral("One"), Account::Source::cookie, {}},
         {QStringLiteral("twin"), QStringLiteral("Twin"), Account::Source::cookie,
          QStringLiteral("org-twin")},
         {QStringLiteral("other"), QStringLiteral("Other"), Account::Source::cookie, {}}});
    ScriptedResponse organizations = ServiceBodies::json(ServiceBodies::organizations());
    for (const QByteArray& cookie : setCookies)
        organizations.headers.append({"Set-Cookie", cookie});
    fx.server.on(Fx::organizationsPath, organizations);
    fx.server.on(Fx::usagePath, ServiceBodies::json(ServiceBodies::usage()));
    auto accounts = fx.makeAccounts();
    UsageService& service = accounts->first();
    QVERIFY(fx.fetchAndWait(service));
    QVERIFY(fx.settle(service));
    QCOMPARE(fx.store->secret(), std::optional(kept));
    // The very next request sends what is kept, and only that.
    QCOMPARE(fx.server.requests().at(1).header("Cookie"), kept);
    // Every account holding the session keeps it too; another session is left alone.
    QTRY_COMPARE(fx.storeOf(QStringLiteral("twin"))->secret(), std::optional(kept));
    bool otherDone = false;
    QObject marker;
    accounts->keyring(QStringLiteral("other"))->read(&marker, [&](const CookieRead&) {
        otherDone = true;
    });
    QTRY_VERIFY(otherDone);
    QCOMPARE(fx.storeOf(QStringLiteral("other"))->secret(), std::optional(other));
}

void TestUsageFetch::readsTheChosenOrganization_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QByteArray>("usagePath");
    QTest::addColumn<QString>("name");

    const QByteArray team = "/api/organizations/org-team/usage";
    const QByteArray personal = "/api/organizations/org-personal/usage";
    // Which one a choice picks is the organizations' rule (tst_organizations); here the
    // service reads what it picks and keeps the choice.
    QTest::newRow("the second, chosen") << "org-personal" << personal << "org-pers";
    QTest::newRow("none chosen: the first") << QString() << team << "Acme Team";
}

void TestUsageFetch::readsTheChosenOrganization()
{
    QFETCH(QString, chosen);
    QFETCH(QByteArray, usagePath);

    Fx fx;
    fx.server.on(Fx::organizationsPath,
                 ServiceBodies::json(R"([{"uuid":"org-team","name":"Acme Team"},
                                         {"uuid":"org-personal","name":""}])"));
    fx.server.on(usagePath, ServiceBodies::json(ServiceBodies::usage()));
    if (!chosen.isNull())
        fx.defaults.defaults().setValue(Settings::organizationIdKey, chosen);
    auto service = fx.makeService();
    QVERIFY(fx.fetchAndWait(*service));
    QCOMPARE(fx.server.requestedPaths(), paths({Fx::organizationsPath, usagePath}));
    QCOMPARE(service->organizations().size(), 2);
    QTEST(service->organization()->displayName(), "name");
}

void TestUsageFetch::aChosenOrganizationGoneIsNamed()
{
    Fx fx;
    fx.server.on(Fx::organizationsPath,
                 ServiceBodies::json(R"([{"uuid":"org-team","name":"Acme Team"},
                                         {"uuid":"org-acme","name":"Acme Corp"}])"));
    fx.server.on("/api/organizations/org-team/usage",
                 ServiceBodies::json(R"({"five_hour":{"utilization":7}})"));
    fx.server.on("/api/organizations/org-acme/usage", ServiceBodies::json(ServiceBodies::usage()));
    fx.defaults.defaults().setValue(Settings::organizationIdKey, QStringLiteral("org-acme"));
    auto service = fx.makeService();
    QVERIFY(fx.fetchAndWait(*service));

    // The session no longer sees the chosen one: said by name, and no other one read.
    fx.server.on(Fx::organizationsPath,
                 ServiceBodies::json(R"([{"uuid":"org-team","name":"Acme Team"}])"));
    service->saveCookie(QStringLiteral("sessionKey=test-cookie-2"));
    QTRY_COMPARE(service->error(),
                 std::optional(FetchMessages::organizationNotListed(QStringLiteral("Acme Corp"))));
    QVERIFY(FetchMessages::asksForCookie(*service->error()));
    QCOMPARE(fx.server.requestedPaths().count("/api/organizations/org-team/usage"), 0);
    QCOMPARE(service->usageData()->owner, QStringLiteral("org-acme"));
    QCOMPARE(service->usageData()->sessionUsagePercent, std::optional(42.0));
    QCOMPARE(service->organizations().size(), 1);
    // The choice is kept for when the session sees it again.
    QCOMPARE(fx.defaults.defaults().stringForKey(Settings::organizationIdKey),
             QStringLiteral("org-acme"));
}

void TestUsageFetch::switchDropsTheLateReply()
{
    Fx fx;
    fx.server.on(Fx::organizationsPath,
                 ServiceBodies::json(R"([{"uuid":"org-team","name":"Acme Team"},
                                         {"uuid":"org-personal","name":"Personal"}])"));
    ScriptedResponse late = ServiceBodies::json(ServiceBodies::usage());
    late.delayMs = 300;
    fx.server.on("/api/organizations/org-team/usage", late);
    fx.server.on("/api/organizations/org-personal/usage",
                 ServiceBodies::json(R"({"five_hour":{"utilization":7}})"));
    auto service = fx.makeService();
    QSignalSpy published(service.get(), &UsageService::usageDataChanged);
    QSignalSpy requested(&fx.server, &LoopbackServer::requestReceived);
    service->fetchUsage();
    QTRY_COMPARE(requested.count(), 2);

    // Picked while the first organization's answer is on its way: that answer is dropped,
    // and the pick itself leaves no figures of the last one.
    fx.defaults.defaults().setValue(Settings::organizationIdKey, QStringLiteral("org-personal"));
    QCOMPARE(published.count(), 1);
    QVERIFY(!published.first().first().value<std::optional<UsageData>>());
    QVERIFY(published.wait());
    QTest::qWait(500);
    QCOMPARE(published.count(), 2);
    QCOMPARE(service->usageData()->sessionUsagePercent, std::optional(7.0));
    QCOMPARE(service->usageData()->owner, QStringLiteral("org-personal"));
}

QTEST_GUILESS_MAIN(TestUsageFetch)
#include "tst_usage_fetch.moc"
