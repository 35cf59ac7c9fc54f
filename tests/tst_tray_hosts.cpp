#include "loopback_server.h"
#include "service_fixture.h"

#include <QColor>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

// The figure the service sent, read back from the pixels of real tray hosts: each host
// runs through scripts/tray-host, the loopback build of the program in its session.
// GAUGERY_SCREENSHOT_DIR keeps the panel each host showed as tray-HOST.png (with
// GAUGERY_TRAY_ROOT, tray-HOST-CODENAME.png: the hosts of that system, see tray-host).
// GAUGERY_LOOPBACK_PROGRAM runs another loopback build instead of this one.
class TestTrayHosts : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void figureOnThePanel_data();
    void figureOnThePanel();
    void activate_data();
    void activate();
    void shortcut_data();
    void shortcut();

private:
    LoopbackServer m_server{18765};
};

namespace {

const QByteArray cookie = "sessionKey=test-cookie-1";
// Bounds for a busy machine: each wait ends as soon as what it waits for is there.
constexpr int hostTimeoutMs = 90000;
// Time for the figure to show, and stay put, once the tray is up and the service has
// answered.
constexpr int figureTimeoutMs = 45000;

// The other system whose hosts tray-host runs, if any.
QString hostSystem()
{
    return qEnvironmentVariable("GAUGERY_TRAY_ROOT");
}

// "trixie" for a root of Debian 13; empty for this machine.
QString hostSystemCodename()
{
    QFile release(hostSystem() + QLatin1String("/etc/os-release"));
    if (hostSystem().isEmpty() || !release.open(QIODevice::ReadOnly))
        return {};
    const QRegularExpression codename(QStringLiteral("^VERSION_CODENAME=(\\w+)$"),
                                      QRegularExpression::MultilineOption);
    return codename.match(QString::fromUtf8(release.readAll())).captured(1);
}

QString programPath()
{
    const QString chosen = qEnvironmentVariable("GAUGERY_LOOPBACK_PROGRAM");
    return chosen.isEmpty() ? QStringLiteral(GAUGERY_LOOPBACK_PROGRAM) : chosen;
}

// The tray host and the program in its session; both are stopped when this goes.
class HostSession {
public:
    explicit HostSession(const QString& host)
    {
        m_host.setProcessChannelMode(QProcess::MergedChannels);
        m_host.start(QStringLiteral(GAUGERY_TRAY_HOST_SCRIPT), {host, m_state.path()});
    }
    ~HostSession()
    {
        for (QProcess* process : {&m_program, &m_host}) {
            if (process->state() == QProcess::NotRunning)
                continue;
            process->terminate();
            if (!process->waitForFinished(20000))
                process->kill();
        }
    }

    QString path(const QString& name) const { return m_state.filePath(name); }
    // Waits for a file tray-host writes; false when the host ends first or takes too long.
    bool waitFor(const QString& name)
    {
        QElapsedTimer timer;
        timer.start();
        while (!QFile::exists(path(name))) {
            if (m_host.state() == QProcess::NotRunning || timer.elapsed() > hostTimeoutMs)
                return false;
            m_host.waitForFinished(100);
        }
        return true;
    }
    QString hostOutput() { return QString::fromLocal8Bit(m_host.readAll()).trimmed(); }

    int run(const QStringList& arguments, const QByteArray& input = {},
            QByteArray* output = nullptr)
    {
        QProcess process;
        process.start(path(QStringLiteral("session")), arguments);
        process.write(input);
        process.closeWriteChannel();
        if (!process.waitForFinished(20000))
            return -1;
        if (output)
            *output = process.readAllStandardOutput();
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
    void startProgram()
    {
        m_program.setProcessChannelMode(QProcess::ForwardedChannels);
        m_program.start(path(QStringLiteral("session")), {QStringLiteral("run"), programPath()});
    }
    bool programRunning() const { return m_program.state() == QProcess::Running; }
    QImage screenshot()
    {
        const QString file = path(QStringLiteral("screen.png"));
        QFile::remove(file);
        return run({QStringLiteral("screenshot"), file}) == 0 ? QImage(file) : QImage();
    }

private:
    QTemporaryDir m_state;
    QProcess m_host;
    QProcess m_program;
};

QRect trayArea(const QString& file)
{
    QFile area(file);
    if (!area.open(QIODevice::ReadOnly))
        return {};
    const QList<QByteArray> numbers = area.readAll().simplified().split(' ');
    if (numbers.size() != 4)
        return {};
    return QRect(numbers[0].toInt(), numbers[1].toInt(), numbers[2].toInt(), numbers[3].toInt());
}

// The part of the tray area that differs from the panel's own colour, with some panel
// around it; empty while the panel is.
QRect shownPart(const QImage& tray)
{
    QHash<QRgb, int> counts;
    for (int y = 0; y < tray.height(); ++y)
        for (int x = 0; x < tray.width(); ++x)
            ++counts[tray.pixel(x, y)];
    const QRgb panel = std::max_element(counts.cbegin(), counts.cend()).key();
    QRect shown;
    for (int y = 0; y < tray.height(); ++y)
        for (int x = 0; x < tray.width(); ++x)
            if (tray.pixel(x, y) != panel)
                shown |= QRect(x, y, 1, 1);
    if (shown.isEmpty())
        return {};
    return QRect(shown.left() - 48, 0, shown.width() + 96, tray.height()).intersected(tray.rect());
}

// Tan, orange and red: the severity colours the figure is drawn in, never a grey panel.
bool isSeverityColoured(const QColor& colour)
{
    const QColor hsv = colour.toHsv();
    return hsv.hsvSaturationF() > 0.2 && hsv.valueF() > 0.4;
}

QRect colouredInk(const QImage& image)
{
    QRect ink;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (isSeverityColoured(image.pixelColor(x, y)))
                ink |= QRect(x, y, 1, 1);
    return ink;
}

// What tesseract reads as one line of digits, enlarged and framed the way it reads best.
QString readDigits(const QImage& image, const QString& file)
{
    QImage page(image.width() * 4 + 80, image.height() * 4 + 80, QImage::Format_RGB32);
    page.fill(Qt::white);
    const QImage enlarged =
        image.scaled(image.size() * 4, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    for (int y = 0; y < enlarged.height(); ++y)
        for (int x = 0; x < enlarged.width(); ++x)
            page.setPixel(x + 40, y + 40, enlarged.pixel(x, y));
    page.save(file);
    QProcess tesseract;
    tesseract.start(QStringLiteral("tesseract"),
                    {file, QStringLiteral("stdout"), QStringLiteral("--psm"), QStringLiteral("7"),
                     QStringLiteral("-c"), QStringLiteral("tessedit_char_whitelist=0123456789%")});
    tesseract.waitForFinished(20000);
    return QString::fromLatin1(tesseract.readAllStandardOutput()).simplified();
}

// Two readings: the pixels in a severity colour as black on white (the figure in the
// icon, on dark and light panels alike), and the plain panel (a label's text).
QStringList readPanel(const QImage& tray, const QString& workDir)
{
    QImage ink(tray.size(), QImage::Format_RGB32);
    for (int y = 0; y < tray.height(); ++y)
        for (int x = 0; x < tray.width(); ++x)
            ink.setPixel(x, y,
                         isSeverityColoured(tray.pixelColor(x, y)) ? qRgb(0, 0, 0)
                                                                   : qRgb(255, 255, 255));
    return {readDigits(ink, workDir + QLatin1String("/ink.png")),
            readDigits(tray.convertToFormat(QImage::Format_Grayscale8),
                       workDir + QLatin1String("/plain.png"))};
}

// Why the host cannot run here, or nothing when it can.
QString missingPrograms(const QString& host, const QString& programs)
{
    const QString system = hostSystem();
    const QStringList paths =
        system.isEmpty() ? QStringList() : QStringList{system + QLatin1String("/usr/bin")};
    for (const QString& program : programs.split(u' ')) {
        if (QStandardPaths::findExecutable(program, paths).isEmpty())
            return program + QLatin1String(" is not installed");
    }
    if (host.startsWith(QLatin1String("gnome")) &&
        !QFileInfo::exists(system + QLatin1String("/usr/share/gnome-shell/extensions/"
                                                  "ubuntu-appindicators@ubuntu.com")))
        return QStringLiteral("gnome-shell-extension-appindicator is not installed");
    if (host == QLatin1String("gnome-wayland") &&
        !QFileInfo::exists(
            system + QLatin1String("/usr/libexec/gnome-control-center-global-shortcuts-provider")))
        return QStringLiteral(
            "GNOME Settings' shortcut dialog is missing: gnome-wayland needs GNOME 49 or later "
            "with gnome-control-center (GAUGERY_TRAY_ROOT)");
    return {};
}

// The session's keyring holds the cookie; the program starts before the host's tray is up
// when `programFirst`, as at login, else after.
bool startHost(HostSession& session, const QString& host, bool programFirst)
{
    if (!session.waitFor(QStringLiteral("session"))) {
        qWarning("no %s session: %s", qPrintable(host), qPrintable(session.hostOutput()));
        return false;
    }
    if (session.run({QStringLiteral("run"), QStringLiteral("secret-tool"), QStringLiteral("store"),
                     QStringLiteral("--label=Gaugery session cookie"), QStringLiteral("service"),
                     QStringLiteral("com.gaugery.app"), QStringLiteral("account"),
                     QStringLiteral("sessionCookie")},
                    cookie) != 0)
        return false;
    if (programFirst)
        session.startProgram();
    if (!session.waitFor(QStringLiteral("tray-area"))) {
        qWarning("no %s tray: %s", qPrintable(host), qPrintable(session.hostOutput()));
        return false;
    }
    if (!programFirst)
        session.startProgram();
    return true;
}

void saveScreen(HostSession& session, const QString& name)
{
    const QString dir = qEnvironmentVariable("GAUGERY_SCREENSHOT_DIR");
    if (!dir.isEmpty())
        session.screenshot().save(QDir(dir).filePath(name + QLatin1String(".png")));
}

int click(HostSession& session, const QPoint& at, int count = 1)
{
    QStringList arguments{QStringLiteral("click"), QString::number(at.x()),
                          QString::number(at.y())};
    if (count > 1)
        arguments << QString::number(count);
    return session.run(arguments);
}

int pressShortcut(HostSession& session)
{
    return session.run({QStringLiteral("keys"), QStringLiteral("meta"), QStringLiteral("shift"),
                        QStringLiteral("u")});
}

// The focused window as `session focused` tells it: its frame on the screen and its name.
struct FocusedWindow {
    QRect frame;
    QString name;
};

FocusedWindow focusedWindow(HostSession& session)
{
    QByteArray output;
    if (session.run({QStringLiteral("focused")}, {}, &output) != 0)
        return {};
    const QStringList words = QString::fromUtf8(output).trimmed().split(u' ');
    if (words.size() < 5)
        return {};
    return {QRect(words[0].toInt(), words[1].toInt(), words[2].toInt(), words[3].toInt()),
            words.mid(4).join(u' ')};
}

// Activation tokens the shell handed out that a window has presented.
int usedActivations(HostSession& session)
{
    QByteArray output;
    if (session.run({QStringLiteral("activations")}, {}, &output) != 0)
        return -1;
    return int(output.split('\n').count("used"));
}

bool windowShown(HostSession& session, const QByteArray& name)
{
    QByteArray windows;
    return session.run({QStringLiteral("windows")}, {}, &windows) == 0 &&
           windows.split('\n').contains(name);
}

bool dashboardShown(HostSession& session)
{
    QByteArray windows;
    return session.run({QStringLiteral("windows")}, {}, &windows) == 0 &&
           windows.split('\n').contains("Gaugery");
}

// The dashboard opened by a click on the item at `item`: the next click there closes it,
// and a click on the desktop (the focus goes there) closes it again.
void toggleOnPlasmaWayland(HostSession& session, const QPoint& item)
{
    const auto click = [&](const QPoint& at) {
        return session.run(
            {QStringLiteral("click"), QString::number(at.x()), QString::number(at.y())});
    };
    QCOMPARE(click(item), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!dashboardShown(session), 20000);
    QCOMPARE(click(item), 0);
    QTRY_VERIFY_WITH_TIMEOUT(dashboardShown(session), 20000);
    QCOMPARE(click(QPoint(640, 600)), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!dashboardShown(session), 20000);
}

// The figure the program shows on the panel, read from the screen until it shows, and shows
// in the same place twice (a panel may still move its items once they are drawn); `item`:
// where the program's own item is, the first coloured thing from the left (GNOME's panel
// draws an orange badge further right).
void readFigure(HostSession& session, const QString& host, const QRect& area, QRect* item)
{
    QElapsedTimer shown;
    shown.start();
    QImage tray;
    QRect part;
    QRect ink;
    QStringList readings;
    bool read = false;
    while (!read && shown.elapsed() < figureTimeoutMs) {
        QVERIFY2(session.programRunning(), "the program exited");
        const QImage screen = session.screenshot();
        QVERIFY2(!screen.isNull(), "no screenshot");
        const QImage whole = screen.copy(area);
        part = shownPart(whole);
        tray = whole.copy(part.isEmpty() ? whole.rect() : part);
        // Nothing on the panel yet: reading it would only take time.
        if (part.isEmpty())
            continue;
        readings = readPanel(tray, session.path(QString()));
        const QRect lastInk = ink;
        ink = colouredInk(tray).translated(area.topLeft() + part.topLeft());
        // The figure, and something in a severity colour: the figure itself, or the sparkle
        // beside a label (not a host's placeholder for an icon it has not loaded).
        read = readings.filter(QRegularExpression(QStringLiteral("\\b42\\b"))).size() > 0 &&
               !ink.isEmpty() && ink == lastInk;
    }
    const QString dir = qEnvironmentVariable("GAUGERY_SCREENSHOT_DIR");
    const QString codename = hostSystemCodename();
    if (!dir.isEmpty())
        tray.scaled(tray.size() * 4, Qt::IgnoreAspectRatio, Qt::FastTransformation)
            .save(QDir(dir).filePath(
                QStringLiteral("tray-%1%2.png")
                    .arg(host, codename.isEmpty() ? QString() : u'-' + codename)));
    QVERIFY2(read,
             qPrintable(QStringLiteral("42 and its icon not seen on the %1 panel, read: \"%2\"")
                            .arg(host, readings.join(QLatin1String("\", \"")))));
    qInfo("%s: 42 read %.1f s after the tray was up and the service had answered", qPrintable(host),
          shown.elapsed() / 1000.0);

    // Coloured columns from the left, up to the first gap wider than an item's padding.
    const QPoint origin = area.topLeft() + part.topLeft();
    int first = -1;
    int last = -1;
    for (int x = 0; x < tray.width(); ++x) {
        bool coloured = false;
        for (int y = 0; y < tray.height() && !coloured; ++y)
            coloured = isSeverityColoured(tray.pixelColor(x, y));
        if (coloured && first < 0)
            first = x;
        if (coloured && first >= 0 && (last < 0 || x - last <= 8))
            last = x;
        if (!coloured && last >= 0 && x - last > 8)
            break;
    }
    *item = first < 0 ? ink : QRect(origin.x() + first, ink.top(), last - first + 1, ink.height());
}

// A host's session with the program in it and its figure on the panel, at `item`.
#define START_HOST_WITH_FIGURE(session, host, programFirst, item)                                  \
    do {                                                                                           \
        QVERIFY(startHost(session, host, programFirst));                                           \
        const QRect area = trayArea(session.path(QStringLiteral("tray-area")));                    \
        QVERIFY(!area.isEmpty());                                                                  \
        QTRY_VERIFY_WITH_TIMEOUT(m_server.requestedPaths().contains(ServiceFixture::usagePath),    \
                                 hostTimeoutMs);                                                   \
        readFigure(session, host, area, &item);                                                    \
        if (QTest::currentTestFailed())                                                            \
            return;                                                                                \
    } while (false)

// GNOME's Settings and Plasma ask the user to confirm a shortcut the program binds through
// the portal, in a window of their own that takes the focus when the program starts; the
// user adds it as asked.
void confirmShortcut(HostSession& session, const QString& host)
{
    if (host == QLatin1String("gnome-wayland")) {
        const QString dialog = QStringLiteral("Add Keyboard Shortcuts");
        QTRY_COMPARE_WITH_TIMEOUT(focusedWindow(session).name, dialog, hostTimeoutMs);
        saveScreen(session, QStringLiteral("gnome-wayland-shortcut-dialog"));
        // "Add" at the right end of the dialog's header bar.
        const QRect frame = focusedWindow(session).frame;
        QCOMPARE(click(session, QPoint(frame.right() - 40, frame.top() + 22)), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!windowShown(session, dialog.toUtf8()), 20000);
    } else {
        const QByteArray dialog = "Global Shortcuts Requested";
        QTRY_VERIFY_WITH_TIMEOUT(windowShown(session, dialog), hostTimeoutMs);
        saveScreen(session, QStringLiteral("plasma-wayland-shortcut-dialog"));
        // OK is the dialog's default button.
        QCOMPARE(session.run({QStringLiteral("keys"), QStringLiteral("enter")}), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!windowShown(session, dialog), 20000);
    }
}

} // namespace

void TestTrayHosts::initTestCase()
{
    QVERIFY2(qEnvironmentVariableIsSet("GAUGERY_DESKTOP_SESSION"),
             "run inside scripts/desktop-session");
    for (const char* tool : {"tesseract", "import", "xdotool"}) {
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
            QSKIP(qPrintable(
                QStringLiteral("%1 is not installed; scripts/install-deps --tests adds it")
                    .arg(QLatin1String(tool))));
    }
    QVERIFY(m_server.isListening());
    m_server.on(ServiceFixture::organizationsPath,
                ServiceBodies::json(ServiceBodies::organizations()));
    m_server.on(ServiceFixture::usagePath, ServiceBodies::json(ServiceBodies::usage()));
}

void TestTrayHosts::figureOnThePanel_data()
{
    QTest::addColumn<QString>("host");
    // What the host needs installed, separated by spaces.
    QTest::addColumn<QString>("programs");
    // Start the program before the host, as at login; an XEmbed icon needs its tray first.
    QTest::addColumn<bool>("programFirst");
    QTest::addColumn<bool>("click");

    QTest::newRow("lxqt") << "lxqt"
                          << "lxqt-panel" << true << false;
    QTest::newRow("xfce") << "xfce"
                          << "xfce4-panel" << true << false;
    QTest::newRow("trayer") << "trayer"
                            << "trayer" << false << false;
    QTest::newRow("waybar") << "waybar"
                            << "sway waybar grim" << true << true;
    QTest::newRow("gnome") << "gnome"
                           << "gnome-shell" << true << false;
    QTest::newRow("plasma") << "plasma"
                            << "plasmashell" << true << true;
    // GNOME 49 and later, Wayland only.
    QTest::newRow("gnome-wayland") << "gnome-wayland"
                                   << "gnome-shell" << true << false;
    QTest::newRow("plasma-wayland") << "plasma-wayland"
                                    << "kwin_wayland plasmashell kded6" << true << true;
}

void TestTrayHosts::figureOnThePanel()
{
    QFETCH(QString, host);
    QFETCH(QString, programs);
    QFETCH(bool, programFirst);
    QFETCH(bool, click);

    if (const QString missing = missingPrograms(host, programs); !missing.isEmpty())
        QSKIP(qPrintable(missing));
    m_server.clearRequests();
    HostSession session(host);
    QRect item;
    START_HOST_WITH_FIGURE(session, host, programFirst, item);

    if (click) {
        // A click on the figure opens the dashboard, placed by the compositor.
        QCOMPARE(::click(session, item.center()), 0);
        QTRY_VERIFY_WITH_TIMEOUT(dashboardShown(session), 30000);
    }
}

void TestTrayHosts::activate_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("programs");

    QTest::newRow("gnome-wayland") << "gnome-wayland"
                                   << "gnome-shell";
    QTest::newRow("plasma-wayland") << "plasma-wayland"
                                    << "kwin_wayland plasmashell kded6";
}

// What the user does to open the dashboard from the item on a Wayland panel, where the
// desktop places it and gives it the focus only for the activation token the panel hands
// over: it opens whole on the screen, a second activation closes it, and so does the focus
// going elsewhere.
void TestTrayHosts::activate()
{
    QFETCH(QString, host);
    QFETCH(QString, programs);

    if (const QString missing = missingPrograms(host, programs); !missing.isEmpty())
        QSKIP(qPrintable(missing));
    m_server.clearRequests();
    HostSession session(host);
    QRect item;
    START_HOST_WITH_FIGURE(session, host, true, item);

    if (host == QLatin1String("plasma-wayland")) {
        // Plasma's tray activates the item on a single click.
        QCOMPARE(click(session, item.center()), 0);
        QTRY_VERIFY_WITH_TIMEOUT(dashboardShown(session), 30000);
        saveScreen(session, QStringLiteral("plasma-wayland-activate"));
        toggleOnPlasmaWayland(session, item.center());
        return;
    }

    // GNOME's AppIndicator extension opens the item's menu on a single click and activates
    // it, handing over a token first, on a double click. The shortcut's dialog comes first.
    confirmShortcut(session, host);
    if (QTest::currentTestFailed())
        return;
    const int used = usedActivations(session);
    QVERIFY(used >= 0);
    QCOMPARE(click(session, item.center(), 2), 0);
    QTRY_COMPARE_WITH_TIMEOUT(focusedWindow(session).name, QStringLiteral("Gaugery"), 20000);
    // The shell marks the token it handed out used: the dashboard's window presented it.
    QTRY_VERIFY_WITH_TIMEOUT(usedActivations(session) > used, 5000);
    const QRect frame = focusedWindow(session).frame;
    saveScreen(session, QStringLiteral("gnome-wayland-activate"));
    QVERIFY2(QRect(0, 0, 1280, 800).contains(frame) && frame.width() == 260 && frame.height() > 100,
             qPrintable(QStringLiteral("the dashboard at %1,%2 %3x%4 is not whole on the screen")
                            .arg(frame.x())
                            .arg(frame.y())
                            .arg(frame.width())
                            .arg(frame.height())));
    QCOMPARE(click(session, item.center(), 2), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!dashboardShown(session), 20000);

    // The panel's system menu takes the focus.
    QCOMPARE(click(session, item.center(), 2), 0);
    QTRY_COMPARE_WITH_TIMEOUT(focusedWindow(session).name, QStringLiteral("Gaugery"), 20000);
    QCOMPARE(click(session, QPoint(1256, 16)), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!dashboardShown(session), 20000);
}

void TestTrayHosts::shortcut_data()
{
    activate_data();
}

// Super + Shift + U through the desktop portal, once confirmed in the desktop's dialog as
// a user would: it opens the dashboard and closes it again.
void TestTrayHosts::shortcut()
{
    QFETCH(QString, host);
    QFETCH(QString, programs);

    if (const QString missing = missingPrograms(host, programs); !missing.isEmpty())
        QSKIP(qPrintable(missing));
    m_server.clearRequests();
    HostSession session(host);
    QVERIFY(startHost(session, host, true));
    confirmShortcut(session, host);
    if (QTest::currentTestFailed())
        return;

    QCOMPARE(pressShortcut(session), 0);
    QTRY_VERIFY_WITH_TIMEOUT(dashboardShown(session), 20000);
    if (host == QLatin1String("gnome-wayland"))
        QTRY_COMPARE_WITH_TIMEOUT(focusedWindow(session).name, QStringLiteral("Gaugery"), 20000);
    saveScreen(session, host + QLatin1String("-shortcut"));
    QCOMPARE(pressShortcut(session), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!dashboardShown(session), 20000);
}

QTEST_GUILESS_MAIN(TestTrayHosts)
#include "tst_tray_hosts.moc"
