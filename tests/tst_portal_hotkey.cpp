#include "app/platform/portal_hotkey.h"
#include "fake_global_shortcuts_portal.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using Behaviour = FakeGlobalShortcutsPortal::Behaviour;
Q_DECLARE_METATYPE(Behaviour)

// Sees the portal's Activated signals on the session bus connection the hotkey uses, so a
// signal that reached this probe has reached the hotkey too.
class ActivatedProbe : public QObject {
    Q_OBJECT

public:
    ActivatedProbe()
    {
        QDBusConnection::sessionBus().connect(
            QString(), QStringLiteral("/org/freedesktop/portal/desktop"),
            QStringLiteral("org.freedesktop.portal.GlobalShortcuts"), QStringLiteral("Activated"),
            this, SLOT(onActivated()));
    }
    int count = 0;

public Q_SLOTS:
    void onActivated() { ++count; }
};

class TestPortalHotkey : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void requestPath_data();
    void requestPath();
    void noMechanismOffscreen();
    void binds_data();
    void binds();
    void activation_data();
    void activation();
    void noShortcut_data();
    void noShortcut();
    void portalAbsent();
};

void TestPortalHotkey::requestPath_data()
{
    QTest::addColumn<QString>("uniqueName");
    QTest::addColumn<QString>("token");
    QTest::addColumn<QString>("path");

    QTest::newRow("typical") << ":1.42"
                             << "gaugery1"
                             << "/org/freedesktop/portal/desktop/request/1_42/gaugery1";
    QTest::newRow("longer") << ":1.2345"
                            << "t"
                            << "/org/freedesktop/portal/desktop/request/1_2345/t";
    QTest::newRow("several dots") << ":12.3.4"
                                  << "x"
                                  << "/org/freedesktop/portal/desktop/request/12_3_4/x";
}

void TestPortalHotkey::requestPath()
{
    QFETCH(QString, uniqueName);
    QFETCH(QString, token);
    QTEST(PortalHotkey::requestPath(uniqueName, token), "path");
}

void TestPortalHotkey::noMechanismOffscreen()
{
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("offscreen"));
    QVERIFY(!GlobalHotkey::install());
}

void TestPortalHotkey::binds_data()
{
    QTest::addColumn<Behaviour>("behaviour");

    QTest::newRow("current portal") << Behaviour::Answer;
    QTest::newRow("no host registry") << Behaviour::NoRegistry;
    QTest::newRow("request at another path") << Behaviour::MoveSessionRequest;
}

void TestPortalHotkey::binds()
{
    QFETCH(Behaviour, behaviour);
    FakeGlobalShortcutsPortal portal(behaviour);
    QVERIFY(portal.start());
    PortalHotkey hotkey(QDBusConnection::sessionBus());

    QTRY_COMPARE(portal.calls,
                 QStringList({QStringLiteral("Register"), QStringLiteral("CreateSession"),
                              QStringLiteral("BindShortcuts")}));
    if (behaviour != Behaviour::NoRegistry)
        QCOMPARE(portal.registeredAppId, QStringLiteral("com.gaugery.app"));
    const QString sessionToken =
        portal.sessionOptions.value(QStringLiteral("session_handle_token")).toString();
    QVERIFY(!sessionToken.isEmpty());
    QVERIFY(!portal.sessionOptions.value(QStringLiteral("handle_token")).toString().isEmpty());
    QCOMPARE(portal.boundSession, portal.sessionPath);
    QCOMPARE(portal.boundShortcuts.size(), 1);
    QCOMPARE(portal.boundShortcuts[0].first, QStringLiteral("toggle-dashboard"));
    const QVariantMap properties = portal.boundShortcuts[0].second;
    QCOMPARE(properties.value(QStringLiteral("description")).toString(),
             QStringLiteral("Open the Gaugery dashboard"));
    QCOMPARE(properties.value(QStringLiteral("preferred_trigger")).toString(),
             QStringLiteral("LOGO+SHIFT+u"));
    QCOMPARE(portal.parentWindow, QString());
    const QString bindToken = portal.bindOptions.value(QStringLiteral("handle_token")).toString();
    QVERIFY(!bindToken.isEmpty());
    QVERIFY(bindToken != sessionToken);
}

void TestPortalHotkey::activation_data()
{
    QTest::addColumn<QString>("session");
    QTest::addColumn<QString>("id");
    QTest::addColumn<bool>("spoofed");
    QTest::addColumn<int>("activations");

    QTest::newRow("ours") << QString() << "toggle-dashboard" << false << 1;
    QTest::newRow("another id") << QString() << "other" << false << 0;
    QTest::newRow("another session") << "/org/freedesktop/portal/desktop/session/1_1/other"
                                     << "toggle-dashboard" << false << 0;
    QTest::newRow("not sent by the portal") << QString() << "toggle-dashboard" << true << 0;
}

void TestPortalHotkey::activation()
{
    QFETCH(QString, session);
    QFETCH(QString, id);
    QFETCH(bool, spoofed);
    QFETCH(int, activations);

    FakeGlobalShortcutsPortal portal;
    QVERIFY(portal.start());
    PortalHotkey hotkey(QDBusConnection::sessionBus());
    QSignalSpy spy(&hotkey, &GlobalHotkey::activated);
    QTRY_VERIFY(portal.calls.contains(QLatin1String("BindShortcuts")));
    if (session.isEmpty())
        session = portal.sessionPath;

    ActivatedProbe probe;
    if (spoofed) {
        QDBusConnection other =
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("spoofer"));
        QDBusMessage signal = QDBusMessage::createSignal(
            QStringLiteral("/org/freedesktop/portal/desktop"),
            QStringLiteral("org.freedesktop.portal.GlobalShortcuts"), QStringLiteral("Activated"));
        signal << QVariant::fromValue(QDBusObjectPath(session)) << id << qulonglong(1)
               << QVariantMap();
        QVERIFY(other.send(signal));
        // A round trip to the bus, so the signal has been routed before the portal's below.
        QVERIFY(other.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.DBus")));
        QDBusConnection::disconnectFromBus(other.name());
    } else {
        portal.emitActivated(session, id);
    }
    // The portal's own signal for our session and id, as the positive control.
    portal.emitActivated(portal.sessionPath, QStringLiteral("toggle-dashboard"));
    QTRY_COMPARE(spy.count(), activations + 1);
    QTest::qWait(50);
    QCOMPARE(spy.count(), activations + 1);
    QVERIFY(probe.count >= 1);
}

void TestPortalHotkey::noShortcut_data()
{
    QTest::addColumn<Behaviour>("behaviour");

    QTest::newRow("session refused") << Behaviour::RefuseSession;
    QTest::newRow("session cancelled") << Behaviour::CancelSession;
}

void TestPortalHotkey::noShortcut()
{
    QFETCH(Behaviour, behaviour);
    FakeGlobalShortcutsPortal portal(behaviour);
    QVERIFY(portal.start());
    PortalHotkey hotkey(QDBusConnection::sessionBus());
    QSignalSpy spy(&hotkey, &GlobalHotkey::activated);
    QTRY_VERIFY(portal.calls.contains(QLatin1String("CreateSession")));

    ActivatedProbe probe;
    const QString session = portal.sessionPath.isEmpty()
                                ? QStringLiteral("/org/freedesktop/portal/desktop/session/x/y")
                                : portal.sessionPath;
    portal.emitActivated(session, QStringLiteral("toggle-dashboard"));
    QTRY_COMPARE(probe.count, 1);
    QTest::qWait(50);
    QCOMPARE(spy.count(), 0);
    QVERIFY(!portal.calls.contains(QLatin1String("BindShortcuts")));
}

void TestPortalHotkey::portalAbsent()
{
    QVERIFY(!QDBusConnection::sessionBus().interface()->isServiceRegistered(
        QStringLiteral("org.freedesktop.portal.Desktop")));
    auto hotkey = std::make_unique<PortalHotkey>(QDBusConnection::sessionBus());
    QSignalSpy spy(hotkey.get(), &GlobalHotkey::activated);
    QTest::qWait(200);
    QCOMPARE(spy.count(), 0);
    hotkey.reset();

    // Gone while its requests are still out.
    FakeGlobalShortcutsPortal portal;
    QVERIFY(portal.start());
    hotkey = std::make_unique<PortalHotkey>(QDBusConnection::sessionBus());
    hotkey.reset();
    QTRY_VERIFY(portal.calls.contains(QLatin1String("Register")));
    QTest::qWait(50);
}

QTEST_MAIN(TestPortalHotkey)
#include "tst_portal_hotkey.moc"
