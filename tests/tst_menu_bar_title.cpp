#include "app/menu_bar_title.h"

#include <QTest>

#include <cmath>
#include <limits>

class TestMenuBarTitle : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void withoutSnapshot();
    void figure_data();
    void figure();
};

void TestMenuBarTitle::withoutSnapshot()
{
    for (const char* metric : {"session", "weekly", "sonnet", ""}) {
        const MenuBarTitle title = menuBarTitle(std::nullopt, QString::fromLatin1(metric));
        QCOMPARE(title.symbolPointSize, 12);
        QCOMPARE(title.text, std::nullopt);
        QCOMPARE(title.toolTip, QStringLiteral("Gaugery"));
    }
}

void TestMenuBarTitle::figure_data()
{
    QTest::addColumn<QString>("metric");
    QTest::addColumn<double>("percent");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("toolTip");

    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    // metric, the value put into the chosen field, text, tooltip
    QTest::newRow("session") << "session" << 42.0 << " 42%"
                             << "Session 42%";
    QTest::newRow("weekly") << "weekly" << 67.8 << " 67%"
                            << "Weekly 67%";
    QTest::newRow("sonnet") << "sonnet" << 5.0 << " 5%"
                            << "Sonnet 5%";
    QTest::newRow("opus is not a metric") << "opus" << 13.0 << " 13%"
                                          << "Session 13%";
    QTest::newRow("capital W") << "Weekly" << 13.0 << " 13%"
                               << "Session 13%";
    QTest::newRow("empty metric") << "" << 13.0 << " 13%"
                                  << "Session 13%";
    QTest::newRow("truncated") << "session" << 87.9 << " 87%"
                               << "Session 87%";
    QTest::newRow("just below 100") << "session" << 99.99 << " 99%"
                                    << "Session 99%";
    QTest::newRow("full") << "session" << 100.0 << " 100%"
                          << "Session 100%";
    QTest::newRow("not clamped") << "session" << 150.3 << " 150%"
                                 << "Session 150%";
    QTest::newRow("zero") << "session" << 0.0 << " 0%"
                          << "Session 0%";
    QTest::newRow("toward zero") << "session" << -0.4 << " 0%"
                                 << "Session 0%";
    QTest::newRow("negative") << "session" << -3.7 << " -3%"
                              << "Session -3%";
    QTest::newRow("no grouping") << "session" << 12345.6 << " 12345%"
                                 << "Session 12345%";
    QTest::newRow("nan") << "session" << nan << " --%"
                         << "Session --%";
    QTest::newRow("infinite") << "weekly" << inf << " --%"
                              << "Weekly --%";
    QTest::newRow("minus infinite") << "sonnet" << -inf << " --%"
                                    << "Sonnet --%";
    QTest::newRow("2^63") << "session" << 9223372036854775808.0 << " --%"
                          << "Session --%";
    QTest::newRow("-2^63 fits") << "session" << -9223372036854775808.0 << " -9223372036854775808%"
                                << "Session -9223372036854775808%";
}

void TestMenuBarTitle::figure()
{
    QFETCH(QString, metric);
    QFETCH(double, percent);

    // The other fields hold decoys, so picking the wrong one shows.
    UsageData usage;
    usage.sessionUsagePercent = 1.5;
    usage.weeklyUsagePercent = 2.5;
    usage.weeklySonnetUsagePercent = 3.5;
    usage.weeklyOpusUsagePercent = 4.5;
    if (metric == QLatin1String("weekly"))
        usage.weeklyUsagePercent = percent;
    else if (metric == QLatin1String("sonnet"))
        usage.weeklySonnetUsagePercent = percent;
    else
        usage.sessionUsagePercent = percent;

    const MenuBarTitle title = menuBarTitle(usage, metric);
    QCOMPARE(title.symbolPointSize, 11);
    QTEST(title.text.value_or(QString()), "text");
    QTEST(title.toolTip, "toolTip");
}

QTEST_GUILESS_MAIN(TestMenuBarTitle)
#include "tst_menu_bar_title.moc"
