#include "services/alerts/usage_alerts.h"

#include <QTest>
#include <QTimeZone>

#include <cmath>

// Which alerts a snapshot calls for, and what is remembered afterwards.
class TestUsageAlerts : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void evaluate_data();
    void evaluate();
    void endedWindowsAreForgotten();
    void remembersTheWindow_data();
    void remembersTheWindow();
    void unownedKeysAreTheFirstAccounts();
};

namespace {

const QDateTime now(QDate(2026, 12, 7), QTime(12, 0), QTimeZone::utc());
const QDateTime sessionReset(QDate(2026, 12, 7), QTime(15, 5), QTimeZone::utc());
const QList<int> thresholds{25, 50, 75, 90};

UsageData snapshot(double session, double weekly, std::optional<double> opus = std::nullopt)
{
    UsageData data;
    data.sessionUsagePercent = session;
    data.sessionResetTime = sessionReset;
    data.weeklyUsagePercent = weekly;
    data.weeklyResetTime = now.addDays(3);
    data.weeklySonnetUsagePercent = 0;
    data.weeklySonnetResetTime = now.addDays(3);
    data.weeklyOpusUsagePercent = opus;
    if (opus)
        data.weeklyOpusResetTime = now.addDays(4);
    return data;
}

QString sessionKey(int threshold)
{
    return QStringLiteral("|session@%1#%2").arg(sessionReset.toSecsSinceEpoch()).arg(threshold);
}

UsageData withSession(double percent, const QDateTime& reset, const QString& owner = {})
{
    UsageData data = snapshot(percent, 10);
    data.sessionResetTime = reset;
    data.owner = owner;
    return data;
}

} // namespace

void TestUsageAlerts::evaluate_data()
{
    QTest::addColumn<UsageData>("data");
    QTest::addColumn<QStringList>("already");
    QTest::addColumn<QStringList>("summaries");
    QTest::addColumn<int>("remembered");

    QTest::newRow("below every threshold")
        << snapshot(24.99, 10) << QStringList() << QStringList() << 0;
    QTest::newRow("exactly at one")
        << snapshot(25, 10) << QStringList() << QStringList{QStringLiteral("Session at 25%")} << 1;
    QTest::newRow("a jump is one alert, every threshold remembered")
        << snapshot(80, 10) << QStringList() << QStringList{QStringLiteral("Session at 75%")} << 3;
    QTest::newRow("already told") << snapshot(60, 10) << QStringList{sessionKey(25), sessionKey(50)}
                                  << QStringList() << 2;
    QTest::newRow("told, remembered in the earlier form")
        << snapshot(30, 10) << QStringList{QStringLiteral("session@2026-12-07T15:05:00Z#25")}
        << QStringList() << 1;
    QTest::newRow("the next one") << snapshot(91, 10)
                                  << QStringList{sessionKey(25), sessionKey(50), sessionKey(75)}
                                  << QStringList{QStringLiteral("Session at 90%")} << 4;
    QTest::newRow("over 100") << snapshot(150, 10) << QStringList()
                              << QStringList{QStringLiteral("Session at 90%")} << 4;
    QTest::newRow("each window on its own")
        << snapshot(30, 55, 95) << QStringList()
        << QStringList{QStringLiteral("Session at 25%"), QStringLiteral("Weekly at 50%"),
                       QStringLiteral("Opus at 90%")}
        << 7;
    QTest::newRow("NaN") << snapshot(std::nan(""), 10) << QStringList() << QStringList() << 0;
    QTest::newRow("negative") << snapshot(-5, 10) << QStringList() << QStringList() << 0;
}

void TestUsageAlerts::evaluate()
{
    QFETCH(UsageData, data);
    QFETCH(QStringList, already);
    QFETCH(QStringList, summaries);
    QFETCH(int, remembered);

    const UsageAlerts::Outcome outcome =
        UsageAlerts::evaluate(data, thresholds, QSet<QString>(already.begin(), already.end()), now);
    QStringList shown;
    for (const UsageAlerts::Alert& alert : outcome.alerts)
        shown << alert.summary;
    QCOMPARE(shown, summaries);
    QCOMPARE(outcome.notified.size(), remembered);
    for (const QString& key : already)
        QVERIFY(outcome.notified.contains(key));
}

void TestUsageAlerts::endedWindowsAreForgotten()
{
    const QSet<QString> old{QStringLiteral("session@2026-12-07T10:00:00Z#25"),
                            QStringLiteral("not a key")};
    const UsageAlerts::Outcome outcome =
        UsageAlerts::evaluate(snapshot(30, 10), thresholds, old, now);
    QCOMPARE(outcome.notified, QSet<QString>{sessionKey(25)});
    QCOMPARE(outcome.alerts.size(), 1);
}

void TestUsageAlerts::remembersTheWindow_data()
{
    QTest::addColumn<UsageData>("first");
    QTest::addColumn<UsageData>("second");
    QTest::addColumn<int>("firstAlerts");
    QTest::addColumn<int>("secondAlerts");

    const QDateTime passed = now.addSecs(-120);
    QTest::newRow("a reset that passed, still reported")
        << withSession(30, passed) << withSession(30, passed) << 1 << 0;
    const QDateTime farAhead(QDate(10000, 1, 1), QTime(0, 0), QTimeZone::utc());
    QTest::newRow("a reset after the year 9999")
        << withSession(30, farAhead) << withSession(30, farAhead) << 1 << 0;
    UsageData unnamed = snapshot(0, 10);
    unnamed.furtherWindows.append({UsageWindows::scoped(QStringLiteral("Fable")), 100, {}, {}, {}});
    QTest::newRow("a limit with no reset named") << unnamed << unnamed << 1 << 0;
    QTest::newRow("another account's window")
        << withSession(80, sessionReset, QStringLiteral("org-a"))
        << withSession(80, sessionReset, QStringLiteral("org-b")) << 1 << 1;
    QTest::newRow("the next window starts over")
        << withSession(80, passed) << withSession(30, now.addSecs(5 * 3600)) << 1 << 1;
}

void TestUsageAlerts::remembersTheWindow()
{
    QFETCH(UsageData, first);
    QFETCH(UsageData, second);
    const UsageAlerts::Outcome once = UsageAlerts::evaluate(first, thresholds, {}, now);
    QTEST(int(once.alerts.size()), "firstAlerts");
    const UsageAlerts::Outcome twice =
        UsageAlerts::evaluate(second, thresholds, once.notified, now);
    QTEST(int(twice.alerts.size()), "secondAlerts");
    // The first account's memory outlives the second's refresh.
    const UsageAlerts::Outcome again =
        UsageAlerts::evaluate(first, thresholds, twice.notified, now);
    if (first.owner != second.owner)
        QCOMPARE(again.alerts.size(), 0);
}

void TestUsageAlerts::unownedKeysAreTheFirstAccounts()
{
    // Written before accounts had owners, when the first account was the only one.
    const QSet<QString> old{QStringLiteral("session@2026-12-07T15:05:00Z#25")};
    const UsageData second = withSession(30, sessionReset, QStringLiteral("org-b"));
    QCOMPARE(UsageAlerts::evaluate(second, thresholds, old, now).alerts.size(), 1);
    const UsageData first = withSession(30, sessionReset, QStringLiteral("org-a"));
    const UsageAlerts::Outcome adopted =
        UsageAlerts::evaluate(first, thresholds, UsageAlerts::adopt(old, first.owner), now);
    QCOMPARE(adopted.alerts.size(), 0);
    QCOMPARE(adopted.notified, QSet<QString>{QStringLiteral("org-a") + sessionKey(25)});
    QCOMPARE(UsageAlerts::evaluate(second, thresholds, adopted.notified, now).alerts.size(), 1);
}

QTEST_GUILESS_MAIN(TestUsageAlerts)
#include "tst_usage_alerts.moc"
