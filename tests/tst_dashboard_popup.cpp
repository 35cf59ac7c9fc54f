#include "app/dashboard_popup.h"
#include "service_fixture.h"
#include "views/dashboard/dashboard_view.h"
#include "views/dashboard/usage_block.h"
#include "views/dashboard/usage_row_widget.h"

#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QTest>

// Offscreen: the popup's open and close rules, without a tray.
class TestDashboardPopup : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fitsContent_data();
    void fitsContent();
    void toggles();
    void closesOnFocusLoss_data();
    void closesOnFocusLoss();
    void escapeCloses();
    void holdsTheDashboardAboveABottomPanel_data();
    void holdsTheDashboardAboveABottomPanel();
    void comesToRest_data();
    void comesToRest();
};

namespace {

QLabel* content(int height)
{
    auto* label = new QLabel(QStringLiteral("dashboard"));
    label->setFixedSize(260, height);
    return label;
}

} // namespace

void TestDashboardPopup::fitsContent_data()
{
    QTest::addColumn<int>("contentHeight");
    QTest::addColumn<int>("height");

    QTest::newRow("short") << 120 << 120;
    QTest::newRow("usual") << 300 << 300;
    QTest::newRow("limit") << 500 << 500;
    QTest::newRow("too tall") << 800 << 500;
}

void TestDashboardPopup::fitsContent()
{
    QFETCH(int, contentHeight);
    DashboardPopup popup(content(contentHeight));
    popup.toggle(QRect(100, 5, 1, 1));
    QCOMPARE(popup.width(), 260);
    QTEST(popup.height(), "height");
}

void TestDashboardPopup::toggles()
{
    QLabel* label = content(200);
    DashboardPopup popup(label);
    QVERIFY(!popup.isVisible());

    popup.toggle(QRect(400, 5, 1, 1));
    QVERIFY(popup.isVisible());
    QTRY_VERIFY(popup.isActiveWindow());

    popup.toggle(QRect(400, 5, 1, 1));
    QVERIFY(!popup.isVisible());

    // Content that grows is followed up to the limit.
    label->setFixedHeight(350);
    popup.toggle(QRect());
    QVERIFY(popup.isVisible());
    QCOMPARE(popup.height(), 350);
}

void TestDashboardPopup::closesOnFocusLoss_data()
{
    QTest::addColumn<int>("guardMs");
    QTest::addColumn<bool>("reopens");

    // The tray click that took the focus away arrives right after: it must not reopen.
    QTest::newRow("click that closed it") << 60000 << false;
    QTest::newRow("a later click") << 0 << true;
}

void TestDashboardPopup::closesOnFocusLoss()
{
    QFETCH(int, guardMs);
    DashboardPopup popup(content(200), guardMs);
    popup.toggle(QRect(400, 5, 1, 1));
    QTRY_VERIFY(popup.isActiveWindow());

    QWidget elsewhere;
    elsewhere.show();
    elsewhere.activateWindow();
    QTRY_VERIFY(!popup.isVisible());

    popup.toggle(QRect(400, 5, 1, 1));
    QTEST(popup.isVisible(), "reopens");
    if (guardMs) {
        // Only that one activation is swallowed.
        popup.toggle(QRect(400, 5, 1, 1));
        QVERIFY(popup.isVisible());
    }
}

void TestDashboardPopup::escapeCloses()
{
    DashboardPopup popup(content(200));
    popup.toggle(QRect(400, 5, 1, 1));
    QTRY_VERIFY(popup.isActiveWindow());
    QTest::keyClick(&popup, Qt::Key_Escape);
    QVERIFY(!popup.isVisible());
}

namespace {

enum class Change { snapshotWhileClosed, opusRowWhileClosed, errorLineWhileOpen };

QByteArray usageWithOpus()
{
    QByteArray body = ServiceBodies::usage();
    return body.replace(
        R"("seven_day_opus": null)",
        R"("seven_day_opus": {"utilization": 12, "resets_at": "2026-02-12T08:00:00+00:00"})");
}

// The dashboard as the user sees it: every row at its own height, all of it inside the
// window, the window on the screen's free area, at the tray item and off it. Where exactly
// is popupGeometry's rule (tst_popup_placement).
void checkFits(const DashboardPopup& popup, const DashboardView& view, const QRect& anchor)
{
    const auto* block = qobject_cast<UsageBlock*>(view.contentWidget());
    QVERIFY(block);
    QVERIFY(!block->rows().isEmpty());
    for (const UsageRowWidget* row : block->rows()) {
        QVERIFY(row->isVisible());
        QCOMPARE(row->height(), row->sizeHint().height());
    }
    QCOMPARE(popup.height(), view.sizeHint().height());
    QCOMPARE(view.height(), popup.height());
    const QRect available = popup.screen()->availableGeometry();
    QVERIFY2(available.contains(popup.geometry()), "off the free area of the screen");
    QVERIFY2(!popup.geometry().intersects(anchor), "over the tray item");
    QVERIFY2(qAbs(popup.geometry().center().x() - anchor.center().x()) <= 1, "not at the item");
}

} // namespace

Q_DECLARE_METATYPE(Change)

void TestDashboardPopup::holdsTheDashboardAboveABottomPanel_data()
{
    QTest::addColumn<Change>("change");
    QTest::addColumn<int>("rows");
    QTest::newRow("snapshot while closed") << Change::snapshotWhileClosed << 3;
    QTest::newRow("opus row comes while closed") << Change::opusRowWhileClosed << 4;
    QTest::newRow("error line comes while open") << Change::errorLineWhileOpen << 3;
}

void TestDashboardPopup::holdsTheDashboardAboveABottomPanel()
{
    QFETCH(Change, change);
    QFETCH(int, rows);

    ServiceFixture fixture;
    fixture.serveHappyPath();
    const std::unique_ptr<UsageAccounts> accounts = fixture.makeAccounts();
    UsageService* const service = &accounts->first();
    auto* view = new DashboardView(*accounts);
    DashboardPopup popup(view);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QRect anchor(screen.center().x(), screen.bottom() - 12, 1, 1);

    if (change == Change::opusRowWhileClosed) {
        QVERIFY(fixture.fetchAndWait(*service));
        popup.toggle(anchor);
        popup.toggle(anchor);
        fixture.server.on(ServiceFixture::usagePath, ServiceBodies::json(usageWithOpus()));
    }
    QVERIFY(fixture.fetchAndWait(*service));
    popup.toggle(anchor);
    QVERIFY(popup.isVisible());
    checkFits(popup, *view, anchor);
    if (change == Change::errorLineWhileOpen) {
        const int before = popup.height();
        fixture.server.on(ServiceFixture::usagePath, ServiceBodies::json("{}", 503));
        QVERIFY(fixture.fetchAndWait(*service));
        QVERIFY(view->errorLine()->isVisible());
        QTRY_VERIFY(popup.height() > before);
    }
    QTest::qWait(50);
    checkFits(popup, *view, anchor);
    QCOMPARE(qobject_cast<UsageBlock*>(view->contentWidget())->rows().size(), rows);
}

namespace {

class LayoutRequestCounter : public QObject {
public:
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::LayoutRequest)
            ++count;
        return false;
    }
};

} // namespace

// Fitting the content asks for no layout of its own: once measured, the popup waits for
// the next change instead of spinning the event loop, shown or not.
void TestDashboardPopup::comesToRest_data()
{
    QTest::addColumn<bool>("shown");
    QTest::newRow("closed") << false;
    QTest::newRow("open") << true;
}

void TestDashboardPopup::comesToRest()
{
    QFETCH(bool, shown);

    ServiceFixture fixture;
    fixture.serveHappyPath();
    const std::unique_ptr<UsageAccounts> accounts = fixture.makeAccounts();
    QVERIFY(fixture.fetchAndWait(accounts->first()));
    DashboardPopup popup(new DashboardView(*accounts));
    if (shown)
        popup.toggle(QRect(400, 5, 1, 1));
    QTest::qWait(200);
    LayoutRequestCounter counter;
    popup.installEventFilter(&counter);
    QTest::qWait(300);
    QCOMPARE(counter.count, 0);
}

QTEST_MAIN(TestDashboardPopup)
#include "tst_dashboard_popup.moc"
