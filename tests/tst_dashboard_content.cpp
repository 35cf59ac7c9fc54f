#include "views/claude_colors.h"
#include "views/dashboard_content.h"
#include "views/usage_row.h"

#include <QTest>

#include <cmath>
#include <limits>

Q_DECLARE_METATYPE(DashboardContent)

// What the dashboard decides without drawing: which content, which rows, and the texts
// and colours of a row. Runs in a 12-hour locale, so the 24-hour footer cannot pass by
// the locale's own habit.
class TestDashboardContent : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void content_data();
    void content();
    void opusRow_data();
    void opusRow();
    void rowTexts_data();
    void rowTexts();
    void updatedTextIsOnThe24HourClock();
    void donationUrl_data();
    void donationUrl();
};

void TestDashboardContent::content_data()
{
    QTest::addColumn<bool>("hasData");
    QTest::addColumn<bool>("hasCookie");
    QTest::addColumn<bool>("isLoading");
    QTest::addColumn<DashboardContent>("expected");

    const auto usage = DashboardContent::usage;
    QTest::newRow("data, whatever else") << true << true << true << usage;
    QTest::newRow("data, cookie, idle") << true << true << false << usage;
    QTest::newRow("data without cookie") << true << false << false << usage;
    QTest::newRow("data without cookie, loading") << true << false << true << usage;
    QTest::newRow("no cookie") << false << false << false << DashboardContent::welcome;
    QTest::newRow("no cookie beats loading") << false << false << true << DashboardContent::welcome;
    QTest::newRow("cookie, loading") << false << true << true << DashboardContent::loading;
    QTest::newRow("cookie, idle") << false << true << false << DashboardContent::none;
}

void TestDashboardContent::content()
{
    QFETCH(bool, hasData);
    QFETCH(bool, hasCookie);
    QFETCH(bool, isLoading);
    QFETCH(DashboardContent, expected);
    QCOMPARE(Dashboard::content(hasData, hasCookie, isLoading), expected);
}

void TestDashboardContent::opusRow_data()
{
    QTest::addColumn<std::optional<double>>("opusPercent");
    QTest::addColumn<bool>("opusReset");
    QTest::addColumn<QStringList>("titles");

    const QStringList three{QStringLiteral("Session"), QStringLiteral("Weekly"),
                            QStringLiteral("Sonnet")};
    const QStringList four = three + QStringList{QStringLiteral("Opus")};
    QTest::newRow("figure and reset") << std::optional<double>(4) << true << four;
    QTest::newRow("zero figure and reset") << std::optional<double>(0) << true << four;
    QTest::newRow("zero figure, no reset") << std::optional<double>(0) << false << three;
    QTest::newRow("reset, no figure") << std::optional<double>() << true << three;
    QTest::newRow("neither") << std::optional<double>() << false << three;
}

void TestDashboardContent::opusRow()
{
    QFETCH(std::optional<double>, opusPercent);
    QFETCH(bool, opusReset);
    QFETCH(QStringList, titles);

    UsageData data;
    data.sessionUsagePercent = 42;
    data.sessionResetTime = QDateTime(QDate(2026, 12, 8), QTime(15, 5), Qt::UTC);
    data.weeklyResetTime = QDateTime(QDate(2026, 12, 12), QTime(8, 0), Qt::UTC);
    data.weeklySonnetResetTime = QDateTime(QDate(2026, 12, 13), QTime(14, 0), Qt::UTC);
    data.weeklyOpusUsagePercent = opusPercent;
    if (opusReset)
        data.weeklyOpusResetTime = QDateTime(QDate(2026, 12, 12), QTime(8, 0), Qt::UTC);

    const QList<UsageRow> rows = Dashboard::usageRows(data);
    QStringList shown;
    for (const UsageRow& row : rows)
        shown << row.title;
    QCOMPARE(shown, titles);
    QCOMPARE(rows.first().shownResetText(), QStringLiteral("3:05 PM"));
    QCOMPARE(rows.at(1).shownResetText(), QStringLiteral("Dec 12, 8:00 AM"));
}

void TestDashboardContent::rowTexts_data()
{
    QTest::addColumn<double>("percentage");
    QTest::addColumn<QString>("percentText");
    QTest::addColumn<qreal>("fill");
    QTest::addColumn<QColor>("colour");

    const QColor tan = ClaudeColors::claudeTan();
    const QColor warning = ClaudeColors::claudeWarning();
    const QColor critical = ClaudeColors::claudeCritical();
    QTest::newRow("0") << 0.0 << QStringLiteral("0%") << 0.0 << tan;
    QTest::newRow("69.99") << 69.99 << QStringLiteral("69%") << 0.6999 << tan;
    QTest::newRow("70") << 70.0 << QStringLiteral("70%") << 0.7 << warning;
    QTest::newRow("89.99") << 89.99 << QStringLiteral("89%") << 0.8999 << warning;
    QTest::newRow("90") << 90.0 << QStringLiteral("90%") << 0.9 << critical;
    QTest::newRow("150") << 150.0 << QStringLiteral("150%") << 1.0 << critical;
    QTest::newRow("-5") << -5.0 << QStringLiteral("0%") << 0.0 << tan;
    QTest::newRow("NaN") << std::nan("") << QStringLiteral("–%") << 0.0 << tan;
    QTest::newRow("infinite") << std::numeric_limits<double>::infinity()
                              << QStringLiteral("9223372036854775807%") << 1.0 << critical;
}

void TestDashboardContent::rowTexts()
{
    QFETCH(double, percentage);
    QFETCH(QString, percentText);
    QFETCH(qreal, fill);
    QFETCH(QColor, colour);

    const UsageRow row{QStringLiteral("clock.fill"), QStringLiteral("Session"),
                       QStringLiteral("5 hour"), percentage, QStringLiteral("at 3:05 PM")};
    QCOMPARE(row.percentText(), percentText);
    QCOMPARE(row.fillFraction(), fill);
    QCOMPARE(row.severityColor(), colour);
    QCOMPARE(row.shownResetText(), QStringLiteral("3:05 PM"));
    QVERIFY(row.accessibleText().startsWith(QStringLiteral("Session (5 hour), ") + percentText));
}

void TestDashboardContent::updatedTextIsOnThe24HourClock()
{
    const QDateTime afternoon(QDate(2026, 12, 7), QTime(16, 53, 20), Qt::UTC);
    QCOMPARE(Dashboard::updatedText(afternoon), QStringLiteral("Updated 16:53"));
    const QDateTime morning(QDate(2026, 12, 7), QTime(7, 4), Qt::UTC);
    QCOMPARE(Dashboard::updatedText(morning), QStringLiteral("Updated 07:04"));
}

void TestDashboardContent::donationUrl_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("opens");

    QTest::newRow("https page") << QStringLiteral("https://example.org/donate") << true;
    QTest::newRow("relative") << QStringLiteral("donate") << false;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("no host") << QStringLiteral("https://") << false;
    QTest::newRow("spaces") << QStringLiteral("https://exa mple.org") << false;
}

void TestDashboardContent::donationUrl()
{
    QFETCH(QString, address);
    QFETCH(bool, opens);
    QCOMPARE(Dashboard::donationUrl(address).has_value(), opens);
}

QTEST_GUILESS_MAIN(TestDashboardContent)
#include "tst_dashboard_content.moc"
