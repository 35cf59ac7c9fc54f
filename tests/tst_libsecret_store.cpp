#include "services/libsecret_store.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

// Runs against the real gnome-keyring of the private desktop session.
class TestLibsecretStore : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void roundTrip_data();
    void roundTrip();
    void replaceKeepsOneItem();
    void findsWhatSecretToolStored();
    void removesItemsOthersLeft();
    void deleteWhenNothingIsStored();
    void noSecretService();
    // Last: it leaves the collection locked.
    void lockedCollectionRefusesQuickly();
};

namespace {

const QStringList itemAttributes = {QStringLiteral("service"), QStringLiteral("com.gaugery.app"),
                                    QStringLiteral("account"), QStringLiteral("sessionCookie")};

QByteArray secretTool(const QStringList& arguments, const QByteArray& input = {})
{
    QProcess process;
    process.start(QStringLiteral("secret-tool"), arguments);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(20000))
        return "(secret-tool hung)";
    return process.readAllStandardOutput();
}

int matchingItems()
{
    const QByteArray listing =
        secretTool(QStringList{QStringLiteral("search"), QStringLiteral("--all")} + itemAttributes);
    // One "[/path]" line per item; the attributes go to standard error.
    int items = 0;
    for (const QByteArray& line : listing.split('\n'))
        items += line.startsWith("[/") ? 1 : 0;
    return items;
}

void storeWithSecretTool(const QByteArray& secret, const QStringList& extraAttributes = {})
{
    secretTool(QStringList{QStringLiteral("store"), QStringLiteral("--label=other client")} +
                   itemAttributes + extraAttributes,
               secret);
}

} // namespace

void TestLibsecretStore::init()
{
    QVERIFY2(qEnvironmentVariableIsSet("GAUGERY_DESKTOP_SESSION"),
             "run inside scripts/desktop-session");
    QVERIFY(LibsecretStore().clear());
    QCOMPARE(matchingItems(), 0);
}

void TestLibsecretStore::roundTrip_data()
{
    QTest::addColumn<QByteArray>("secret");
    QTest::newRow("ascii") << QByteArray("sessionKey=test-cookie-1; other=2");
    QTest::newRow("non-ascii") << QByteArray("k=caf\xc3\xa9 \xe2\x98\x83 \xf0\x9f\x8d\xaa");
    QTest::newRow("long") << QByteArray(64 * 1024, 'x');
    QTest::newRow("empty") << QByteArray("");
}

void TestLibsecretStore::roundTrip()
{
    QFETCH(QByteArray, secret);
    LibsecretStore store;
    QVERIFY(store.store(secret));
    QCOMPARE(store.lookup(), std::optional<QByteArray>(secret));
    // The fixed item, as a user or a script finds it.
    QCOMPARE(secretTool(QStringList{QStringLiteral("lookup")} + itemAttributes), secret);
    QCOMPARE(matchingItems(), 1);
}

void TestLibsecretStore::replaceKeepsOneItem()
{
    LibsecretStore store;
    QVERIFY(store.store("test-cookie-1"));
    QVERIFY(store.store("test-cookie-2"));
    QCOMPARE(store.lookup(), std::optional<QByteArray>("test-cookie-2"));
    QCOMPARE(matchingItems(), 1);
}

void TestLibsecretStore::findsWhatSecretToolStored()
{
    storeWithSecretTool("test-cookie-from-script");
    LibsecretStore store;
    QCOMPARE(store.lookup(), std::optional<QByteArray>("test-cookie-from-script"));
    QVERIFY(store.store("test-cookie-3"));
    QCOMPARE(matchingItems(), 1);
    QCOMPARE(secretTool(QStringList{QStringLiteral("lookup")} + itemAttributes),
             QByteArray("test-cookie-3"));
}

void TestLibsecretStore::removesItemsOthersLeft()
{
    LibsecretStore store;
    QVERIFY(store.store("test-cookie-old"));
    // Same two attributes plus one more: a separate item that lookups also match.
    storeWithSecretTool("test-cookie-stale",
                        {QStringLiteral("origin"), QStringLiteral("elsewhere")});
    QCOMPARE(matchingItems(), 2);
    QVERIFY(store.store("test-cookie-new"));
    QCOMPARE(matchingItems(), 1);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(store.lookup(), std::optional<QByteArray>("test-cookie-new"));
}

void TestLibsecretStore::deleteWhenNothingIsStored()
{
    LibsecretStore store;
    QVERIFY(store.store("test-cookie-1"));
    QVERIFY(store.clear());
    QVERIFY(store.clear());
    QCOMPARE(store.lookup(), std::nullopt);
}

void TestLibsecretStore::noSecretService()
{
    // A bus of its own with no service files: nothing can answer for the Secret Service.
    QTemporaryDir dir;
    const QString config = dir.filePath(QStringLiteral("bus.conf"));
    QFile file(config);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("<busconfig><type>session</type><listen>unix:tmpdir=" + dir.path().toUtf8() +
               "</listen><servicedir>" + dir.path().toUtf8() +
               "</servicedir><policy context=\"default\"><allow send_destination=\"*\"/>"
               "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>");
    file.close();
    QProcess bus;
    bus.start(QStringLiteral("dbus-daemon"),
              {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
               QStringLiteral("--print-address")});
    QVERIFY(bus.waitForReadyRead(10000));
    const QString address = QString::fromUtf8(bus.readLine()).trimmed();

    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);
    environment.insert(QStringLiteral("GAUGERY_STORE_PROBE"), QStringLiteral("1"));
    child.setProcessEnvironment(environment);
    QElapsedTimer timer;
    timer.start();
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForFinished(60000));
    const qint64 elapsed = timer.elapsed();
    QCOMPARE(child.readAllStandardOutput(), QByteArray("lookup none, store false, clear false\n"));
    // Only a hang is a failure here; the three calls normally answer in milliseconds.
    QVERIFY2(elapsed < 20000, qPrintable(QString::number(elapsed)));
    bus.kill();
    bus.waitForFinished();
}

void TestLibsecretStore::lockedCollectionRefusesQuickly()
{
    LibsecretStore store;
    QVERIFY(store.store("test-cookie-kept"));
    QDBusMessage lock = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.secrets"), QStringLiteral("/org/freedesktop/secrets"),
        QStringLiteral("org.freedesktop.Secret.Service"), QStringLiteral("Lock"));
    lock << QVariant::fromValue(QList<QDBusObjectPath>{
        QDBusObjectPath(QStringLiteral("/org/freedesktop/secrets/aliases/default"))});
    const QDBusMessage reply = QDBusConnection::sessionBus().call(lock);
    QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);

    // The unlock prompt cannot be shown (the bus has no display), so it is refused at once.
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(store.lookup(), std::nullopt);
    QVERIFY(!store.store("test-cookie-refused"));
    QVERIFY2(timer.elapsed() < 20000, qPrintable(QString::number(timer.elapsed())));
}

int main(int argc, char** argv)
{
    // Probe mode, for a child process pointed at a bus without a Secret Service.
    if (qEnvironmentVariableIsSet("GAUGERY_STORE_PROBE")) {
        LibsecretStore store;
        const bool found = store.lookup().has_value();
        const bool stored = store.store("test-cookie-probe");
        const bool cleared = store.clear();
        std::printf("lookup %s, store %s, clear %s\n", found ? "found" : "none",
                    stored ? "true" : "false", cleared ? "true" : "false");
        std::fflush(stdout);
        return 0;
    }
    QCoreApplication app(argc, argv);
    TestLibsecretStore test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_libsecret_store.moc"
