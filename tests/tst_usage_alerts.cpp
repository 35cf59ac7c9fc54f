#include "services/usage_alerts.h"

#include <QTest>

#include <cmath>

// Which alerts a snapshot calls for, and what is remembered afterwards.
class TestUsageAlerts : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void evaluate_data();
    void evaluate();
    void endedWindowsAreForgotten();
};

namespace {

const QDateTime now(QDate(2026, 12, 7), QTime(12, 0), Qt::UTC);
const QDateTime sessionReset(QDate(2026, 12, 7), QTime(15, 5), Qt::UTC);
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
    return QStringLiteral("session@2026-12-07T15:05:00Z#%1").arg(threshold);
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

QTEST_GUILESS_MAIN(TestUsageAlerts)
#include "tst_usage_alerts.moc"
