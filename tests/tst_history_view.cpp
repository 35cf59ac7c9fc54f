#include "app/history_window_controller.h"
#include "history_fixture.h"
#include "service_fixture.h"
#include "services/history/history_store.h"
#include "views/history/history_chart_view.h"
#include "views/history/history_view.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

// The History window over a fixed day of real stored figures: a line per window in its
// colour and its resets marked, in light and dark; the read-out under the pointer; the
// export; and the one-window rule.
class TestHistoryView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void drawsEveryWindow_data();
    void drawsEveryWindow();
    void readsOutUnderThePointer();
    void exportsTheSpanShown();
    void exportSaysWhenTheReadFails();
    void oneWindowAtATime();
};

namespace {

struct Scene {
    Scene()
    {
        fixture.server.on(ServiceFixture::organizationsPath,
                          ServiceBodies::json(ServiceBodies::organizations()));
        fixture.server.on(ServiceFixture::usagePath,
                          ServiceBodies::json(HistoryFixture::usageBody()));
        accounts = fixture.makeAccounts();
        service = &accounts->first();
        fixture.fetchAndWait(*service);
        HistoryFixture::fill(store, service->usageData()->owner);
    }
    std::unique_ptr<HistoryView> view()
    {
        auto view =
            std::make_unique<HistoryView>(store, *accounts, [] { return HistoryFixture::now; });
        view->resize(HistoryView::viewWidth, HistoryView::viewHeight);
        view->show();
        return view;
    }

    ServiceFixture fixture;
    std::unique_ptr<UsageAccounts> accounts;
    UsageService* service = nullptr;
    QTemporaryDir dir;
    HistoryStore store{dir.filePath(QStringLiteral("history.sqlite"))};
};

QPalette paletteOf(const QString& theme)
{
    QPalette palette = QApplication::palette();
    const bool dark = theme == QLatin1String("dark");
    palette.setColor(QPalette::Window, dark ? QColor(0x2a, 0x2a, 0x2c) : QColor(0xf3, 0xf1, 0xee));
    palette.setColor(QPalette::WindowText,
                     dark ? QColor(0xf2, 0xf2, 0xf4) : QColor(0x1d, 0x1d, 0x1f));
    return palette;
}

double luminance(const QColor& color)
{
    auto linear = [](double c) {
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(color.redF()) + 0.7152 * linear(color.greenF()) +
           0.0722 * linear(color.blueF());
}

double contrast(const QColor& a, const QColor& b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Whether a pixel within reach of the point has the colour (antialiasing and dashes
// move it a little).
bool drawnNear(const QImage& image, QPointF at, const QColor& color, int reach = 3)
{
    for (int dx = -reach; dx <= reach; ++dx) {
        for (int dy = -reach; dy <= reach; ++dy) {
            const QPoint p = at.toPoint() + QPoint(dx, dy);
            if (!image.rect().contains(p))
                continue;
            const QColor pixel = image.pixelColor(p);
            if (std::abs(pixel.red() - color.red()) + std::abs(pixel.green() - color.green()) +
                    std::abs(pixel.blue() - color.blue()) <
                36)
                return true;
        }
    }
    return false;
}

QColor blend(const QColor& over, double alpha, const QColor& under)
{
    return QColor::fromRgbF(float(over.redF() * alpha + under.redF() * (1 - alpha)),
                            float(over.greenF() * alpha + under.greenF() * (1 - alpha)),
                            float(over.blueF() * alpha + under.blueF() * (1 - alpha)));
}

} // namespace

void TestHistoryView::drawsEveryWindow_data()
{
    QTest::addColumn<QString>("theme");
    QTest::newRow("light") << QStringLiteral("light");
    QTest::newRow("dark") << QStringLiteral("dark");
}

void TestHistoryView::drawsEveryWindow()
{
    QFETCH(QString, theme);
    QApplication::setPalette(paletteOf(theme));
    Scene scene;
    const auto view = scene.view();
    HistoryChartView* chart = view->chartView();
    const QImage image = chart->grab().toImage();
    const QColor background =
        image.pixelColor(chart->plotArea().topLeft().toPoint() + QPoint(3, 3));
    QCOMPARE(background, chart->palette().color(QPalette::Window));

    const ChartData& data = chart->chart();
    QCOMPARE(data.lines.size(), 3);
    QStringList titles;
    for (int i = 0; i < data.lines.size(); ++i) {
        const ChartLine& line = data.lines.at(i);
        const QColor color = chart->lineColor(i);
        titles << line.kind.title;
        QVERIFY2(contrast(color, background) >= 3, qPrintable(line.kind.title));
        QVERIFY(view->legend()->text().contains(color.name()));
        // Early, middle and last points are drawn in the window's colour.
        for (qsizetype at :
             {line.points.size() / 8, line.points.size() / 2, line.points.size() - 1}) {
            const HistoryPoint& point = line.points.at(at);
            QVERIFY2(drawnNear(image, chart->positionOf(point.at, point.percent), color),
                     qPrintable(line.kind.title + QLatin1Char(' ') + point.at.toString()));
        }
        // Each reset inside the chart is a mark the height of the plot, half way up
        // where no line runs.
        for (const QDateTime& reset : line.resets) {
            const QPointF foot = chart->positionOf(reset, data.top * 0.9);
            if (foot.x() < chart->plotArea().left() + 3 || foot.x() > chart->plotArea().right() - 3)
                continue;
            QVERIFY2(drawnNear(image, foot, blend(color, 0.6, background)),
                     qPrintable(line.kind.title + QStringLiteral(" reset ") + reset.toString()));
        }
        // The pace carried on to the reset, drawn half way there.
        QVERIFY(line.projection);
        const QPointF from = chart->positionOf(line.points.last().at, line.points.last().percent);
        const QPointF to = chart->positionOf(line.projection->at, line.projection->percent);
        if (to.x() <= chart->plotArea().right())
            QVERIFY2(drawnNear(image, (from + to) / 2, color, 4), qPrintable(line.kind.title));
    }
    QCOMPARE(titles, (QStringList{QStringLiteral("Session"), QStringLiteral("Weekly"),
                                  QStringLiteral("Sonnet")}));
    // The session's resets of the last day, the coming one included.
    QCOMPARE(data.lines.first().resets.size(), 6);

    // Its own period only: from the last reset to the next.
    view->spanButton(HistorySpan::sessionWindow)->click();
    QCOMPARE(chart->chart().from, HistoryFixture::sessionReset.addSecs(-5 * 3600));
    QCOMPARE(chart->chart().to, HistoryFixture::sessionReset);
    QCOMPARE(chart->chart().lines.first().points.size(), 24);
    QApplication::setPalette(QPalette());
}

void TestHistoryView::readsOutUnderThePointer()
{
    Scene scene;
    const auto view = scene.view();
    HistoryChartView* chart = view->chartView();
    auto moveTo = [chart](QPointF at) {
        QMouseEvent move(QEvent::MouseMove, at, chart->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(chart, &move);
    };
    const ChartLine& weekly = chart->chart().lines.at(1);
    const HistoryPoint& last = weekly.points.last();
    moveTo(chart->positionOf(last.at, last.percent) + QPointF(3, -2));
    QCOMPARE(chart->hoverText(), QStringLiteral("Weekly 38% · Mon 12:00 PM"));
    moveTo(chart->plotArea().topLeft() + QPointF(5, 5));
    QCOMPARE(chart->hoverText(), QString());
}

void TestHistoryView::exportsTheSpanShown()
{
    Scene scene;
    const auto view = scene.view();
    const QString path = scene.dir.filePath(QStringLiteral("export.csv"));
    QString suggested;
    view->setSaveChooser([&](QWidget*, const QString& name) {
        suggested = name;
        return path;
    });
    view->spanButton(HistorySpan::sessionWindow)->click();
    view->exportButton()->click();

    QVERIFY(suggested.endsWith(QStringLiteral("gaugery-history-2026-02-09.csv")));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.first(), QByteArray("time,window,utilization,resets_at"));
    // Three windows at 24 snapshots since the session's last reset, and the final newline.
    QCOMPARE(lines.size(), 1 + 24 * 3 + 1);
    QCOMPARE(lines.at(1), QByteArray("2026-02-09T10:05:00Z,session,0,2026-02-09T15:05:00Z"));
    QCOMPARE(view->exportStatus()->text(), QStringLiteral("Saved export.csv"));
}

void TestHistoryView::exportSaysWhenTheReadFails()
{
    Scene scene;
    const QString damaged = scene.dir.filePath(QStringLiteral("damaged.sqlite"));
    {
        HistoryStore filled(damaged);
        HistoryFixture::fill(filled, scene.service->usageData()->owner);
    }
    QVERIFY(HistoryFixture::damageLastPage(damaged));
    HistoryStore store(damaged);
    HistoryView view(store, *scene.accounts, [] { return HistoryFixture::now; });
    const QString path = scene.dir.filePath(QStringLiteral("export.csv"));
    view.setSaveChooser([&](QWidget*, const QString&) { return path; });
    view.exportButton()->click();
    QVERIFY2(view.exportStatus()->text().startsWith(QLatin1String("Could not read the history: ")),
             qPrintable(view.exportStatus()->text()));
    QVERIFY(!QFile::exists(path));
}

void TestHistoryView::oneWindowAtATime()
{
    Scene scene;
    HistoryWindowController controller;
    controller.setStore(scene.store);
    controller.show(*scene.accounts);
    QPointer<QWidget> first = controller.window();
    QVERIFY(first && first->isVisible());
    QCOMPARE(first->windowTitle(), QStringLiteral("Gaugery History"));
    QCOMPARE(first->size(), QSize(HistoryView::viewWidth, HistoryView::viewHeight));
    controller.show(*scene.accounts);
    QCOMPARE(controller.window(), first.data());

    first->close();
    QVERIFY(!controller.window());
    QTRY_VERIFY(first.isNull());
    controller.show(*scene.accounts);
    QVERIFY(controller.window());
}

QTEST_MAIN(TestHistoryView)
#include "tst_history_view.moc"
