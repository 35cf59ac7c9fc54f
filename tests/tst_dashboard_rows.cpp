#include "views/dashboard/usage_row_widget.h"
#include "views/widgets/claude_colors.h"
#include "views/widgets/menu_button.h"

#include <QApplication>
#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <QTimeZone>

#include <cmath>

// The usage row and the menu row as a user sees them: drawn into an image and driven
// with the pointer and the keyboard.
class TestDashboardRows : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void barFill_data();
    void barFill();
    void longResetTextStaysInTheRow();
    void menuRowHoverChangesOnlyTheBackground_data();
    void menuRowHoverChangesOnlyTheBackground();
    void menuRowWholeWidthIsTheHitArea();
    void menuRowKeys_data();
    void menuRowKeys();
};

namespace {

QImage renderWidget(QWidget& widget)
{
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

// The colour at a point, compared loosely: the bar is antialiased at its ends.
bool near(const QColor& a, const QColor& b)
{
    return qAbs(a.red() - b.red()) <= 3 && qAbs(a.green() - b.green()) <= 3 &&
           qAbs(a.blue() - b.blue()) <= 3;
}

void sendMouseMove(QWidget* widget, const QPoint& at)
{
    QEnterEvent enter(at, widget->mapTo(widget->window(), at), widget->mapToGlobal(at));
    QApplication::sendEvent(widget, &enter);
}

} // namespace

void TestDashboardRows::initTestCase()
{
    QApplication::setStyle(QStringLiteral("Fusion"));
    QPalette palette = QApplication::palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    QApplication::setPalette(palette);
}

void TestDashboardRows::barFill_data()
{
    QTest::addColumn<double>("percentage");
    QTest::addColumn<qreal>("share");
    QTest::addColumn<QColor>("colour");

    // One figure in each severity's colour; where the severities begin is the vocabulary's
    // rule (tst_usage_window).
    QTest::newRow("0") << 0.0 << 0.0 << ClaudeColors::claudeTan();
    QTest::newRow("42") << 42.0 << 0.42 << ClaudeColors::claudeTan();
    QTest::newRow("75") << 75.0 << 0.75 << ClaudeColors::claudeWarning();
    QTest::newRow("150") << 150.0 << 1.0 << ClaudeColors::claudeCritical();
    QTest::newRow("-5") << -5.0 << 0.0 << ClaudeColors::claudeTan();
    QTest::newRow("NaN") << std::nan("") << 0.0 << ClaudeColors::claudeTan();
}

void TestDashboardRows::barFill()
{
    QFETCH(double, percentage);
    QFETCH(qreal, share);
    QFETCH(QColor, colour);

    const QDateTime reset(QDate(2026, 12, 8), QTime(15, 5), QTimeZone::utc());
    UsageRowWidget row(UsageRow{{UsageWindows::known().first(), percentage, reset, {}, {}}});
    row.resize(260, row.sizeHint().height());
    QCOMPARE(row.accessibleName(), QStringLiteral("Session (5 hour), %1, 3:05 PM")
                                       .arg(UsageWindows::rowPercentText(percentage)));
    const QRectF track = row.trackRect();
    const QRectF fill = row.fillRect();
    QVERIFY(track.width() > 100);
    QCOMPARE(fill.left(), track.left());
    QVERIFY(qAbs(fill.width() - track.width() * share) < 0.01);
    QVERIFY(fill.right() <= track.right());

    const QImage image = renderWidget(row);
    const int y = qFloor(track.center().y());
    const QColor trackColour = QColor::fromRgbF(0.9f, 0.9f, 0.9f); // black at 0.1 on white
    if (share > 0.05)
        QVERIFY(near(image.pixelColor(qRound(fill.left() + 3), y), colour));
    if (share < 0.95)
        QVERIFY(near(image.pixelColor(qRound(track.right() - 3), y), trackColour));
    // Nothing of the bar outside the track.
    QVERIFY(near(image.pixelColor(qRound(track.right() + 3), y), Qt::white));
}

void TestDashboardRows::longResetTextStaysInTheRow()
{
    UsageRowWidget row(
        UsageRow{{UsageWindows::known().at(1),
                  38,
                  {},
                  QStringLiteral("a reset text far longer than the row could ever hold"),
                  {}}});
    row.resize(260, row.sizeHint().height());
    // The bar keeps more than half of the free width, and the text a line of its own.
    QVERIFY(row.trackRect().width() > 80);
    QVERIFY(row.trackRect().right() < 260 - 14);
    const UsageRowWidget timed(UsageRow{{UsageWindows::known().at(1), 38, {}, {}, {}}});
    QVERIFY(row.sizeHint().height() > timed.sizeHint().height());
}

void TestDashboardRows::menuRowHoverChangesOnlyTheBackground_data()
{
    QTest::addColumn<bool>("destructive");
    QTest::newRow("plain") << false;
    QTest::newRow("destructive") << true;
}

void TestDashboardRows::menuRowHoverChangesOnlyTheBackground()
{
    QFETCH(bool, destructive);

    MenuButton button(QStringLiteral("power"), QStringLiteral("Quit"), destructive);
    button.resize(260, button.sizeHint().height());
    const QColor icon = button.iconColor();
    const QColor title = button.titleColor();
    QCOMPARE(button.backgroundColor().alpha(), 0);
    if (destructive) {
        QCOMPARE(icon, ClaudeColors::destructive());
        QCOMPARE(title, ClaudeColors::destructive());
    } else {
        QCOMPARE(title, QColor(Qt::black));
    }

    sendMouseMove(&button, QPoint(250, 5));
    QVERIFY(button.isHovered());
    QCOMPARE(button.iconColor(), icon);
    QCOMPARE(button.titleColor(), title);
    QVERIFY(qAbs(button.backgroundColor().alphaF() - 0.08f) < 0.002f);
    // The hover background covers the row's empty right part too.
    const QImage image = renderWidget(button);
    QVERIFY(!near(image.pixelColor(250, 2), Qt::white));

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&button, &leave);
    QVERIFY(!button.isHovered());
    QCOMPARE(button.backgroundColor().alpha(), 0);
    QVERIFY(near(renderWidget(button).pixelColor(250, 2), Qt::white));
}

void TestDashboardRows::menuRowWholeWidthIsTheHitArea()
{
    MenuButton button(QStringLiteral("gear"), QStringLiteral("Settings"), false);
    button.resize(260, button.sizeHint().height());
    QSignalSpy clicked(&button, &MenuButton::clicked);
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(255, button.height() / 2));
    QCOMPARE(clicked.size(), 1);
}

void TestDashboardRows::menuRowKeys_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("Space") << int(Qt::Key_Space);
    QTest::newRow("Return") << int(Qt::Key_Return);
    QTest::newRow("Enter") << int(Qt::Key_Enter);
}

void TestDashboardRows::menuRowKeys()
{
    QFETCH(int, key);
    MenuButton button(QStringLiteral("gear"), QStringLiteral("Settings"), false);
    QCOMPARE(button.focusPolicy(), Qt::StrongFocus);
    QSignalSpy clicked(&button, &MenuButton::clicked);
    QTest::keyClick(&button, Qt::Key(key));
    QCOMPARE(clicked.size(), 1);
}

QTEST_MAIN(TestDashboardRows)
#include "tst_dashboard_rows.moc"
