#include "app/platform/x11_hotkey.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include <memory>
#include <set>

class TestX11Hotkey : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void grabModifiers();
    void shortcutPress_data();
    void shortcutPress();
    void fires_data();
    void fires();
    void ignored_data();
    void ignored();
    void firesWhileOwnWindowActive();

private:
    void xdotool(const QStringList& arguments);

    std::unique_ptr<GlobalHotkey> m_hotkey;
    std::unique_ptr<QSignalSpy> m_spy;
};

namespace {

// Counts the key releases that reach a window of ours.
class KeyWatcher : public QObject {
public:
    int releases = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::KeyRelease)
            ++releases;
        return false;
    }
};

QString run(const QString& program, const QStringList& arguments, bool* ok)
{
    QProcess process;
    process.start(program, arguments);
    *ok = process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit &&
          process.exitCode() == 0;
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

} // namespace

void TestX11Hotkey::initTestCase()
{
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    // The grab is for Mod4; make sure the private server puts Super there too.
    bool ok = false;
    const QString map = run(QStringLiteral("xmodmap"), {QStringLiteral("-pm")}, &ok);
    QVERIFY2(ok, "xmodmap -pm failed");
    const QString mod4 = map.split(QLatin1Char('\n'))
                             .filter(QRegularExpression(QStringLiteral("^mod4\\b")))
                             .value(0);
    if (!mod4.contains(QLatin1String("Super_L"))) {
        run(QStringLiteral("xmodmap"), {QStringLiteral("-e"), QStringLiteral("add mod4 = Super_L")},
            &ok);
        QVERIFY2(ok, "could not put Super_L on Mod4");
    }

    m_hotkey = GlobalHotkey::install();
    QVERIFY(dynamic_cast<X11Hotkey*>(m_hotkey.get()));
    m_spy = std::make_unique<QSignalSpy>(m_hotkey.get(), &GlobalHotkey::activated);
}

void TestX11Hotkey::grabModifiers()
{
    const QList<uint16_t> masks = X11Hotkey::grabModifiers();
    QCOMPARE(masks.size(), 64);
    QCOMPARE(std::set<uint16_t>(masks.begin(), masks.end()).size(), size_t(64));
    const uint16_t allowed = XCB_MOD_MASK_4 | XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_LOCK |
                             XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_2 |
                             XCB_MOD_MASK_3 | XCB_MOD_MASK_5;
    for (const uint16_t mask : masks) {
        QCOMPARE(mask & X11Hotkey::requiredModifiers, X11Hotkey::requiredModifiers);
        QCOMPARE(mask & ~allowed, 0);
    }
    QVERIFY(masks.contains(X11Hotkey::requiredModifiers));
    QVERIFY(masks.contains(allowed));
}

void TestX11Hotkey::shortcutPress_data()
{
    QTest::addColumn<int>("responseType");
    QTest::addColumn<int>("keycode");
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("matches");

    const int superShift = XCB_MOD_MASK_4 | XCB_MOD_MASK_SHIFT;
    QTest::newRow("super shift u") << XCB_KEY_PRESS << 30 << superShift << true;
    QTest::newRow("sent by a client") << (XCB_KEY_PRESS | 0x80) << 30 << superShift << true;
    QTest::newRow("with alt") << XCB_KEY_PRESS << 30 << (superShift | XCB_MOD_MASK_1) << true;
    QTest::newRow("with numlock and capslock")
        << XCB_KEY_PRESS << 30 << (superShift | XCB_MOD_MASK_2 | XCB_MOD_MASK_LOCK) << true;
    QTest::newRow("with a pointer button")
        << XCB_KEY_PRESS << 30 << (superShift | XCB_KEY_BUT_MASK_BUTTON_1) << true;
    QTest::newRow("release") << XCB_KEY_RELEASE << 30 << superShift << false;
    QTest::newRow("super only") << XCB_KEY_PRESS << 30 << int(XCB_MOD_MASK_4) << false;
    QTest::newRow("shift only") << XCB_KEY_PRESS << 30 << int(XCB_MOD_MASK_SHIFT) << false;
    QTest::newRow("alt instead of super")
        << XCB_KEY_PRESS << 30 << int(XCB_MOD_MASK_1 | XCB_MOD_MASK_SHIFT) << false;
    QTest::newRow("y") << XCB_KEY_PRESS << 29 << superShift << false;
    QTest::newRow("a") << XCB_KEY_PRESS << 38 << superShift << false;
}

void TestX11Hotkey::shortcutPress()
{
    QFETCH(int, responseType);
    QFETCH(int, keycode);
    QFETCH(int, state);
    QTEST(
        X11Hotkey::isShortcutPress(uint8_t(responseType), xcb_keycode_t(keycode), uint16_t(state)),
        "matches");
}

void TestX11Hotkey::xdotool(const QStringList& arguments)
{
    bool ok = false;
    run(QStringLiteral("xdotool"), arguments, &ok);
    QVERIFY2(ok, qPrintable(arguments.join(QLatin1Char(' '))));
}

void TestX11Hotkey::fires_data()
{
    QTest::addColumn<QString>("lock");
    QTest::addColumn<QString>("keys");

    QTest::newRow("super shift u") << QString() << "super+shift+u";
    QTest::newRow("alt held") << QString() << "super+shift+alt+u";
    QTest::newRow("control held") << QString() << "ctrl+super+shift+u";
    QTest::newRow("right-hand modifiers") << QString() << "Super_R+Shift_R+u";
    QTest::newRow("numlock on") << "Num_Lock"
                                << "super+shift+u";
    QTest::newRow("capslock on") << "Caps_Lock"
                                 << "super+shift+u";
}

void TestX11Hotkey::fires()
{
    QFETCH(QString, lock);
    QFETCH(QString, keys);

    m_spy->clear();
    if (!lock.isEmpty())
        xdotool({QStringLiteral("key"), lock});
    xdotool({QStringLiteral("key"), keys});
    if (!lock.isEmpty())
        xdotool({QStringLiteral("key"), lock});
    QTRY_COMPARE(m_spy->count(), 1);
    // The activation arrives on a later turn of the loop, not inside the event filter.
    QCOMPARE(m_spy->at(0).size(), 0);
}

void TestX11Hotkey::ignored_data()
{
    QTest::addColumn<QString>("keys");

    QTest::newRow("super u") << "super+u";
    QTest::newRow("shift u") << "shift+u";
    QTest::newRow("super shift y") << "super+shift+y";
    QTest::newRow("control shift u") << "ctrl+shift+u";
    QTest::newRow("u alone") << "u";
}

// Events of one display arrive in order, so once the shortcut pressed afterwards has
// fired, an earlier press that fired would have been counted too.
void TestX11Hotkey::ignored()
{
    QFETCH(QString, keys);

    m_spy->clear();
    xdotool({QStringLiteral("key"), keys});
    xdotool({QStringLiteral("key"), QStringLiteral("super+shift+u")});
    QTRY_COMPARE(m_spy->count(), 1);
    QTest::qWait(50);
    QCOMPARE(m_spy->count(), 1);
}

void TestX11Hotkey::firesWhileOwnWindowActive()
{
    // The dashboard has the focus once it is open: the same keys close it again.
    auto window = std::make_unique<QWidget>();
    window->resize(200, 100);
    window->show();
    window->activateWindow();
    QTRY_VERIFY(QGuiApplication::focusWindow());
    KeyWatcher watcher;
    window->installEventFilter(&watcher);

    m_spy->clear();
    xdotool({QStringLiteral("key"), QStringLiteral("super+shift+u")});
    QTRY_COMPARE(m_spy->count(), 1);
    // The grab takes the U press itself to the root window, so it is seen once; the
    // modifiers' releases that follow it reach our window.
    QTRY_VERIFY(watcher.releases > 0);
    QCOMPARE(m_spy->count(), 1);
    window.reset();
    xdotool({QStringLiteral("key"), QStringLiteral("super+shift+u")});
    QTRY_COMPARE(m_spy->count(), 2);
}

QTEST_MAIN(TestX11Hotkey)
#include "tst_x11_hotkey.moc"
