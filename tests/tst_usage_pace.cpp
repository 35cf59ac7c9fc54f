#include "models/usage_history.h"
#include "models/usage_pace.h"

#include <QTest>

#include <cmath>

// The pace forecast, the time left and the history they are computed from.
class TestUsagePace : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fullAt_data();
    void fullAt();
    void resetsIn_data();
    void resetsIn();
    void historyKeepsOneWindow();
};

namespace {

const QDateTime noon(QDate(2026, 12, 7), QTime(12, 0), Qt::UTC);

UsageSample at(int minutes, double percent)
{
    return {noon.addSecs(minutes * 60), percent};
}

UsageData snapshot(int minutes, double session, const QDateTime& sessionReset)
{
    UsageData data;
    data.lastUpdated = noon.addSecs(minutes * 60);
    data.sessionUsagePercent = session;
    data.sessionResetTime = sessionReset;
    data.weeklyUsagePercent = 10;
    data.weeklyResetTime = noon.addDays(3);
    data.weeklySonnetResetTime = noon.addDays(3);
    return data;
}

} // namespace

void TestUsagePace::fullAt_data()
{
    QTest::addColumn<QList<UsageSample>>("samples");
    QTest::addColumn<int>("resetMinutes");
    QTest::addColumn<int>("fullMinutes"); // -1: no forecast

    QTest::newRow("10 points in 30 min, 40 to go") << QList{at(0, 50), at(30, 60)} << 300 << 150;
    QTest::newRow("oldest and newest, not the middle")
        << QList{at(0, 20), at(10, 50), at(60, 40)} << 300 << 240;
    QTest::newRow("full only after the reset") << QList{at(0, 50), at(30, 60)} << 120 << -1;
    QTest::newRow("exactly at the reset") << QList{at(0, 50), at(30, 60)} << 150 << -1;
    QTest::newRow("one sample") << QList{at(0, 50)} << 300 << -1;
    QTest::newRow("no samples") << QList<UsageSample>() << 300 << -1;
    QTest::newRow("flat") << QList{at(0, 50), at(30, 50)} << 300 << -1;
    QTest::newRow("falling") << QList{at(0, 60), at(30, 50)} << 300 << -1;
    QTest::newRow("already full") << QList{at(0, 90), at(30, 100)} << 300 << -1;
    QTest::newRow("same instant") << QList{at(30, 50), at(30, 60)} << 300 << -1;
    QTest::newRow("NaN") << QList{at(0, 50), at(30, std::nan(""))} << 300 << -1;
    QTest::newRow("tiny rise, far reset")
        << QList{at(0, 1), UsageSample{noon.addSecs(1800), 1 + 1e-12}} << 10000000 << -1;
}

void TestUsagePace::fullAt()
{
    QFETCH(QList<UsageSample>, samples);
    QFETCH(int, resetMinutes);
    QFETCH(int, fullMinutes);

    const std::optional<QDateTime> full =
        UsagePace::fullAt(samples, noon.addSecs(qint64(resetMinutes) * 60));
    if (fullMinutes < 0) {
        QCOMPARE(full, std::nullopt);
        return;
    }
    QVERIFY(full);
    QCOMPARE(noon.secsTo(*full), qint64(fullMinutes) * 60);
}

void TestUsagePace::resetsIn_data()
{
    QTest::addColumn<qint64>("seconds");
    QTest::addColumn<QString>("text");

    QTest::newRow("past") << qint64(-30) << QStringLiteral("resets in under a minute");
    QTest::newRow("59 s") << qint64(59) << QStringLiteral("resets in under a minute");
    QTest::newRow("13 min") << qint64(13 * 60 + 59) << QStringLiteral("resets in 13 min");
    QTest::newRow("2 h 13 min") << qint64(2 * 3600 + 13 * 60)
                                << QStringLiteral("resets in 2 h 13 min");
    QTest::newRow("1 h 0 min") << qint64(3600) << QStringLiteral("resets in 1 h 0 min");
    QTest::newRow("3 d 4 h") << qint64(3 * 86400 + 4 * 3600 + 120)
                             << QStringLiteral("resets in 3 d 4 h");
    QTest::newRow("2 d") << qint64(2 * 86400 + 1800) << QStringLiteral("resets in 2 d");
}

void TestUsagePace::resetsIn()
{
    QFETCH(qint64, seconds);
    QFETCH(QString, text);
    QCOMPARE(UsagePace::resetsInText(noon, noon.addSecs(seconds)), text);
}

void TestUsagePace::historyKeepsOneWindow()
{
    const QDateTime reset = noon.addSecs(4 * 3600);
    UsageHistory history;
    history.record(snapshot(0, 10, reset));
    // The same window, its reset reported a fraction of a second off.
    history.record(snapshot(5, 12, reset.addMSecs(462)));
    QCOMPARE(history.samples(QStringLiteral("session")).size(), 2);
    QCOMPARE(history.samples(QStringLiteral("weekly")).size(), 2);

    // Older than five hours falls out.
    history.record(snapshot(6 * 60, 30, reset));
    QCOMPARE(history.samples(QStringLiteral("session")).size(), 1);

    // A clock set back starts over rather than giving a negative rate.
    history.record(snapshot(6 * 60 - 10, 31, reset));
    QCOMPARE(history.samples(QStringLiteral("session")).size(), 1);

    // A new window starts over.
    history.record(snapshot(6 * 60 + 5, 2, reset.addSecs(5 * 3600)));
    QCOMPARE(history.samples(QStringLiteral("session")),
             (QList<UsageSample>{{noon.addSecs((6 * 60 + 5) * 60), 2}}));
    QCOMPARE(history.samples(QStringLiteral("sonnet")).size(), 2);
}

QTEST_GUILESS_MAIN(TestUsagePace)
#include "tst_usage_pace.moc"
