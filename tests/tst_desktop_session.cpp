#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDir>
#include <QProcess>
#include <QTest>

// The private desktop session keeps its promises to the command it runs.
class TestDesktopSession : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void isolatesHomeAndSettings();
    void servesDisplayBusAndKeyring();
    void passesExitStatusAndStopsEverything();
};

void TestDesktopSession::isolatesHomeAndSettings()
{
    const QString home = qEnvironmentVariable("HOME");
    QVERIFY(home.contains(QLatin1String("gaugery-session.")));
    QVERIFY(QDir(home).exists());
    for (const char* name :
         {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"}) {
        QVERIFY2(qEnvironmentVariable(name).startsWith(home + QLatin1Char('/')), name);
    }
    QVERIFY(!qEnvironmentVariableIsSet("WAYLAND_DISPLAY"));
}

void TestDesktopSession::servesDisplayBusAndKeyring()
{
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"), {QStringLiteral("getdisplaygeometry")});
    QVERIFY(xdotool.waitForFinished(10000));
    QCOMPARE(xdotool.readAllStandardOutput().trimmed(), QByteArray("1280 800"));

    QDBusConnection bus = QDBusConnection::sessionBus();
    QVERIFY(bus.isConnected());
    QVERIFY(bus.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.secrets")));
    QDBusInterface collection(QStringLiteral("org.freedesktop.secrets"),
                              QStringLiteral("/org/freedesktop/secrets/aliases/default"),
                              QStringLiteral("org.freedesktop.Secret.Collection"), bus);
    QCOMPARE(collection.property("Locked"), QVariant(false));
}

void TestDesktopSession::passesExitStatusAndStopsEverything()
{
    const QString script = qEnvironmentVariable("GAUGERY_DESKTOP_SESSION_SCRIPT");
    QVERIFY(!script.isEmpty());
    QProcess nested;
    nested.start(script, {QStringLiteral("--"), QStringLiteral("sh"), QStringLiteral("-c"),
                          QStringLiteral("echo \"$HOME\"; exit 3")});
    QVERIFY(nested.waitForFinished(60000));
    QCOMPARE(nested.exitStatus(), QProcess::NormalExit);
    QCOMPARE(nested.exitCode(), 3);
    const QString nestedHome = QString::fromUtf8(nested.readAllStandardOutput()).trimmed();
    QVERIFY(nestedHome != qEnvironmentVariable("HOME"));
    QVERIFY2(!QDir(nestedHome).exists(), qPrintable(nestedHome));

    // Nothing it started is left: no process still has the nested session's folder in
    // its command line (the bus address and the keyring socket live there).
    const QString sessionDir = QFileInfo(nestedHome).path();
    QProcess pgrep;
    pgrep.start(QStringLiteral("pgrep"), {QStringLiteral("-f"), sessionDir});
    QVERIFY(pgrep.waitForFinished(10000));
    QCOMPARE(pgrep.readAllStandardOutput(), QByteArray());
}

QTEST_GUILESS_MAIN(TestDesktopSession)
#include "tst_desktop_session.moc"
