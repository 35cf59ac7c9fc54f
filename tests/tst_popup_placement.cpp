#include "app/popup_placement.h"

#include <QTest>

class TestPopupPlacement : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void placement_data();
    void placement();
};

void TestPopupPlacement::placement_data()
{
    QTest::addColumn<QRect>("anchor");
    QTest::addColumn<QRect>("screen");
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QRect>("expected");

    const QRect hd(0, 0, 1920, 1080);
    const QRect belowTopPanel(0, 28, 1920, 1052);
    const QRect aboveBottomPanel(0, 0, 1920, 1040);
    const QRect right(1920, 0, 1280, 1024);

    // A 260x300 dashboard throughout.
    QTest::newRow("top panel, middle")
        << QRect(900, 10, 1, 1) << hd << belowTopPanel << QRect(770, 28, 260, 300);
    QTest::newRow("icon rect below")
        << QRect(1000, 2, 24, 24) << hd << belowTopPanel << QRect(881, 30, 260, 300);
    QTest::newRow("top right corner")
        << QRect(1915, 10, 1, 1) << hd << belowTopPanel << QRect(1660, 28, 260, 300);
    QTest::newRow("top left corner")
        << QRect(3, 10, 1, 1) << hd << belowTopPanel << QRect(0, 28, 260, 300);
    QTest::newRow("bottom panel") << QRect(1800, 1060, 1, 1) << hd << aboveBottomPanel
                                  << QRect(1660, 740, 260, 300);
    QTest::newRow("icon rect above")
        << QRect(500, 1044, 32, 32) << hd << aboveBottomPanel << QRect(385, 740, 260, 300);
    QTest::newRow("exact middle counts as lower")
        << QRect(900, 540, 1, 1) << hd << hd << QRect(770, 236, 260, 300);
    QTest::newRow("just above middle")
        << QRect(900, 539, 1, 1) << hd << hd << QRect(770, 544, 260, 300);
    QTest::newRow("second screen, top")
        << QRect(3100, 5, 1, 1) << right << right << QRect(2940, 10, 260, 300);
    QTest::newRow("second screen, left edge")
        << QRect(1925, 1000, 1, 1) << right << right << QRect(1920, 696, 260, 300);
    QTest::newRow("side panel, low click")
        << QRect(5, 900, 1, 1) << hd << QRect(40, 0, 1880, 1080) << QRect(40, 596, 260, 300);
    QTest::newRow("screen too small keeps the top")
        << QRect(100, 10, 1, 1) << QRect(0, 0, 200, 250) << QRect(0, 0, 200, 250)
        << QRect(0, 0, 260, 300);
}

void TestPopupPlacement::placement()
{
    QFETCH(QRect, anchor);
    QFETCH(QRect, screen);
    QFETCH(QRect, available);
    QTEST(popupGeometry(anchor, QSize(260, 300), screen, available), "expected");
}

QTEST_GUILESS_MAIN(TestPopupPlacement)
#include "tst_popup_placement.moc"
