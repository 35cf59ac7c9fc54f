#include "models/usage_pace.h"

#include <QTest>
#include <QTimeZone>

#include <cmath>

// The pace forecast and the time left.
class TestUsagePace : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fullAt_data();
    void fullAt();
    void resetsIn_data();
    void resetsIn();
};

namespace {

const QDateTime noon(QDate(2026, 12, 7), QTime(12, 0), QTimeZone::utc());

UsageSample at(int minutes, double percent)
{
    return {noon.addSecs(minutes * 60), percent};
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

QTEST_GUILESS_MAIN(TestUsagePace)
#include "tst_usage_pace.moc"
