#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDir>
#include <QProcess>
#include <QTest>

#include <pwd.h>
#include <unistd.h>

// The private desktop session keeps its promises to the command it runs.
class TestDesktopSession : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void isolatesHomeAndSettings();
    void servesDisplayBusAndKeyring();
    void keepsDisplayAwayFromTheBus();
    void stopsEverything_data();
    void stopsEverything();
};

namespace {

constexpr auto othersMayAccess = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                 QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                 QFileDevice::WriteOther | QFileDevice::ExeOther;

QByteArrayList environmentOf(uint pid)
{
    QFile file(QStringLiteral("/proc/%1/environ").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll().split('\0');
}

// Live processes whose HOME is the given folder (a zombie's environment reads empty).
QStringList processesWithHome(const QString& home)
{
    const QByteArray entry = "HOME=" + home.toUtf8();
    QStringList found;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& name : entries) {
        bool isPid = false;
        const uint pid = name.toUInt(&isPid);
        if (isPid && environmentOf(pid).contains(entry))
            found.append(name);
    }
    return found;
}

} // namespace

void TestDesktopSession::isolatesHomeAndSettings()
{
    const QString home = qEnvironmentVariable("HOME");
    QVERIFY(home.startsWith(QDir::tempPath() + QLatin1Char('/')));
    QVERIFY(home != QString::fromLocal8Bit(getpwuid(getuid())->pw_dir));
    QVERIFY(QDir(home).exists());
    QCOMPARE(QFile::permissions(home) & othersMayAccess, QFileDevice::Permissions());
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME",
                             "XDG_RUNTIME_DIR"}) {
        QVERIFY2(qEnvironmentVariable(name).startsWith(home + QLatin1Char('/')), name);
        QVERIFY2(QDir(qEnvironmentVariable(name)).exists(), name);
    }
    QCOMPARE(QFile::permissions(qEnvironmentVariable("XDG_RUNTIME_DIR")) & othersMayAccess,
             QFileDevice::Permissions());
    QVERIFY(!qEnvironmentVariableIsSet("WAYLAND_DISPLAY"));
    QCOMPARE(qEnvironmentVariable("GAUGERY_DESKTOP_SESSION"), QStringLiteral("1"));
}

void TestDesktopSession::servesDisplayBusAndKeyring()
{
    QVERIFY(qEnvironmentVariableIsSet("DISPLAY"));
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"), {QStringLiteral("getdisplaygeometry")});
    QVERIFY(xdotool.waitForFinished(10000));
    QCOMPARE(xdotool.readAllStandardOutput().trimmed(), QByteArray("1280 800"));

    // Private: the bus socket lives in the session folder.
    QVERIFY(
        qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS").contains(qEnvironmentVariable("HOME")));
    QDBusConnection bus = QDBusConnection::sessionBus();
    QVERIFY(bus.isConnected());
    QVERIFY(bus.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.secrets")));
    QDBusInterface collection(QStringLiteral("org.freedesktop.secrets"),
                              QStringLiteral("/org/freedesktop/secrets/aliases/default"),
                              QStringLiteral("org.freedesktop.Secret.Collection"), bus);
    QCOMPARE(collection.property("Locked"), QVariant(false));
}

void TestDesktopSession::keepsDisplayAwayFromTheBus()
{
    // What the bus starts inherits its environment; with a display there, an unlock
    // prompt would wait on the screen for a user who is not there.
    const QByteArray home = "HOME=" + qEnvironmentVariable("HOME").toUtf8();
    QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    for (const char* name : {"org.freedesktop.DBus", "org.freedesktop.secrets"}) {
        const QDBusReply<uint> pid = bus->servicePid(QString::fromLatin1(name));
        QVERIFY2(pid.isValid(), name);
        const QByteArrayList environment = environmentOf(pid.value());
        QVERIFY2(environment.contains(home), name);
        for (const QByteArray& entry : environment)
            QVERIFY2(!entry.startsWith("DISPLAY="), name);
    }
}

void TestDesktopSession::stopsEverything_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("terminate");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("exit status") << QStringLiteral("exit 3") << false << 3;
    QTest::newRow("terminated") << QStringLiteral("exec sleep 60") << true << 143;
    QTest::newRow("left a child") << QStringLiteral("sleep 60 >/dev/null & exit 0") << false << 0;
    // A service the bus starts on the first call to its name, as a desktop's daemons are.
    QTest::newRow("the bus started a service")
        << QStringLiteral("services=$XDG_DATA_HOME/dbus-1/services; mkdir -p $services; "
                          "printf '[D-BUS Service]\\nName=com.gaugery.Started\\n"
                          "Exec=/bin/sh -c \"touch $HOME/started; exec sleep 60\"\\n' "
                          ">$services/com.gaugery.Started.service; "
                          "dbus-send --dest=com.gaugery.Started / com.gaugery.Started.Ping; "
                          "until [ -e $HOME/started ]; do sleep 0.1; done")
        << false << 0;
}

void TestDesktopSession::stopsEverything()
{
    QFETCH(QString, command);
    QFETCH(bool, terminate);
    QFETCH(int, exitCode);
    const QString script = qEnvironmentVariable("GAUGERY_DESKTOP_SESSION_SCRIPT");
    if (script.isEmpty())
        QSKIP("GAUGERY_DESKTOP_SESSION_SCRIPT is not set");

    QProcess nested;
    nested.start(script, {QStringLiteral("--"), QStringLiteral("sh"), QStringLiteral("-c"),
                          QStringLiteral("echo \"$HOME\"; ") + command});
    QVERIFY(nested.waitForReadyRead(30000));
    const QString nestedHome = QString::fromUtf8(nested.readLine()).trimmed();
    QVERIFY(nestedHome.startsWith(QDir::tempPath() + QLatin1Char('/')));
    QVERIFY(nestedHome != qEnvironmentVariable("HOME"));
    if (terminate)
        nested.terminate();
    QVERIFY(nested.waitForFinished(30000));
    QCOMPARE(nested.exitStatus(), QProcess::NormalExit);
    QCOMPARE(nested.exitCode(), exitCode);

    QVERIFY2(!QDir(nestedHome).exists(), qPrintable(nestedHome));
    // Xvfb, the bus, the keyring and whatever the command left all ran with that HOME.
    QTRY_COMPARE_WITH_TIMEOUT(processesWithHome(nestedHome), QStringList(), 5000);
}

QTEST_GUILESS_MAIN(TestDesktopSession)
#include "tst_desktop_session.moc"
