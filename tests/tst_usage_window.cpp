#include "models/freshness.h"
#include "models/instant_text.h"
#include "models/usage_data.h"

#include <QTest>

#include <clocale>
#include <cmath>
#include <limits>

Q_DECLARE_METATYPE(Severity)

// The vocabulary of usage windows: which figures a snapshot lists, their names, the
// severity rule and the texts. Built twice, run under two time zones and locales (see
// tests/CMakeLists.txt), so the reset texts are checked against the user's own clock and
// language.
class TestUsageWindow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void figuresInDisplayOrder_data();
    void figuresInDisplayOrder();
    void genericNames_data();
    void genericNames();
    void severityAndTexts_data();
    void severityAndTexts();
    void resetTexts_data();
    void resetTexts();
    void passedResets_data();
    void passedResets();
    void localePatterns_data();
    void localePatterns();

private:
    QString profile() const { return qEnvironmentVariable("GAUGERY_TEST_LOCALE"); }
};

namespace {

QDateTime utc(const char* iso)
{
    return QDateTime::fromString(QLatin1String(iso), Qt::ISODate);
}

UsageData snapshot(std::optional<double> opus, std::optional<QDateTime> opusReset)
{
    UsageData data;
    data.sessionUsagePercent = 0;
    data.sessionResetTime = utc("2026-01-15T15:05:00Z");
    data.weeklyResetTime = data.sessionResetTime;
    data.weeklySonnetResetTime = data.sessionResetTime;
    data.weeklyOpusUsagePercent = opus;
    data.weeklyOpusResetTime = opusReset;
    return data;
}

QStringList idsOf(const QList<WindowFigure>& figures)
{
    QStringList ids;
    for (const WindowFigure& figure : figures)
        ids << figure.kind.id;
    return ids;
}

} // namespace

void TestUsageWindow::initTestCase()
{
    // Qt formats from its own data even where the machine lacks the locale; whatever else
    // runs here (the C library, the session scripts) would silently fall back to C.
    QVERIFY2(std::setlocale(LC_ALL, "") != nullptr,
             "this locale is not on the machine; scripts/install-deps --tests adds it");
}

void TestUsageWindow::figuresInDisplayOrder_data()
{
    QTest::addColumn<UsageData>("data");
    QTest::addColumn<QStringList>("ids");

    const QStringList three{QStringLiteral("session"), QStringLiteral("weekly"),
                            QStringLiteral("sonnet")};
    const QDateTime reset = utc("2026-03-09T08:00:00Z");
    QTest::newRow("no opus") << snapshot(std::nullopt, std::nullopt) << three;
    QTest::newRow("opus with its reset")
        << snapshot(0, reset) << three + QStringList{QStringLiteral("opus")};
    QTest::newRow("opus without a reset is not shown") << snapshot(0, std::nullopt) << three;
    QTest::newRow("a reset without a figure neither") << snapshot(std::nullopt, reset) << three;
    UsageData noSession = snapshot(std::nullopt, std::nullopt);
    noSession.sessionUsagePercent.reset();
    QTest::newRow("a session the service does not report")
        << noSession << QStringList{QStringLiteral("weekly"), QStringLiteral("sonnet")};
    UsageData further = snapshot(5, reset);
    further.furtherWindows = {
        {UsageWindows::generic(QStringLiteral("seven_day_cowork")), 96, reset, {}, {}}};
    QTest::newRow("further windows after the known ones")
        << further
        << three + QStringList{QStringLiteral("opus"), QStringLiteral("seven_day_cowork")};
}

void TestUsageWindow::figuresInDisplayOrder()
{
    QFETCH(UsageData, data);
    QTEST(idsOf(UsageWindows::figures(data)), "ids");
}

void TestUsageWindow::genericNames_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("subtitle");

    QTest::newRow("7 day") << "seven_day_cowork"
                           << "Cowork"
                           << "7 day";
    QTest::newRow("5 hour, two words") << "five_hour_oauth_apps"
                                       << "Oauth Apps"
                                       << "5 hour";
    QTest::newRow("no length") << "iguana_necktie"
                               << "Iguana Necktie"
                               << "";
    QTest::newRow("the prefix alone") << "seven_day_"
                                      << "Seven Day"
                                      << "";
    QTest::newRow("doubled underscores") << "seven_day__x"
                                         << "X"
                                         << "7 day";
}

void TestUsageWindow::genericNames()
{
    QFETCH(QString, key);
    const UsageWindowKind kind = UsageWindows::generic(key);
    QCOMPARE(kind.id, key);
    QTEST(kind.title, "title");
    QTEST(kind.subtitle, "subtitle");
    QCOMPARE(kind.resetStyle, ResetStyle::dateAndTime);
    QVERIFY(!kind.isMetric);
}

void TestUsageWindow::severityAndTexts_data()
{
    QTest::addColumn<double>("percent");
    QTest::addColumn<Severity>("severity");
    QTest::addColumn<QString>("whole");
    QTest::addColumn<QString>("row");

    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    QTest::newRow("0") << 0.0 << Severity::normal << "0"
                       << "0%";
    QTest::newRow("69.99") << 69.99 << Severity::normal << "69"
                           << "69%";
    QTest::newRow("70") << 70.0 << Severity::warning << "70"
                        << "70%";
    QTest::newRow("89.99") << 89.99 << Severity::warning << "89"
                           << "89%";
    QTest::newRow("90") << 90.0 << Severity::critical << "90"
                        << "90%";
    QTest::newRow("150") << 150.0 << Severity::critical << "150"
                         << "150%";
    QTest::newRow("-5: the row shows 0") << -5.0 << Severity::normal << "-5"
                                         << "0%";
    QTest::newRow("toward zero") << -0.4 << Severity::normal << "0"
                                 << "0%";
    QTest::newRow("no grouping") << 12345.6 << Severity::critical << "12345"
                                 << "12345%";
    QTest::newRow("NaN") << nan << Severity::normal << "--"
                         << "–%";
    QTest::newRow("infinite") << inf << Severity::critical << "--"
                              << "9223372036854775807%";
    QTest::newRow("minus infinite") << -inf << Severity::normal << "--"
                                    << "0%";
    QTest::newRow("2^63") << 9223372036854775808.0 << Severity::critical << "--"
                          << "9223372036854775807%";
    QTest::newRow("-2^63 fits") << -9223372036854775808.0 << Severity::normal
                                << "-9223372036854775808"
                                << "0%";
}

void TestUsageWindow::severityAndTexts()
{
    QFETCH(double, percent);
    QTEST(UsageWindows::severityOf(percent), "severity");
    QTEST(UsageWindows::wholeText(percent), "whole");
    QTEST(UsageWindows::rowPercentText(percent), "row");
}

void TestUsageWindow::resetTexts_data()
{
    QTest::addColumn<QDateTime>("instant");
    QTest::addColumn<QString>("session");
    QTest::addColumn<QString>("weekly");

    // 14:05 UTC is 15:05 in Berlin in winter; 23:30 UTC is 00:30 the next day there.
    if (profile() == QLatin1String("en_utc")) {
        QTest::newRow("afternoon") << utc("2026-01-15T15:05:00Z") << "3:05 PM"
                                   << "Jan 15, 3:05 PM";
        QTest::newRow("after midnight") << utc("2026-01-15T00:30:00Z") << "12:30 AM"
                                        << "Jan 15, 12:30 AM";
        QTest::newRow("morning, month") << utc("2026-03-09T08:00:00Z") << "8:00 AM"
                                        << "Mar 9, 8:00 AM";
        QTest::newRow("in the past") << utc("2001-07-04T13:00:00Z") << "1:00 PM"
                                     << "Jul 4, 1:00 PM";
    } else {
        // The locale's own forms, not English patterns with German names.
        QTest::newRow("afternoon") << utc("2026-01-15T14:05:00Z") << "15:05"
                                   << "15. Jan., 15:05";
        QTest::newRow("after midnight") << utc("2026-01-15T23:30:00Z") << "00:30"
                                        << "16. Jan., 00:30";
        QTest::newRow("morning, month") << utc("2026-03-09T07:00:00Z") << "08:00"
                                        << "9. März, 08:00";
        QTest::newRow("summer time") << utc("2026-06-17T18:59:00Z") << "20:59"
                                     << "17. Juni, 20:59";
    }
}

void TestUsageWindow::resetTexts()
{
    QFETCH(QDateTime, instant);
    const QList<UsageWindowKind>& known = UsageWindows::known();
    QTEST(UsageWindows::resetText({known.at(0), 0, instant, {}, {}}), "session");
    QTEST(UsageWindows::resetText({known.at(1), 0, instant, {}, {}}), "weekly");
    QTEST(UsageWindows::timeOfDayText(instant), "session");
    // When the figures were fetched reads like the session's reset beside it.
    QFETCH(QString, session);
    QCOMPARE(Freshness::of(instant, true, {}, 300, instant.addSecs(3600))
                 .asOfText(instant.addSecs(3600)),
             QStringLiteral("As of %1 (1 h ago)").arg(session));
    // An unknown reset says nothing; a note is said instead of the time.
    QCOMPARE(UsageWindows::resetText({known.at(1), 0, {}, {}, {}}), QString());
    QCOMPARE(
        UsageWindows::resetText({known.at(1), 0, instant, QStringLiteral("Out of credits"), {}}),
        QStringLiteral("Out of credits"));
}

void TestUsageWindow::passedResets_data()
{
    QTest::addColumn<QDateTime>("taken");
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QStringList>("inferred");

    // The session resets at 15:05, the weekly windows on Mar 9.
    const QDateTime before = utc("2026-01-15T14:00:00Z");
    QTest::newRow("passed since the snapshot")
        << before << utc("2026-01-15T15:06:00Z") << QStringList{QStringLiteral("session")};
    QTest::newRow("all of them") << before << utc("2026-03-10T00:00:00Z")
                                 << QStringList{QStringLiteral("session"), QStringLiteral("weekly"),
                                                QStringLiteral("sonnet")};
    QTest::newRow("still ahead") << before << utc("2026-01-15T15:04:00Z") << QStringList();
    QTest::newRow("the service named it passed")
        << utc("2026-01-15T15:10:00Z") << utc("2026-01-15T16:00:00Z") << QStringList();
}

void TestUsageWindow::passedResets()
{
    QFETCH(QDateTime, taken);
    QFETCH(QDateTime, now);
    QFETCH(QStringList, inferred);
    UsageData data = snapshot(std::nullopt, std::nullopt);
    data.lastUpdated = taken;
    data.sessionUsagePercent = 95;
    data.weeklyResetTime = data.weeklySonnetResetTime = utc("2026-03-09T08:00:00Z");
    data.weeklyUsagePercent = 40;
    data.weeklySonnetUsagePercent = 30;

    const QList<WindowFigure> given = UsageWindows::figures(data);
    const QList<WindowFigure> shown = UsageWindows::figuresAt(data, now);
    QStringList shownReset;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        if (!shown[i].inferred) {
            QCOMPARE(shown[i], given[i]);
            continue;
        }
        shownReset << shown[i].kind.id;
        QCOMPARE(shown[i].percent, 0.0);
        QVERIFY(shown[i].resetNote.contains(UsageWindows::resetText(given[i])));
    }
    QCOMPARE(shownReset, inferred);
    // "Highest" passes over a figure Gaugery inferred, however high it was.
    const WindowFigure highest = *UsageWindows::shownFigure(data, UsageWindows::highestMetric, now);
    QCOMPARE(highest.inferred, inferred.size() == 3);
    QCOMPARE(highest.kind.id,
             inferred.size() == 1 ? QStringLiteral("weekly") : QStringLiteral("session"));
}

void TestUsageWindow::localePatterns_data()
{
    QTest::addColumn<bool>("timeOfDay"); // else a long date cut to the month and day
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("cut");

    // Patterns as locales give them (English's and German's are the reset texts' above).
    QTest::newRow("Japanese, the day's sign glued on") << false << "yyyy年M月d日dddd"
                                                       << "M月d日";
    QTest::newRow("Basque, quoted texts") << false << "yyyy('e')'ko' MMMM'ren' d('a'), dddd"
                                          << "MMM'ren' d('a')";
    QTest::newRow("no day number: English's") << false << "dddd, MMMM yyyy"
                                              << "MMM d";
    QTest::newRow("the C locale's time, seconds left out") << true << "HH:mm:ss"
                                                           << "HH:mm";
    QTest::newRow("Finnish dots") << true << "H.mm.ss"
                                  << "H.mm";
    QTest::newRow("English time, as it is") << true << "h:mm AP"
                                            << "h:mm AP";
}

void TestUsageWindow::localePatterns()
{
    QFETCH(bool, timeOfDay);
    QFETCH(QString, pattern);
    QTEST(timeOfDay ? InstantText::timeOfDayPattern(pattern)
                    : InstantText::monthDayPattern(pattern),
          "cut");
}

QTEST_GUILESS_MAIN(TestUsageWindow)
#include "tst_usage_window.moc"
