#include "app/popover.h"
#include "service_fixture.h"
#include "views/menu_bar_view.h"
#include "views/usage_block.h"
#include "views/usage_row_native.h"

#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QTest>

// Offscreen: the popover's open and close rules, without a tray.
class TestPopover : public QObject {
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
};

namespace {

QLabel* content(int height)
{
    auto* label = new QLabel(QStringLiteral("dashboard"));
    label->setFixedSize(260, height);
    return label;
}

} // namespace

void TestPopover::fitsContent_data()
{
    QTest::addColumn<int>("contentHeight");
    QTest::addColumn<int>("height");

    QTest::newRow("short") << 120 << 120;
    QTest::newRow("usual") << 300 << 300;
    QTest::newRow("limit") << 500 << 500;
    QTest::newRow("too tall") << 800 << 500;
}

void TestPopover::fitsContent()
{
    QFETCH(int, contentHeight);
    Popover popover(content(contentHeight));
    popover.toggle(QRect(100, 5, 1, 1));
    QCOMPARE(popover.width(), 260);
    QTEST(popover.height(), "height");
}

void TestPopover::toggles()
{
    QLabel* label = content(200);
    Popover popover(label);
    QVERIFY(!popover.isVisible());

    popover.toggle(QRect(400, 5, 1, 1));
    QVERIFY(popover.isVisible());
    // Opened below a click near the top of the screen.
    QVERIFY(popover.geometry().top() > 5);
    QTRY_VERIFY(popover.isActiveWindow());

    popover.toggle(QRect(400, 5, 1, 1));
    QVERIFY(!popover.isVisible());

    // Content that grows is followed up to the limit.
    label->setFixedHeight(350);
    popover.toggle(QRect());
    QVERIFY(popover.isVisible());
    QCOMPARE(popover.height(), 350);
}

void TestPopover::closesOnFocusLoss_data()
{
    QTest::addColumn<int>("guardMs");
    QTest::addColumn<bool>("reopens");

    // The tray click that took the focus away arrives right after: it must not reopen.
    QTest::newRow("click that closed it") << 60000 << false;
    QTest::newRow("a later click") << 0 << true;
}

void TestPopover::closesOnFocusLoss()
{
    QFETCH(int, guardMs);
    Popover popover(content(200), guardMs);
    popover.toggle(QRect(400, 5, 1, 1));
    QTRY_VERIFY(popover.isActiveWindow());

    QWidget elsewhere;
    elsewhere.show();
    elsewhere.activateWindow();
    QTRY_VERIFY(!popover.isVisible());

    popover.toggle(QRect(400, 5, 1, 1));
    QTEST(popover.isVisible(), "reopens");
    if (guardMs) {
        // Only that one activation is swallowed.
        popover.toggle(QRect(400, 5, 1, 1));
        QVERIFY(popover.isVisible());
    }
}

void TestPopover::escapeCloses()
{
    Popover popover(content(200));
    popover.toggle(QRect(400, 5, 1, 1));
    QTRY_VERIFY(popover.isActiveWindow());
    QTest::keyClick(&popover, Qt::Key_Escape);
    QVERIFY(!popover.isVisible());
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
// window, the window on the screen's free area and off the tray item.
void checkFits(const Popover& popover, const MenuBarView& view, const QRect& anchor)
{
    const auto* block = qobject_cast<UsageBlock*>(view.contentWidget());
    QVERIFY(block);
    QVERIFY(!block->rows().isEmpty());
    for (const UsageRowNative* row : block->rows()) {
        QVERIFY(row->isVisible());
        QCOMPARE(row->height(), row->sizeHint().height());
    }
    QCOMPARE(popover.height(), view.sizeHint().height());
    QCOMPARE(view.height(), popover.height());
    const QRect available = popover.screen()->availableGeometry();
    QVERIFY2(available.contains(popover.geometry()), "off the free area of the screen");
    QVERIFY2(!popover.geometry().intersects(anchor), "over the tray item");
}

} // namespace

Q_DECLARE_METATYPE(Change)

void TestPopover::holdsTheDashboardAboveABottomPanel_data()
{
    QTest::addColumn<Change>("change");
    QTest::addColumn<int>("rows");
    QTest::newRow("snapshot while closed") << Change::snapshotWhileClosed << 3;
    QTest::newRow("opus row comes while closed") << Change::opusRowWhileClosed << 4;
    QTest::newRow("error line comes while open") << Change::errorLineWhileOpen << 3;
}

void TestPopover::holdsTheDashboardAboveABottomPanel()
{
    QFETCH(Change, change);
    QFETCH(int, rows);

    ServiceFixture fixture;
    fixture.serveHappyPath();
    const std::unique_ptr<UsageService> service = fixture.makeService();
    auto* view = new MenuBarView(*service);
    Popover popover(view);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QRect anchor(screen.center().x(), screen.bottom() - 12, 1, 1);

    if (change == Change::opusRowWhileClosed) {
        QVERIFY(fixture.fetchAndWait(*service));
        popover.toggle(anchor);
        popover.toggle(anchor);
        fixture.server.on(ServiceFixture::usagePath, ServiceBodies::json(usageWithOpus()));
    }
    QVERIFY(fixture.fetchAndWait(*service));
    popover.toggle(anchor);
    QVERIFY(popover.isVisible());
    checkFits(popover, *view, anchor);
    if (change == Change::errorLineWhileOpen) {
        const int before = popover.height();
        fixture.server.on(ServiceFixture::usagePath, ServiceBodies::json("{}", 503));
        QVERIFY(fixture.fetchAndWait(*service));
        QVERIFY(view->errorLine()->isVisible());
        QTRY_VERIFY(popover.height() > before);
    }
    QTest::qWait(50);
    checkFits(popover, *view, anchor);
    QCOMPARE(qobject_cast<UsageBlock*>(view->contentWidget())->rows().size(), rows);
}

QTEST_MAIN(TestPopover)
#include "tst_popover.moc"
