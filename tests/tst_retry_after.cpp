#include "services/fetch/retry_after.h"

#include <QTest>
#include <QTimeZone>

class TestRetryAfter : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parse_data();
    void parse();
};

void TestRetryAfter::parse_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<qint64>("secondsFromNow"); // -1: unreadable

    QTest::newRow("seconds") << QByteArray("120") << qint64(120);
    QTest::newRow("zero") << QByteArray("0") << qint64(0);
    QTest::newRow("spaces") << QByteArray(" 30 ") << qint64(30);
    QTest::newRow("a day at most") << QByteArray("999999") << qint64(86400);
    QTest::newRow("huge number") << QByteArray("99999999999999999999999") << qint64(86400);
    QTest::newRow("HTTP date") << QByteArray("Mon, 07 Dec 2026 12:10:00 GMT") << qint64(600);
    QTest::newRow("HTTP date far off")
        << QByteArray("Fri, 01 Jan 2100 00:00:00 GMT") << qint64(86400);
    QTest::newRow("HTTP date passed")
        << QByteArray("Mon, 07 Dec 2026 11:50:00 GMT") << qint64(-600);
    // Run in Berlin (tests/CMakeLists.txt): a time its clocks skip is still a time in GMT.
    QTest::newRow("HTTP date in a local clock's gap")
        << QByteArray("Sun, 29 Mar 2026 02:30:00 GMT") << qint64(-21893400);
    QTest::newRow("negative") << QByteArray("-5") << qint64(-1);
    QTest::newRow("fraction") << QByteArray("1.5") << qint64(-1);
    QTest::newRow("word") << QByteArray("soon") << qint64(-1);
    QTest::newRow("empty") << QByteArray() << qint64(-1);
    QTest::newRow("date without zone") << QByteArray("Mon, 07 Dec 2026 12:10:00") << qint64(-1);
}

void TestRetryAfter::parse()
{
    QFETCH(QByteArray, value);
    QFETCH(qint64, secondsFromNow);

    const QDateTime now(QDate(2026, 12, 7), QTime(12, 0), QTimeZone::utc());
    const std::optional<QDateTime> at = parseRetryAfter(value, now);
    if (secondsFromNow == -1) {
        QCOMPARE(at, std::nullopt);
        return;
    }
    QVERIFY(at);
    QCOMPARE(now.secsTo(*at), secondsFromNow);
}

QTEST_GUILESS_MAIN(TestRetryAfter)
#include "tst_retry_after.moc"
