#include "app/platform/sni_pixmap.h"
#include "app/platform/tray_icon_art.h"

#include <QTest>

class TestSniPixmap : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pack_data();
    void pack();
    void layout();
    void canvasSizes();
    void tint_data();
    void tint();
    void figureShrinksTheSymbol();
};

void TestSniPixmap::pack_data()
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

void TestSniPixmap::pack()
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

void TestSniPixmap::layout()
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

void TestSniPixmap::canvasSizes()
{
    QCOMPARE(TrayIconArt::canvasSizes(), (QList<int>{16, 22, 24, 32, 44, 48, 64, 96}));
    for (const QImage& image : TrayIconArt::renderAll(TrayIcon())) {
        const SniPixmap packed = sniPixmap(image);
        QCOMPARE(packed.bytes.size(), 4 * packed.width * packed.height);
        QVERIFY(TrayIconArt::canvasSizes().contains(packed.width));
    }
}

void TestSniPixmap::tint_data()
{
    QTest::addColumn<int>("canvas");
    QTest::addColumn<bool>("besideLabel");
    QTest::newRow("16 bare") << 16 << false;
    QTest::newRow("22 beside a label") << 22 << true;
    QTest::newRow("96 bare") << 96 << false;
}

void TestSniPixmap::tint()
{
    QFETCH(int, canvas);
    QFETCH(bool, besideLabel);

    TrayIcon sparkle;
    sparkle.besideLabel = besideLabel;
    const QImage image = TrayIconArt::render(sparkle, canvas);
    QCOMPARE(image.size(), QSize(canvas, canvas));
    int opaque = 0;
    for (int y = 0; y < canvas; ++y) {
        for (int x = 0; x < canvas; ++x) {
            const QColor colour = image.pixelColor(x, y);
            if (colour.alpha() < 255)
                continue;
            ++opaque;
            QVERIFY(qAbs(colour.red() - 217) <= 2);
            QVERIFY(qAbs(colour.green() - 173) <= 2);
            QVERIFY(qAbs(colour.blue() - 140) <= 2);
        }
    }
    QVERIFY(opaque > 0);
    // The symbol is centred and smaller than the canvas, so the corners stay empty.
    for (const QPoint corner : {QPoint(0, 0), QPoint(canvas - 1, 0), QPoint(0, canvas - 1),
                                QPoint(canvas - 1, canvas - 1)})
        QCOMPARE(image.pixelColor(corner).alpha(), 0);
}

void TestSniPixmap::figureShrinksTheSymbol()
{
    // Total ink: at 16 pixels both sizes can touch the same pixels, never with the same alpha.
    const auto coverage = [](const QImage& image) {
        int covered = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                covered += image.pixelColor(x, y).alpha();
        return covered;
    };
    TrayIcon besideLabel;
    besideLabel.besideLabel = true;
    for (int canvas : TrayIconArt::canvasSizes())
        QVERIFY(coverage(TrayIconArt::render(besideLabel, canvas)) <
                coverage(TrayIconArt::render(TrayIcon(), canvas)));
}

QTEST_MAIN(TestSniPixmap)
#include "tst_sni_pixmap.moc"
