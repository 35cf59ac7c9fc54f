#include "services/parsing/usage_parser.h"

#include <QFile>
#include <QJsonDocument>
#include <QTest>
#include <QTimeZone>

#include <cmath>

namespace {

const QDateTime fixedNow = QDateTime(QDate(2026, 3, 1), QTime(9, 0), QTimeZone::utc());
QDateTime fixedClock()
{
    return fixedNow;
}
QDateTime utc(const char* iso)
{
    return QDateTime::fromString(QLatin1String(iso), Qt::ISODateWithMs);
}

using OptionalDouble = std::optional<double>;
using OptionalInstant = std::optional<QDateTime>;

// A file of tests/data; the bodies the service really sent start with a "#" line naming
// where they were published.
QByteArray testData(const char* folder, const char* name)
{
    QFile file(
        QStringLiteral(GAUGERY_TEST_DATA "/%1/%2").arg(QLatin1String(folder), QLatin1String(name)));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray body = file.readAll();
    if (body.startsWith('#'))
        body.remove(0, body.indexOf('\n') + 1);
    return body;
}

QByteArray fourKnownWindows()
{
    return R"({"five_hour":{"utilization":1},"seven_day":{"utilization":2},
               "seven_day_sonnet":{"utilization":3},"seven_day_opus":{"utilization":4}})";
}

} // namespace

Q_DECLARE_METATYPE(OptionalDouble)
Q_DECLARE_METATYPE(OptionalInstant)

class TestUsageParser : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void windows_data();
    void windows();
    void wholeBodyFailures_data();
    void wholeBodyFailures();
    void furtherLimits_data();
    void furtherLimits();
    void serviceBodies_data();
    void serviceBodies();
};

void TestUsageParser::windows_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<OptionalDouble>("session");
    QTest::addColumn<QDateTime>("sessionReset");
    QTest::addColumn<double>("weekly");
    QTest::addColumn<QDateTime>("weeklyReset");
    QTest::addColumn<double>("sonnet");
    QTest::addColumn<QDateTime>("sonnetReset");
    QTest::addColumn<OptionalDouble>("opus");
    QTest::addColumn<OptionalInstant>("opusReset");

    // A reset the body does not name stays unknown.
    const QDateTime in5h;
    const QDateTime in7d;
    const OptionalDouble noOpus;
    const OptionalInstant noOpusReset;
    // A plan without a 5-hour window: not reported, never 0.
    const OptionalDouble noSession;

    QTest::newRow("service answer")
        << QByteArray(
               R"({"five_hour":{"utilization":42.0,"resets_at":"2026-02-09T12:00:00.462679+00:00"},
             "seven_day":{"utilization":67.5,"resets_at":"2026-02-12T08:00:00Z"},
             "seven_day_oauth_apps":null,"extra_usage":{"is_enabled":false},
             "seven_day_opus":null,
             "seven_day_sonnet":{"utilization":5,"resets_at":"2026-02-12T10:00:00+02:00"}})")
        << OptionalDouble(42.0) << utc("2026-02-09T12:00:00.462Z") << 67.5
        << utc("2026-02-12T08:00:00Z") << 5.0 << utc("2026-02-12T08:00:00Z") << noOpus
        << noOpusReset;
    QTest::newRow("empty object") << QByteArray("{}") << noSession << in5h << 0.0 << in7d << 0.0
                                  << in7d << noOpus << noOpusReset;
    QTest::newRow("null session, others read")
        << QByteArray(R"({"five_hour":null,"seven_day":{"utilization":10}})") << noSession << in5h
        << 10.0 << in7d << 0.0 << in7d << noOpus << noOpusReset;
    QTest::newRow("null utilization and reset, as sent for an unused window")
        << QByteArray(R"({"five_hour":{"utilization":0,"resets_at":null}})") << OptionalDouble(0.0)
        << in5h << 0.0 << in7d << 0.0 << in7d << noOpus << noOpusReset;
    QTest::newRow("utilization as string is 0")
        << QByteArray(R"({"five_hour":{"utilization":"42"}})") << OptionalDouble(0.0) << in5h << 0.0
        << in7d << 0.0 << in7d << noOpus << noOpusReset;
    QTest::newRow("utilization as bool is 0")
        << QByteArray(R"({"five_hour":{"utilization":true}})") << OptionalDouble(0.0) << in5h << 0.0
        << in7d << 0.0 << in7d << noOpus << noOpusReset;
    QTest::newRow("over 100 and negative kept")
        << QByteArray(R"({"five_hour":{"utilization":120},"seven_day":{"utilization":-3.5}})")
        << OptionalDouble(120.0) << in5h << -3.5 << in7d << 0.0 << in7d << noOpus << noOpusReset;
    QTest::newRow("huge utilization kept")
        << QByteArray(R"({"five_hour":{"utilization":1e300}})") << OptionalDouble(1e300) << in5h
        << 0.0 << in7d << 0.0 << in7d << noOpus << noOpusReset;
    QTest::newRow("window as array takes defaults")
        << QByteArray(R"({"five_hour":[42],"seven_day":"full"})") << noSession << in5h << 0.0
        << in7d << 0.0 << in7d << noOpus << noOpusReset;
    QTest::newRow("date-only and word resets keep defaults")
        << QByteArray(R"({"five_hour":{"utilization":1,"resets_at":"2025-01-15"},
                          "seven_day":{"utilization":2,"resets_at":"soon"},
                          "seven_day_sonnet":{"utilization":3,"resets_at":12345}})")
        << OptionalDouble(1.0) << in5h << 2.0 << in7d << 3.0 << in7d << noOpus << noOpusReset;
    QTest::newRow("opus empty object")
        << QByteArray(R"({"seven_day_opus":{}})") << noSession << in5h << 0.0 << in7d << 0.0 << in7d
        << OptionalDouble(0.0) << noOpusReset;
    QTest::newRow("opus with unreadable reset")
        << QByteArray(R"({"seven_day_opus":{"utilization":12.5,"resets_at":"later"}})") << noSession
        << in5h << 0.0 << in7d << 0.0 << in7d << OptionalDouble(12.5) << noOpusReset;
    QTest::newRow("opus complete")
        << QByteArray(R"({"seven_day_opus":{"utilization":80,"resets_at":"2026-03-09T08:00:00Z"}})")
        << noSession << in5h << 0.0 << in7d << 0.0 << in7d << OptionalDouble(80.0)
        << OptionalInstant(utc("2026-03-09T08:00:00Z"));
    QTest::newRow("opus as number is absent")
        << QByteArray(R"({"seven_day_opus":7})") << noSession << in5h << 0.0 << in7d << 0.0 << in7d
        << noOpus << noOpusReset;
}

void TestUsageParser::windows()
{
    QFETCH(QByteArray, body);
    const UsageParseResult result = parseUsageData(body, fixedClock);
    QVERIFY2(result.data, qPrintable(result.error));
    const UsageData& data = *result.data;
    QTEST(data.sessionUsagePercent, "session");
    QTEST(data.sessionResetTime, "sessionReset");
    QTEST(data.weeklyUsagePercent.value_or(-1), "weekly");
    QTEST(data.weeklyResetTime, "weeklyReset");
    QTEST(data.weeklySonnetUsagePercent.value_or(-1), "sonnet");
    QTEST(data.weeklySonnetResetTime, "sonnetReset");
    QTEST(data.weeklyOpusUsagePercent, "opus");
    QTEST(data.weeklyOpusResetTime, "opusReset");
    QCOMPARE(data.lastUpdated, fixedNow);
}

void TestUsageParser::wholeBodyFailures_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("description");

    const QString invalidFormat = QStringLiteral("Invalid response format");
    QTest::newRow("array") << QByteArray("[{\"five_hour\":{}}]") << invalidFormat;
    QTest::newRow("number") << QByteArray("42") << invalidFormat;
    QTest::newRow("string") << QByteArray("\"usage\"") << invalidFormat;
    QTest::newRow("null") << QByteArray("null") << invalidFormat;
    QTest::newRow("empty body") << QByteArray() << QStringLiteral("illegal value");
    QTest::newRow("truncated") << QByteArray("{\"five_hour\":{") << QString();
    QTest::newRow("html page") << QByteArray("<html>Just a moment...</html>") << QString();
    QTest::newRow("two values") << QByteArray("{} {}") << QString();
}

void TestUsageParser::wholeBodyFailures()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, description);
    const UsageParseResult result = parseUsageData(body, fixedClock);
    QVERIFY(!result.data);
    QVERIFY(!result.error.isEmpty());
    if (!description.isEmpty())
        QCOMPARE(result.error, description);
    else
        QVERIFY(result.error != QStringLiteral("Invalid response format"));
}

void TestUsageParser::furtherLimits_data()
{
    QTest::addColumn<QByteArray>("body");
    // One line per further row: id, title, subtitle, percent, reset, note, detail.
    QTest::addColumn<QStringList>("rows");

    const auto file = [](const char* name) { return testData("usage", name); };
    // Null code names give nothing; the scoped limit of a window the body reports is not
    // counted twice, and one listed twice is one row.
    QTest::newRow("extra usage, limits, null members")
        << file("everything.json")
        << QStringList{
               QStringLiteral("seven_day_design|Design|7 day|96|2026-12-11T18:00:00Z||"),
               QStringLiteral("extra_usage|Extra usage||0|||€0.00 of €40.00"),
           };
    QTest::newRow("a filled unknown window")
        << file("filled_unknown.json")
        << QStringList{
               QStringLiteral("five_hour_iguana_necktie|Iguana Necktie|5 hour|18.5|||"),
               QStringLiteral("seven_day_cowork|Cowork|7 day|96|2026-12-10T12:00:00Z||"),
               QStringLiteral("extra_usage|Extra usage||40|||$10.00 of $25.00"),
           };
    QTest::newRow("the four known windows only") << fourKnownWindows() << QStringList();
    QTest::newRow("extra usage disabled or of another shape")
        << QByteArray(R"({"extra_usage":{"is_enabled":false,"utilization":50},
                          "other":{"is_enabled":"true"},"x":[{"utilization":1}],
                          "y":{"utilization":null},"limits":{"kind":"weekly_scoped"}})")
        << QStringList();
    QTest::newRow("enabled without a limit: no amounts")
        << QByteArray(R"({"extra_usage":{"is_enabled":true,"utilization":12}})")
        << QStringList{QStringLiteral("extra_usage|Extra usage||12|||")};
    QTest::newRow("out of credits")
        << QByteArray(R"({"extra_usage":{"is_enabled":true,"utilization":100,
                          "disabled_reason":"out_of_credits"}})")
        << QStringList{QStringLiteral("extra_usage|Extra usage||100||Out of credits|")};
}

void TestUsageParser::furtherLimits()
{
    QFETCH(QByteArray, body);
    QVERIFY(!body.isEmpty());
    const UsageParseResult result = parseUsageData(body, fixedClock);
    QVERIFY2(result.data, qPrintable(result.error));
    QStringList rows;
    for (const WindowFigure& figure : result.data->furtherWindows) {
        rows << QStringList{figure.kind.id,
                            figure.kind.title,
                            figure.kind.subtitle,
                            QString::number(figure.percent),
                            figure.resetsAt.toUTC().toString(Qt::ISODate),
                            figure.resetNote,
                            figure.detail}
                    .join(QLatin1Char('|'));
    }
    QTEST(rows, "rows");
}

void TestUsageParser::serviceBodies_data()
{
    QTest::addColumn<QByteArray>("body");
    // One line per row the dashboard shows (title, subtitle, percent, reset, detail), then
    // what the Sonnet metric and "Highest" read.
    QTest::addColumn<QStringList>("rows");

    const auto body = [](const char* name) { return testData("service-bodies", name); };
    const QByteArray limits = body("oauth-2026-07-limits.json");
    const QByteArray fable(
        R"("percent":0,"is_active":false,"resets_at":null,"scope":{"model":{"display_name":"Fable")");
    const auto scoped = [&](const char* name, int percent) {
        return QByteArray(limits).replace(
            fable,
            QStringLiteral(
                R"("percent":%1,"is_active":true,"resets_at":null,"scope":{"model":{"display_name":"%2")")
                .arg(percent)
                .arg(QLatin1String(name))
                .toUtf8());
    };
    const QString session = QStringLiteral("Session|5 hour|");
    const QString weekly = QStringLiteral("Weekly|7 day|");
    const QString sonnet = QStringLiteral("Sonnet|7 day|");

    QTest::newRow("web, null members and a null reset")
        << body("web-2026-02.json")
        << QStringList{session + QStringLiteral("0||"),
                       weekly + QStringLiteral("23|2026-02-09T12:00:00Z|"),
                       sonnet + QStringLiteral("0||"), QStringLiteral("sonnet 0, highest Weekly")};
    QTest::newRow("web, a plan without a 5-hour window")
        << body("web-2026-02.json")
               .replace(R"("five_hour":{"utilization":0.0,"resets_at":null})",
                        R"("five_hour":null)")
        << QStringList{weekly + QStringLiteral("23|2026-02-09T12:00:00Z|"),
                       sonnet + QStringLiteral("0||"), QStringLiteral("sonnet 0, highest Weekly")};
    QTest::newRow("oauth, extra usage in minor units")
        << body("oauth-2026-06-extra.json")
        << QStringList{session + QStringLiteral("30|2026-06-14T02:59:59Z|"),
                       weekly + QStringLiteral("15|2026-06-17T20:59:59Z|"),
                       sonnet + QStringLiteral("3|2026-06-17T21:00:00Z|"),
                       QStringLiteral("Extra usage||69.24||$34.62 of $50.00"),
                       QStringLiteral("sonnet 3, highest Extra usage")};
    const QStringList limitRows{session + QStringLiteral("2|2026-07-11T12:50:00Z|"),
                                weekly + QStringLiteral("0|2026-07-12T09:00:00Z|"),
                                sonnet + QStringLiteral("0||")};
    QTest::newRow("oauth, a scoped limit as the service sends it")
        << limits
        << limitRows + QStringList{QStringLiteral("Fable|7 day|0||"),
                                   QStringLiteral("sonnet 0, highest Session")};
    QTest::newRow("the scoped limit at 100%")
        << scoped("Fable", 100)
        << limitRows + QStringList{QStringLiteral("Fable|7 day|100||"),
                                   QStringLiteral("sonnet 0, highest Fable")};
    QTest::newRow("a scoped Sonnet limit fills the null Sonnet window, once")
        << scoped("Sonnet", 42)
        << QStringList{limitRows.at(0), limitRows.at(1), sonnet + QStringLiteral("42||"),
                       QStringLiteral("sonnet 42, highest Sonnet")};
    QTest::newRow("a scoped Opus limit fills the Opus window without a reset")
        << scoped("Claude Opus 4", 91)
        << limitRows + QStringList{QStringLiteral("Opus|7 day|91||"),
                                   QStringLiteral("sonnet 0, highest Opus")};
    QTest::newRow("every member null: the list fills session and weekly")
        << QByteArray(limits)
               .replace(
                   R"("five_hour":{"utilization":2.0,"resets_at":"2026-07-11T12:50:00.343377+00:00"})",
                   R"("five_hour":null)")
               .replace(
                   R"("seven_day":{"utilization":0.0,"resets_at":"2026-07-12T09:00:00.343401+00:00"})",
                   R"("seven_day":null)")
        << limitRows + QStringList{QStringLiteral("Fable|7 day|0||"),
                                   QStringLiteral("sonnet 0, highest Session")};
    QTest::newRow("a weekly breakdown is no limit")
        << body("breakdown-2026-09.json")
        << QStringList{weekly + QStringLiteral("0||"), sonnet + QStringLiteral("0||"),
                       QStringLiteral("sonnet 0, highest Weekly")};
    QTest::newRow("dollars on a member, a code name with a null reset")
        << QByteArray(R"({"seven_day":{"utilization":31,"resets_at":null,"limit_dollars":40,
                          "used_dollars":12.5,"remaining_dollars":27.5},
                          "nimbus_quill":{"utilization":12,"resets_at":null,"limit_dollars":null,
                          "used_dollars":null,"remaining_dollars":null}})")
        << QStringList{weekly + QStringLiteral("31||$12.50 of $40.00"),
                       sonnet + QStringLiteral("0||"), QStringLiteral("Nimbus Quill||12||"),
                       QStringLiteral("sonnet 0, highest Weekly")};
}

void TestUsageParser::serviceBodies()
{
    QFETCH(QByteArray, body);
    QVERIFY(!body.isEmpty());
    const UsageParseResult result = parseUsageData(body, fixedClock);
    QVERIFY2(result.data, qPrintable(result.error));
    QStringList rows;
    for (const WindowFigure& figure : UsageWindows::figures(*result.data)) {
        rows << QStringList{figure.kind.title, figure.kind.subtitle,
                            QString::number(figure.percent),
                            figure.resetsAt.toUTC().toString(Qt::ISODate), figure.detail}
                    .join(QLatin1Char('|'));
    }
    rows << QStringLiteral("sonnet %1, highest %2")
                .arg(UsageWindows::shownFigure(*result.data, QStringLiteral("sonnet"), {})->percent)
                .arg(UsageWindows::shownFigure(*result.data, UsageWindows::highestMetric, {})
                         ->kind.title);
    QTEST(rows, "rows");
}

QTEST_GUILESS_MAIN(TestUsageParser)
#include "tst_usage_parser.moc"
