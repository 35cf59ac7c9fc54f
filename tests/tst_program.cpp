#include "fake_status_notifier_watcher.h"
#include "loopback_server.h"
#include "service_fixture.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

// The whole program in the private desktop session: the loopback build, a cookie stored
// the way a user would with secret-tool, and a panel's watcher on the bus.
// GAUGERY_PROGRAM names another binary to run the same checks on (the installed one).
class TestProgram : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void showsTheFigureInTheTray();
    void secondStartHandsOver();
    void cleanupTestCase();

private:
    QVariant itemProperty(const QString& name) const;

    LoopbackServer m_server{18765};
    FakeStatusNotifierWatcher m_watcher;
    QProcess m_program;
    QString m_item;
};

namespace {

bool installedProgram()
{
    return qEnvironmentVariableIsSet("GAUGERY_PROGRAM");
}

QString programPath()
{
    const QString chosen = qEnvironmentVariable("GAUGERY_PROGRAM");
    return chosen.isEmpty() ? QStringLiteral(GAUGERY_LOOPBACK_PROGRAM) : chosen;
}

QProcessEnvironment desktopEnvironment()
{
    // The program talks to the session's X server, not to the offscreen test platform.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    // A desktop whose tray draws the item's label, so the figure is there to read.
    environment.insert(QStringLiteral("XDG_CURRENT_DESKTOP"), QStringLiteral("GNOME"));
    return environment;
}

bool storeCookieWithSecretTool(const QByteArray& cookie)
{
    QProcess tool;
    tool.start(QStringLiteral("secret-tool"),
               {QStringLiteral("store"), QStringLiteral("--label=Gaugery session cookie"),
                QStringLiteral("service"), QStringLiteral("com.gaugery.app"),
                QStringLiteral("account"), QStringLiteral("sessionCookie")});
    tool.write(cookie);
    tool.closeWriteChannel();
    return tool.waitForFinished() && tool.exitStatus() == QProcess::NormalExit &&
           tool.exitCode() == 0;
}

} // namespace

void TestProgram::initTestCase()
{
    QVERIFY2(qEnvironmentVariableIsSet("GAUGERY_DESKTOP_SESSION"),
             "run inside scripts/desktop-session");
    QVERIFY(m_server.isListening());
    m_server.on(ServiceFixture::organizationsPath,
                ServiceBodies::json(ServiceBodies::organizations()));
    m_server.on(ServiceFixture::usagePath, ServiceBodies::json(ServiceBodies::usage()));
    // Only the loopback build gets a cookie: any other binary would send it to the service.
    if (!installedProgram())
        QVERIFY(storeCookieWithSecretTool("sessionKey=test-cookie-1"));
    QVERIFY(m_watcher.start());

    QSignalSpy registered(&m_watcher, &FakeStatusNotifierWatcher::StatusNotifierItemRegistered);
    m_program.setProcessEnvironment(desktopEnvironment());
    m_program.setProcessChannelMode(QProcess::ForwardedChannels);
    m_program.start(programPath(), {});
    QVERIFY2(m_program.waitForStarted(), qPrintable(programPath()));
    QVERIFY(registered.wait(20000));
    m_item = registered.first().first().toString();
}

QVariant TestProgram::itemProperty(const QString& name) const
{
    const QString service = m_item.section(QLatin1Char('/'), 0, 0);
    const QString path = QLatin1Char('/') + m_item.section(QLatin1Char('/'), 1);
    // A plain call: QDBusInterface would introspect the item, and Qt leaks what it builds.
    QDBusMessage get = QDBusMessage::createMethodCall(
        service, path, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QStringLiteral("org.kde.StatusNotifierItem") << name;
    const QDBusReply<QDBusVariant> reply = QDBusConnection::sessionBus().call(get);
    return reply.isValid() ? reply.value().variant() : QVariant();
}

void TestProgram::showsTheFigureInTheTray()
{
    QCOMPARE(itemProperty(QStringLiteral("Id")).toString(), QStringLiteral("gaugery"));
    // First run: launch at login is on and its entry written.
    QVERIFY(QFileInfo::exists(QDir::homePath() +
                              QLatin1String("/.config/autostart/com.gaugery.app.desktop")));
    if (installedProgram()) {
        // No cookie, so no figure and no request.
        QCOMPARE(itemProperty(QStringLiteral("XAyatanaLabel")).toString(), QString());
        return;
    }
    // The figure the loopback service sent, once the start-up fetch has answered.
    QTRY_COMPARE_WITH_TIMEOUT(itemProperty(QStringLiteral("XAyatanaLabel")).toString(),
                              QStringLiteral(" 42%"), 20000);
    QCOMPARE(m_server.requestedPaths(),
             (QList<QByteArray>{ServiceFixture::organizationsPath, ServiceFixture::usagePath}));
    QVERIFY(m_server.requests().first().header("Cookie") == "sessionKey=test-cookie-1");
}

void TestProgram::secondStartHandsOver()
{
    QProcess second;
    second.setProcessEnvironment(desktopEnvironment());
    second.start(programPath(), {});
    QVERIFY(second.waitForFinished(20000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(m_watcher.registeredItems().size(), 1);
    QCOMPARE(m_program.state(), QProcess::Running);
}

void TestProgram::cleanupTestCase()
{
    m_program.terminate();
    m_program.waitForFinished(5000);
}

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program.moc"
