#include "models/tray_presentation.h"
#include "services/alerts/usage_alerts.h"
#include "services/history/history_store.h"
#include "services/parsing/usage_parser.h"
#include "views/dashboard/dashboard_content.h"

#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

// A plan without a 5-hour window: the session is not reported anywhere the figures go,
// from the body through the tray, the dashboard, the alerts and the history read back.
class TestUnreportedWindow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void sessionNotReported_data();
    void sessionNotReported();
};

namespace {

const QDateTime noon(QDate(2026, 12, 7), QTime(12, 0), QTimeZone::utc());

QStringList idsOf(const QList<WindowFigure>& figures)
{
    QStringList ids;
    for (const WindowFigure& figure : figures)
        ids << figure.kind.id;
    return ids;
}

} // namespace

void TestUnreportedWindow::sessionNotReported_data()
{
    QTest::addColumn<QByteArray>("session");
    // The windows shown, kept and alerted on, and the tray's label for the session.
    QTest::addColumn<QStringList>("ids");
    QTest::addColumn<QString>("label");

    const QStringList weekly{QStringLiteral("weekly"), QStringLiteral("sonnet")};
    QTest::newRow("null") << QByteArray(R"("five_hour":null,)") << weekly << " –";
    QTest::newRow("absent") << QByteArray() << weekly << " –";
    QTest::newRow("reported at 0, no reset")
        << QByteArray(R"("five_hour":{"utilization":0,"resets_at":null},)")
        << QStringList{QStringLiteral("session")} + weekly << " 0%";
}

void TestUnreportedWindow::sessionNotReported()
{
    QFETCH(QByteArray, session);
    QFETCH(QStringList, ids);
    const QByteArray body =
        "{" + session + R"("seven_day":{"utilization":40,"resets_at":"2026-12-10T12:00:00Z"}})";
    std::optional<UsageData> data = parseUsageData(body, [] { return noon; }).data;
    QVERIFY(data);
    data->owner = QStringLiteral("org-a");

    QStringList rows;
    for (const UsageRow& row : Dashboard::usageRows(*data, noon))
        rows << row.figure.kind.id;
    QCOMPARE(rows, ids);

    TrayInput input;
    input.usage = data;
    input.metric = UsageWindows::sessionId;
    input.now = noon;
    const TrayPresentation tray = presentTray(input);
    QTEST(tray.label, "label");
    QCOMPARE(tray.toolTip.contains(QStringLiteral("does not report")), !ids.contains(input.metric));
    input.metric = UsageWindows::highestMetric;
    QCOMPARE(presentTray(input).shownWindow, UsageWindows::weeklyId);

    // A threshold of 0 calls for every window there is.
    QStringList alerted;
    for (const UsageAlerts::Alert& alert : UsageAlerts::evaluate(*data, {0}, {}, noon).alerts)
        alerted << alert.summary.section(u' ', 0, 0).toLower();
    QCOMPARE(alerted, ids);

    QTemporaryDir dir;
    HistoryStore store(dir.filePath(QStringLiteral("history.sqlite")));
    store.record(*data);
    store.waitForUpkeep();
    QStringList kept = ids;
    kept.sort();
    QCOMPARE(store.queries().windowIds(data->owner).rows, kept);
    // The figures shown at the next start, before the service answers.
    const QList<UsageData> remembered = store.queries().latestSnapshots().rows;
    QCOMPARE(remembered.size(), 1);
    QCOMPARE(idsOf(UsageWindows::figures(remembered.first())), ids);
}

QTEST_GUILESS_MAIN(TestUnreportedWindow)
#include "tst_unreported_window.moc"
