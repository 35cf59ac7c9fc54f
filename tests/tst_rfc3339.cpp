#include "services/parsing/rfc3339.h"

#include <QTest>

class TestRfc3339 : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void reads_data();
    void reads();
};

void TestRfc3339::reads_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("utc"); // empty: rejected

    const QString noon = QStringLiteral("2026-02-09T12:00:00.000Z");
    QTest::newRow("service form") << "2026-02-09T12:00:00.462679+00:00"
                                  << "2026-02-09T12:00:00.462Z";
    QTest::newRow("Z") << "2025-01-15T10:30:00Z"
                       << "2025-01-15T10:30:00.000Z";
    QTest::newRow("milliseconds") << "2025-01-15T10:30:00.123Z"
                                  << "2025-01-15T10:30:00.123Z";
    QTest::newRow("one digit") << "2026-02-09T12:00:00.5Z"
                               << "2026-02-09T12:00:00.500Z";
    QTest::newRow("nine digits") << "2026-02-09T12:00:00.999999999Z"
                                 << "2026-02-09T12:00:00.999Z";
    QTest::newRow("positive offset") << "2025-01-15T10:30:00+02:00"
                                     << "2025-01-15T08:30:00.000Z";
    QTest::newRow("negative offset") << "2025-01-15T22:30:00-05:30"
                                     << "2025-01-16T04:00:00.000Z";
    QTest::newRow("lower-case t and z") << "2026-02-09t12:00:00z" << noon;
    QTest::newRow("leap day") << "2024-02-29T00:00:00Z"
                              << "2024-02-29T00:00:00.000Z";

    const char* rejected[] = {
        "2025-01-15",                    // date alone
        "soon",                          // a word
        "",                              //
        "2025-01-15T10:30:00",           // no offset
        "2025-01-15 10:30:00Z",          // space separator
        "2025-01-15T10:30Z",             // no seconds
        "2025-01-15T10:30:00.Z",         // empty fraction
        "2025-01-15T10:30:00+0200",      // offset without colon
        "2025-01-15T10:30:00+02",        // offset without minutes
        "2025-01-15T10:30:00+24:00",     // offset hour out of range
        "2025-01-15T10:30:00Z ",         // trailing space
        " 2025-01-15T10:30:00Z",         // leading space
        "2025-01-15T10:30:00ZZ",         // trailing text
        "2025-13-01T00:00:00Z",          // month 13
        "2025-02-30T00:00:00Z",          // 30 February
        "2023-02-29T00:00:00Z",          // no leap year
        "2025-01-15T24:00:00Z",          // hour 24
        "2025-01-15T10:60:00Z",          // minute 60
        "2025-01-15T23:59:60Z",          // leap second: QDateTime cannot hold it
        "25-01-15T10:30:00Z",            // two-digit year
        "2025-1-15T10:30:00Z",           // one-digit month
        "+2025-01-15T10:30:00Z",         // signed year
        "2025-01-15T10:30:00.12a3Z",     // letter in fraction
        "２０２５-01-15T10:30:00Z",      // full-width digits
        "1736937000",                    // epoch seconds
        "Wed, 15 Jan 2025 10:30:00 GMT", // HTTP date
    };
    for (const char* text : rejected)
        QTest::newRow(text) << QString::fromUtf8(text) << QString();
}

void TestRfc3339::reads()
{
    QFETCH(QString, text);
    QFETCH(QString, utc);
    const std::optional<QDateTime> parsed = parseRfc3339(text);
    if (utc.isEmpty()) {
        QVERIFY2(!parsed, qPrintable(parsed ? parsed->toString(Qt::ISODateWithMs) : QString()));
        return;
    }
    QVERIFY(parsed);
    QCOMPARE(parsed->timeSpec(), Qt::UTC);
    QCOMPARE(parsed->toString(Qt::ISODateWithMs), utc);
}

QTEST_GUILESS_MAIN(TestRfc3339)
#include "tst_rfc3339.moc"
