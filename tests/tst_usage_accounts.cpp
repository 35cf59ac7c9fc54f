#include "service_fixture.h"
#include "services/accounts/account_store.h"
#include "services/fetch/fetch_messages.h"

#include <QSignalSpy>
#include <QTest>

#include <algorithm>

using Fx = ServiceFixture;

// Several accounts against the loopback server: what one sign-in may do holds for every
// account that reads it, and the list keeps its bound.
class TestUsageAccounts : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void oneSignInOneLimit_data();
    void oneSignInOneLimit();
    void aRemovedAccountSendsNothing();
    void aFullListTakesNoMore();
};

namespace {

const QByteArray oauthPath = ServiceBodies::oauthUsagePath;

// Usage requests, with either sign-in.
qsizetype usageAsked(const Fx& fx)
{
    const QList<QByteArray> paths = fx.server.requestedPaths();
    return std::count_if(paths.begin(), paths.end(),
                         [](const QByteArray& path) { return path.endsWith("/usage"); });
}

} // namespace

void TestUsageAccounts::oneSignInOneLimit_data()
{
    QTest::addColumn<bool>("token");

    // The same session watched for two organizations (its side cookies differ), and Claude
    // Code's token read by two accounts.
    QTest::newRow("one browser session") << false;
    QTest::newRow("one token") << true;
}

void TestUsageAccounts::oneSignInOneLimit()
{
    QFETCH(bool, token);
    Fx fx;
    const ScriptedResponse blocked = ServiceBodies::rateLimited("3600");
    if (token) {
        fx.store->put(std::nullopt);
        fx.writeClaudeCode(QStringLiteral("test-token-1"),
                           QDateTime::currentDateTimeUtc().addSecs(8 * 3600));
        fx.server.on(oauthPath, blocked);
        AccountStore::save(
            fx.defaults.defaults(),
            {{Accounts::defaultId, QStringLiteral("Claude"), Account::Source::cookie, {}},
             {QStringLiteral("account2"),
              QStringLiteral("Claude Code"),
              Account::Source::claudeCode,
              {}}});
    } else {
        fx.serveAccounts({{QStringLiteral("Acme"), "org-acme", blocked},
                          {QStringLiteral("Team"), "org-team", blocked}});
        fx.store->put(QByteArray("sessionKey=test-shared; lastActiveOrg=org-acme"));
        fx.storeOf(QStringLiteral("account2"))
            ->put(QByteArray("sessionKey=test-shared; lastActiveOrg=org-team"));
    }
    auto accounts = fx.makeAccounts();
    QVERIFY(Fx::startAndWait(*accounts));

    // Whichever account asked first was refused: the other one sends nothing into the
    // block, at the start as on Refresh, and says when it may ask.
    QCOMPARE(usageAsked(fx), 1);
    for (const UsageService* service : accounts->services()) {
        QVERIFY(service->pausedUntil());
        QCOMPARE(service->error(),
                 std::optional(FetchMessages::rateLimited(*service->pausedUntil())));
    }
    accounts->refreshAll();
    QTest::qWait(300);
    QCOMPARE(usageAsked(fx), 1);
}

void TestUsageAccounts::aRemovedAccountSendsNothing()
{
    Fx fx;
    fx.serveHappyPath();
    fx.server.on(oauthPath, ServiceBodies::json(ServiceBodies::usage()));
    fx.writeClaudeCode(QStringLiteral("test-token-1"),
                       QDateTime::currentDateTimeUtc().addSecs(8 * 3600));
    auto accounts = fx.makeAccounts();
    const QString id = accounts->addClaudeCodeAccount(QStringLiteral("Claude Code"));
    QVERIFY(Fx::startAndWait(*accounts));
    QCOMPARE(fx.server.requestedPaths().count(oauthPath), 1);

    // Not even its sign-in is read again: a read would begin a request.
    const int reads = fx.storeOf(id)->lookupCalls();
    QSignalSpy changed(accounts.get(), &UsageAccounts::accountsChanged);
    accounts->remove(id);
    QVERIFY(changed.wait());
    QCOMPARE(accounts->service(id), nullptr);
    QTest::qWait(200);
    QCOMPARE(fx.storeOf(id)->lookupCalls(), reads);
    QCOMPARE(fx.server.requestedPaths().count(oauthPath), 1);
}

void TestUsageAccounts::aFullListTakesNoMore()
{
    Fx fx;
    QList<Account> full{
        {Accounts::defaultId, QStringLiteral("Claude"), Account::Source::cookie, {}}};
    while (full.size() < UsageAccounts::maxAccounts)
        full.append({QStringLiteral("account%1").arg(full.size() + 1),
                     QStringLiteral("A"),
                     Account::Source::cookie,
                     {}});
    AccountStore::save(fx.defaults.defaults(), full);
    auto accounts = fx.makeAccounts();
    QCOMPARE(accounts->accounts().size(), UsageAccounts::maxAccounts);

    // Written, it would not be read back: it is not written.
    QCOMPARE(accounts->addCookieAccount(QStringLiteral("One more"),
                                        QStringLiteral("sessionKey=test-cookie-9")),
             QString());
    QCOMPARE(accounts->addClaudeCodeAccount(QStringLiteral("One more")), QString());
    QCOMPARE(AccountStore::load(fx.defaults.defaults()), full);
}

QTEST_GUILESS_MAIN(TestUsageAccounts)
#include "tst_usage_accounts.moc"
