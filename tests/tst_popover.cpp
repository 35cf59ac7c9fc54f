#include "app/popover.h"

#include <QApplication>
#include <QLabel>
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

QTEST_MAIN(TestPopover)
#include "tst_popover.moc"
