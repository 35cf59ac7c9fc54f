#include "models/usage_data.h"

#include <QTest>

// Built twice, run under two time zones and locales (see tests/CMakeLists.txt), so
// the reset texts are checked against the user's own clock and language.
class TestUsageData : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void resetTexts_data();
    void resetTexts();
    void absentOpusReset();

private:
    QString profile() const { return qEnvironmentVariable("EXPECT_PROFILE"); }
};

namespace {

UsageData withResets(const QDateTime& session, std::optional<QDateTime> opus)
{
    UsageData data;
    data.sessionResetTime = session;
    data.weeklyResetTime = session;
    data.weeklySonnetResetTime = session;
    data.weeklyOpusUsagePercent = 0;
    data.weeklyOpusResetTime = opus;
    data.lastUpdated = session;
    return data;
}

QDateTime utc(const char* iso)
{
    return QDateTime::fromString(QLatin1String(iso), Qt::ISODate);
}

} // namespace

void TestUsageData::resetTexts_data()
{
    QTest::addColumn<QDateTime>("instant");
    QTest::addColumn<QString>("session");
    QTest::addColumn<QString>("opus");

    // 14:05 UTC is 15:05 in Berlin in winter; 23:30 UTC is 00:30 the next day there.
    if (profile() == QLatin1String("en_utc")) {
        QTest::newRow("afternoon") << utc("2026-01-15T15:05:00Z") << "at 3:05 PM"
                                   << "Jan 15, 3:05 PM";
        QTest::newRow("after midnight") << utc("2026-01-15T00:30:00Z") << "at 12:30 AM"
                                        << "Jan 15, 12:30 AM";
        QTest::newRow("morning, month") << utc("2026-03-09T08:00:00Z") << "at 8:00 AM"
                                        << "Mar 9, 8:00 AM";
        QTest::newRow("in the past") << utc("2001-07-04T13:00:00Z") << "at 1:00 PM"
                                     << "Jul 4, 1:00 PM";
    } else {
        QTest::newRow("afternoon") << utc("2026-01-15T14:05:00Z") << "at 3:05 PM"
                                   << "Jan. 15, 3:05 PM";
        QTest::newRow("after midnight") << utc("2026-01-15T23:30:00Z") << "at 12:30 AM"
                                        << "Jan. 16, 12:30 AM";
        QTest::newRow("morning, month") << utc("2026-03-09T07:00:00Z") << "at 8:00 AM"
                                        << "März 9, 8:00 AM";
        QTest::newRow("summer time") << utc("2026-07-04T11:00:00Z") << "at 1:00 PM"
                                     << "Juli 4, 1:00 PM";
    }
}

void TestUsageData::resetTexts()
{
    QFETCH(QDateTime, instant);
    const UsageData data = withResets(instant, instant);
    QTEST(data.sessionResetString(), "session");
    QTEST(data.weeklyOpusResetString().value_or(QString()), "opus");
    QCOMPARE(data.sessionResetTime, instant);
}

void TestUsageData::absentOpusReset()
{
    const UsageData data = withResets(utc("2026-01-15T15:05:00Z"), std::nullopt);
    QVERIFY(!data.weeklyOpusResetString());
    QVERIFY(data.sessionResetString().startsWith(QLatin1String("at ")));
}

QTEST_GUILESS_MAIN(TestUsageData)
#include "tst_usage_data.moc"
