#include "app/platform/sni_pixmap.h"
#include "app/platform/tray_icon_art.h"
#include "views/widgets/claude_colors.h"

#include <QTest>
#include <QtMath>

Q_DECLARE_METATYPE(TrayIcon)

// The tray icon drawn at every size a host asks for, and packed into the pixmaps the
// StatusNotifierItem sends.
class TestTrayIconArt : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pack_data();
    void pack();
    void layout();
    // Every style at every canvas size.
    void art_data();
    void art();
};

void TestTrayIconArt::pack_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<uint>("pixel");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("straight alpha")
        << int(QImage::Format_ARGB32) << 0x11223344u << QByteArray::fromHex("11223344");
    QTest::newRow("opaque") << int(QImage::Format_ARGB32) << 0xffd9ad8cu
                            << QByteArray::fromHex("ffd9ad8c");
    QTest::newRow("transparent") << int(QImage::Format_ARGB32) << 0x00000000u
                                 << QByteArray::fromHex("00000000");
    QTest::newRow("premultiplied is un-premultiplied")
        << int(QImage::Format_ARGB32_Premultiplied)
        << uint(qPremultiply(qRgba(0x80, 0x40, 0xc0, 0x80))) << QByteArray::fromHex("808040c0");
    QTest::newRow("no alpha channel")
        << int(QImage::Format_RGB32) << 0xff102030u << QByteArray::fromHex("ff102030");
}

void TestTrayIconArt::pack()
{
    QFETCH(int, format);
    QFETCH(uint, pixel);
    QFETCH(QByteArray, bytes);

    QImage image(1, 1, QImage::Format(format));
    image.setPixel(0, 0, pixel);
    const SniPixmap packed = sniPixmap(image);
    QCOMPARE(packed.width, 1);
    QCOMPARE(packed.height, 1);
    QCOMPARE(packed.bytes.size(), 4);
    // Un-premultiplying rounds; one step either way is the same colour.
    for (int i = 0; i < 4; ++i)
        QVERIFY2(qAbs(quint8(packed.bytes[i]) - quint8(bytes[i])) <= 1,
                 qPrintable(QStringLiteral("byte %1: %2")
                                .arg(i)
                                .arg(QString::fromLatin1(packed.bytes.toHex()))));
}

void TestTrayIconArt::layout()
{
    // Rows top to bottom, pixels left to right, no row padding.
    QImage image(3, 2, QImage::Format_ARGB32);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            image.setPixel(x, y, qRgba(x, y, 0x7f, 0xff));
    const SniPixmap packed = sniPixmap(image);
    QCOMPARE(packed.width, 3);
    QCOMPARE(packed.height, 2);
    QCOMPARE(packed.bytes,
             QByteArray::fromHex("ff00007f ff01007f ff02007f ff00017f ff01017f ff02017f"));
}

namespace {

struct Ink {
    QRect bounds;
    int coverage = 0; // summed alpha
};

Ink inkOf(const QImage& image)
{
    Ink ink;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const int alpha = image.pixelColor(x, y).alpha();
            ink.coverage += alpha;
            if (alpha > 0)
                ink.bounds |= QRect(x, y, 1, 1);
        }
    }
    return ink;
}

bool near(const QColor& a, const QColor& b)
{
    return a.alpha() == 255 && qAbs(a.red() - b.red()) <= 3 && qAbs(a.green() - b.green()) <= 3 &&
           qAbs(a.blue() - b.blue()) <= 3;
}

int pixelsOf(const QImage& image, const QColor& colour)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += near(image.pixelColor(x, y), colour);
    return count;
}

// Separate stretches of a colour along one row: strokes of the digits that cross it.
int runsOf(const QImage& image, int y, const QColor& colour)
{
    int runs = 0;
    bool inside = false;
    for (int x = 0; x < image.width(); ++x) {
        const bool hit = near(image.pixelColor(x, y), colour);
        runs += hit && !inside;
        inside = hit;
    }
    return runs;
}

TrayIcon figure(const QString& text, Severity severity)
{
    TrayIcon icon;
    icon.kind = TrayIcon::Kind::figure;
    icon.figure = text;
    icon.severity = severity;
    return icon;
}

TrayIcon gauge(double session, Severity sessionSeverity, double weekly, Severity weeklySeverity)
{
    TrayIcon icon;
    icon.kind = TrayIcon::Kind::gauge;
    icon.gauges = {{session, sessionSeverity}, {weekly, weeklySeverity}};
    return icon;
}

} // namespace

void TestTrayIconArt::art_data()
{
    QTest::addColumn<TrayIcon>("icon");
    QTest::addColumn<int>("canvas");
    // Every size a host or an XEmbed tray asks for, and their doubles for HiDPI.
    for (int size : {16, 22, 24, 32, 44, 48, 64})
        QVERIFY(TrayIconArt::canvasSizes().contains(size));

    TrayIcon besideLabel;
    besideLabel.besideLabel = true;
    const QList<QPair<const char*, TrayIcon>> icons{
        {"sparkle", TrayIcon()},
        {"sparkle beside a label", besideLabel},
        {"42 normal", figure(QStringLiteral("42"), Severity::normal)},
        {"75 warning", figure(QStringLiteral("75"), Severity::warning)},
        {"100 critical", figure(QStringLiteral("100"), Severity::critical)},
        {"gauge 42 normal, 95 critical", gauge(0.42, Severity::normal, 0.95, Severity::critical)},
        {"gauge 75 warning, 0 normal", gauge(0.75, Severity::warning, 0, Severity::normal)},
    };
    for (int canvas : TrayIconArt::canvasSizes())
        for (const auto& [name, icon] : icons)
            QTest::addRow("%s at %d", name, canvas) << icon << canvas;
}

void TestTrayIconArt::art()
{
    QFETCH(TrayIcon, icon);
    QFETCH(int, canvas);

    const QImage image = TrayIconArt::render(icon, canvas);
    QCOMPARE(image.size(), QSize(canvas, canvas));
    const Ink ink = inkOf(image);
    // Figures that are not current: the same drawing, faded to under half.
    TrayIcon faded = icon;
    faded.dimmed = true;
    const Ink dimmed = inkOf(TrayIconArt::render(faded, canvas));
    QVERIFY(dimmed.coverage > 0 && dimmed.coverage < ink.coverage / 2);
    QVERIFY(ink.bounds.contains(dimmed.bounds));
    const QList<QColor> severities{ClaudeColors::claudeTan(), ClaudeColors::claudeWarning(),
                                   ClaudeColors::claudeCritical()};
    // What is drawn in a severity colour (digits, bars, the sparkle) stays off the outermost
    // pixels, so nothing of it is cut; only an outline may reach them.
    for (int i = 0; i < canvas; ++i) {
        for (const QPoint edge :
             {QPoint(i, 0), QPoint(i, canvas - 1), QPoint(0, i), QPoint(canvas - 1, i)}) {
            for (const QColor& colour : severities)
                QVERIFY2(!near(image.pixelColor(edge), colour),
                         qPrintable(QStringLiteral("at %1,%2").arg(edge.x()).arg(edge.y())));
        }
    }

    switch (icon.kind) {
    case TrayIcon::Kind::sparkle: {
        // Solid tan wherever it is opaque; a little smaller beside a label.
        for (int y = 0; y < canvas; ++y)
            for (int x = 0; x < canvas; ++x)
                if (image.pixelColor(x, y).alpha() == 255)
                    QVERIFY(near(image.pixelColor(x, y), ClaudeColors::claudeTan()));
        TrayIcon other = icon;
        other.besideLabel = !icon.besideLabel;
        const int otherCoverage = inkOf(TrayIconArt::render(other, canvas)).coverage;
        QVERIFY(icon.besideLabel ? ink.coverage < otherCoverage : ink.coverage > otherCoverage);
        break;
    }
    case TrayIcon::Kind::figure: {
        // Tall enough to read, in the severity's colour and no other, every digit apart.
        const QColor colour = ClaudeColors::severityColor(icon.severity);
        QVERIFY2(ink.bounds.height() >= canvas * 0.7,
                 qPrintable(QString::number(ink.bounds.height())));
        QVERIFY(pixelsOf(image, colour) >= canvas * canvas / 12);
        for (const QColor& other : severities)
            if (other != colour)
                QCOMPARE(pixelsOf(image, other), 0);
        int most = 0;
        for (int y = ink.bounds.top(); y <= ink.bounds.bottom(); ++y)
            most = std::max(most, runsOf(image, y, colour));
        QVERIFY2(most >= icon.figure.size(), qPrintable(QString::number(most)));
        break;
    }
    case TrayIcon::Kind::gauge: {
        // Session on the left, weekly on the right: each filled from the bottom in its own
        // colour over a track that shows where it is empty.
        const qreal unit = canvas / 16.0;
        for (int bar = 0; bar < 2; ++bar) {
            const TrayIcon::Gauge& shown = icon.gauges[bar];
            const int x = qFloor((bar == 0 ? 4.5 : 11.5) * unit);
            const QColor bottom = image.pixelColor(x, qFloor(14 * unit) - 2);
            const QColor upper = image.pixelColor(x, qRound(4 * unit));
            const QColor track = shown.fraction > 0 ? upper : bottom;
            if (shown.fraction > 0)
                QVERIFY(near(bottom, ClaudeColors::severityColor(shown.severity)));
            QVERIFY(shown.fraction > 0.7 ||
                    !std::any_of(severities.cbegin(), severities.cend(),
                                 [&](const QColor& colour) { return near(track, colour); }));
            QVERIFY(shown.fraction > 0.7 || track.alpha() > 0);
        }
        break;
    }
    }
}

QTEST_MAIN(TestTrayIconArt)
#include "tst_tray_icon_art.moc"
