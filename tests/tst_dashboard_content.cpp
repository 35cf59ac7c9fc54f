#include "views/dashboard/dashboard_content.h"
#include "views/settings/donation_page.h"

#include <QTest>
#include <QTimeZone>

#include <cmath>
#include <limits>

Q_DECLARE_METATYPE(DashboardContent)

// What the dashboard decides without drawing: which content, the footer's time and the
// donation page. Runs in a 12-hour locale, so a footer on a fixed 24-hour clock shows.
class TestDashboardContent : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void content_data();
    void content();
    void updatedTextFollowsTheLocale();
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

void TestDashboardContent::updatedTextFollowsTheLocale()
{
    const QDateTime afternoon(QDate(2026, 12, 7), QTime(16, 53, 20), QTimeZone::utc());
    QCOMPARE(UsageWindows::updatedText(afternoon), QStringLiteral("Updated 4:53 PM"));
    const QDateTime morning(QDate(2026, 12, 7), QTime(7, 4), QTimeZone::utc());
    QCOMPARE(UsageWindows::updatedText(morning), QStringLiteral("Updated 7:04 AM"));
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
    QCOMPARE(DonationPage::url(address).has_value(), opens);
}

QTEST_GUILESS_MAIN(TestDashboardContent)
#include "tst_dashboard_content.moc"
