#include "services/keyring/keyring_service.h"
#include "services/keyring/libsecret_store.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <thread>

// Runs against the real gnome-keyring of the private desktop session.
class TestLibsecretStore : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void roundTrip_data();
    void roundTrip();
    void replaceKeepsOneItem();
    void findsWhatSecretToolStored();
    void removesItemsOthersLeft_data();
    void removesItemsOthersLeft();
    void clearTwice();
    void anItemAnAccount();
    void worksFromSeveralThreads();
    void noSecretService();
    void lockedCollectionKeepsSecret();
    void strayThatCannotGoDoesNotFailTheSave();
    // Last: it replaces the session's keyring daemon.
    void followsARestartedDaemon();

private:
    QProcess m_restartedDaemon;
};

namespace {

const QStringList itemAttributes = {QStringLiteral("service"), QStringLiteral("com.gaugery.app"),
                                    QStringLiteral("account"), QStringLiteral("sessionCookie")};
const QByteArray ourLabel = QByteArrayLiteral("Gaugery session cookie");
// The password scripts/desktop-session gives gnome-keyring for the login collection.
const QByteArray keyringPassword = QByteArrayLiteral("gaugery-test");

// Standard output of a secret-tool run, or nothing if it failed or hung.
std::optional<QByteArray> secretTool(const QStringList& arguments, const QByteArray& input = {},
                                     QProcess::ProcessChannelMode mode = QProcess::SeparateChannels)
{
    QProcess process;
    process.setProcessChannelMode(mode);
    process.start(QStringLiteral("secret-tool"), arguments);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(20000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return std::nullopt;
    return process.readAllStandardOutput();
}

std::optional<QByteArray> lookupWithSecretTool()
{
    return secretTool(QStringList{QStringLiteral("lookup")} + itemAttributes);
}

bool storeWithSecretTool(const QByteArray& secret, const QStringList& options = {},
                         const QStringList& extraAttributes = {})
{
    return secretTool(QStringList{QStringLiteral("store"), QStringLiteral("--label=other client")} +
                          options + itemAttributes + extraAttributes,
                      secret)
        .has_value();
}

// The label of every item matching the two attributes, in any collection.
QByteArrayList itemLabels()
{
    const QByteArray listing =
        secretTool(QStringList{QStringLiteral("search"), QStringLiteral("--all")} + itemAttributes,
                   {}, QProcess::MergedChannels)
            .value_or(QByteArray());
    QByteArrayList labels;
    for (const QByteArray& line : listing.split('\n')) {
        if (line.startsWith("label = "))
            labels.append(line.mid(8));
    }
    return labels;
}

QDBusMessage secretServiceCall(const QString& interface, const QString& method,
                               const QVariantList& arguments)
{
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.secrets"),
                                                       QStringLiteral("/org/freedesktop/secrets"),
                                                       interface, method);
    call.setArguments(arguments);
    return QDBusConnection::sessionBus().call(call);
}

const QString defaultCollection = QStringLiteral("/org/freedesktop/secrets/collection/login");

bool lockDefaultCollection()
{
    const QDBusMessage reply = secretServiceCall(
        QStringLiteral("org.freedesktop.Secret.Service"), QStringLiteral("Lock"),
        {QVariant::fromValue(QList<QDBusObjectPath>{QDBusObjectPath(defaultCollection)})});
    return reply.type() == QDBusMessage::ReplyMessage;
}

// The standard Unlock needs a prompt, which cannot be shown here; gnome-keyring's own
// interface takes the password directly, through a plain (unencrypted) session.
bool unlockCollection(const QString& path, const QByteArray& password)
{
    const QDBusMessage session = secretServiceCall(
        QStringLiteral("org.freedesktop.Secret.Service"), QStringLiteral("OpenSession"),
        {QStringLiteral("plain"), QVariant::fromValue(QDBusVariant(QString()))});
    if (session.type() != QDBusMessage::ReplyMessage || session.arguments().size() != 2)
        return false;
    QDBusArgument master;
    master.beginStructure();
    master << session.arguments().at(1).value<QDBusObjectPath>() << QByteArray() << password
           << QStringLiteral("text/plain");
    master.endStructure();
    const QDBusMessage reply = secretServiceCall(
        QStringLiteral("org.gnome.keyring.InternalUnsupportedGuiltRiddenInterface"),
        QStringLiteral("UnlockWithMasterPassword"),
        {QVariant::fromValue(QDBusObjectPath(path)), QVariant::fromValue(master)});
    return reply.type() == QDBusMessage::ReplyMessage;
}

bool unlockDefaultCollection()
{
    return unlockCollection(defaultCollection, keyringPassword);
}

// The secret a lookup found, or nothing for any other outcome.
std::optional<QByteArray> found(LibsecretStore& store)
{
    const SecretLookup result = store.lookup();
    if (result.status != SecretState::found)
        return std::nullopt;
    return result.secret;
}

const QByteArray otherPassword = QByteArrayLiteral("other-password");

// A second collection, made and locked without a prompt through gnome-keyring's own
// interface, holding an item with our two attributes; its path, or nothing.
std::optional<QString> lockedCollectionWithStray()
{
    const QDBusMessage session = secretServiceCall(
        QStringLiteral("org.freedesktop.Secret.Service"), QStringLiteral("OpenSession"),
        {QStringLiteral("plain"), QVariant::fromValue(QDBusVariant(QString()))});
    if (session.type() != QDBusMessage::ReplyMessage || session.arguments().size() != 2)
        return std::nullopt;
    QDBusArgument master;
    master.beginStructure();
    master << session.arguments().at(1).value<QDBusObjectPath>() << QByteArray() << otherPassword
           << QStringLiteral("text/plain");
    master.endStructure();
    const QVariantMap properties{
        {QStringLiteral("org.freedesktop.Secret.Collection.Label"), QStringLiteral("other")}};
    const QDBusMessage created = secretServiceCall(
        QStringLiteral("org.gnome.keyring.InternalUnsupportedGuiltRiddenInterface"),
        QStringLiteral("CreateWithMasterPassword"),
        {QVariant::fromValue(properties), QVariant::fromValue(master)});
    if (created.type() != QDBusMessage::ReplyMessage)
        return std::nullopt;
    const QString path = created.arguments().value(0).value<QDBusObjectPath>().path();
    if (!storeWithSecretTool("test-cookie-stray", {QStringLiteral("--collection=") + path}))
        return std::nullopt;
    const QDBusMessage locked =
        secretServiceCall(QStringLiteral("org.freedesktop.Secret.Service"), QStringLiteral("Lock"),
                          {QVariant::fromValue(QList<QDBusObjectPath>{QDBusObjectPath(path)})});
    if (locked.type() != QDBusMessage::ReplyMessage)
        return std::nullopt;
    return path;
}

bool secretServiceOwned()
{
    return QDBusConnection::sessionBus()
        .interface()
        ->isServiceRegistered(QStringLiteral("org.freedesktop.secrets"))
        .value();
}

} // namespace

void TestLibsecretStore::init()
{
    QVERIFY2(qEnvironmentVariableIsSet("GAUGERY_DESKTOP_SESSION"),
             "run inside scripts/desktop-session");
    QCOMPARE(LibsecretStore().clear(), SecretState::absent);
    QCOMPARE(itemLabels(), QByteArrayList());
}

void TestLibsecretStore::roundTrip_data()
{
    QTest::addColumn<QByteArray>("secret");
    QTest::newRow("ascii") << QByteArray("sessionKey=test-cookie-1; other=2");
    QTest::newRow("non-ascii") << QByteArray("k=caf\xc3\xa9 \xe2\x98\x83 \xf0\x9f\x8d\xaa");
    QTest::newRow("not utf-8") << QByteArray("test-cookie-\xff\xfe-1");
    QTest::newRow("nul byte") << QByteArray("test\0cookie", 11);
    QTest::newRow("long") << QByteArray(64 * 1024, 'x');
    QTest::newRow("empty") << QByteArray("");
}

void TestLibsecretStore::roundTrip()
{
    QFETCH(QByteArray, secret);
    LibsecretStore store;
    QVERIFY(store.store(secret));
    QCOMPARE(found(store), std::optional<QByteArray>(secret));
    // The fixed item, as a user or a script finds it.
    QCOMPARE(lookupWithSecretTool(), std::optional<QByteArray>(secret));
    QCOMPARE(itemLabels(), QByteArrayList{ourLabel});
}

void TestLibsecretStore::replaceKeepsOneItem()
{
    LibsecretStore store;
    QVERIFY(store.store("test-cookie-1"));
    QVERIFY(store.store("test-cookie-2"));
    QCOMPARE(found(store), std::optional<QByteArray>("test-cookie-2"));
    QCOMPARE(itemLabels(), QByteArrayList{ourLabel});
}

void TestLibsecretStore::findsWhatSecretToolStored()
{
    QVERIFY(storeWithSecretTool("test-cookie-from-script"));
    LibsecretStore store;
    QCOMPARE(found(store), std::optional<QByteArray>("test-cookie-from-script"));
    QVERIFY(store.store("test-cookie-3"));
    QCOMPARE(itemLabels(), QByteArrayList{ourLabel});
    QCOMPARE(lookupWithSecretTool(), std::optional<QByteArray>("test-cookie-3"));
}

void TestLibsecretStore::removesItemsOthersLeft_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QStringList>("extraAttributes");
    QTest::addColumn<QByteArray>("strayValue");
    const QStringList origin = {QStringLiteral("origin"), QStringLiteral("elsewhere")};
    const QStringList session = {QStringLiteral("--collection=session")};
    QTest::newRow("extra attribute") << QStringList() << origin << QByteArray("test-cookie-stray");
    QTest::newRow("session collection")
        << session << QStringList() << QByteArray("test-cookie-stray");
    // Equal to the new value: the stored item stays, not the copy that ends with the session.
    QTest::newRow("same value elsewhere") << session << origin << QByteArray("test-cookie-new");
}

void TestLibsecretStore::removesItemsOthersLeft()
{
    QFETCH(QStringList, options);
    QFETCH(QStringList, extraAttributes);
    QFETCH(QByteArray, strayValue);
    LibsecretStore store;
    QVERIFY(store.store("test-cookie-old"));
    // A separate item that lookups match as well.
    QVERIFY(storeWithSecretTool(strayValue, options, extraAttributes));
    QCOMPARE(itemLabels().size(), 2);
    QVERIFY(store.store("test-cookie-new"));
    QCOMPARE(itemLabels(), QByteArrayList{ourLabel});
    for (int i = 0; i < 3; ++i)
        QCOMPARE(found(store), std::optional<QByteArray>("test-cookie-new"));
}

void TestLibsecretStore::clearTwice()
{
    LibsecretStore store;
    QVERIFY(store.store("test-cookie-1"));
    QCOMPARE(store.clear(), SecretState::absent);
    QCOMPARE(store.clear(), SecretState::absent);
    QCOMPARE(store.lookup().status, SecretState::absent);
    QCOMPARE(lookupWithSecretTool(), std::nullopt);
}

void TestLibsecretStore::anItemAnAccount()
{
    LibsecretStore first;
    LibsecretStore work(KeyringService::itemOf(
        {QStringLiteral("work"), QStringLiteral("Work"), Account::Source::cookie, {}}));
    QVERIFY(first.store("test-cookie-first"));
    QVERIFY(work.store("test-cookie-work"));
    QCOMPARE(found(first), std::optional<QByteArray>("test-cookie-first"));
    QCOMPARE(found(work), std::optional<QByteArray>("test-cookie-work"));
    // The first account's item is the one other clients know, untouched by the others.
    QCOMPARE(lookupWithSecretTool(), std::optional<QByteArray>("test-cookie-first"));
    QCOMPARE(secretTool({QStringLiteral("lookup"), QStringLiteral("service"),
                         QStringLiteral("com.gaugery.app"), QStringLiteral("account"),
                         QStringLiteral("sessionCookie:work")}),
             std::optional<QByteArray>("test-cookie-work"));
    QCOMPARE(work.clear(), SecretState::absent);
    QCOMPARE(work.lookup().status, SecretState::absent);
    QCOMPARE(found(first), std::optional<QByteArray>("test-cookie-first"));
}

void TestLibsecretStore::worksFromSeveralThreads()
{
    // The GUI thread and pool threads use the store at the same time.
    QVERIFY(LibsecretStore().store("test-cookie-shared"));
    std::atomic<int> failures = 0;
    const auto lookups = [&failures] {
        LibsecretStore store;
        for (int i = 0; i < 10; ++i)
            failures += found(store) == std::optional<QByteArray>("test-cookie-shared") ? 0 : 1;
    };
    std::thread first(lookups);
    std::thread second(lookups);
    LibsecretStore store;
    for (int i = 0; i < 5; ++i)
        failures += store.store("test-cookie-shared") ? 0 : 1;
    first.join();
    second.join();
    QCOMPARE(failures.load(), 0);
    QCOMPARE(itemLabels(), QByteArrayList{ourLabel});
}

void TestLibsecretStore::noSecretService()
{
    // A bus of its own with no service files: nothing can answer for the Secret Service.
    // The policy is the standard session one; without it the bus drops even its replies.
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
    const auto stopBus = qScopeGuard([&bus] {
        bus.kill();
        bus.waitForFinished();
    });
    QVERIFY(bus.waitForReadyRead(10000));
    const QString address = QString::fromUtf8(bus.readLine()).trimmed();

    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);
    environment.insert(QStringLiteral("GAUGERY_STORE_PROBE"), QStringLiteral("1"));
    // GIO leaks a few bytes in each failed asynchronous service setup, out of our reach;
    // our own failure paths are leak-checked in lockedCollectionKeepsSecret.
    environment.insert(QStringLiteral("ASAN_OPTIONS"),
                       environment.value(QStringLiteral("ASAN_OPTIONS")) +
                           QStringLiteral(":detect_leaks=0"));
    child.setProcessEnvironment(environment);
    QElapsedTimer timer;
    timer.start();
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForFinished(60000));
    const qint64 elapsed = timer.elapsed();
    QCOMPARE(child.exitCode(), 0);
    QCOMPARE(child.readAllStandardOutput(),
             QByteArray("lookup unreachable, store false, clear false\n"));
    // Only a hang is a failure here; the three calls normally answer in milliseconds.
    qInfo("three calls without a Secret Service: %lld ms", elapsed);
    QVERIFY2(elapsed < 20000, qPrintable(QString::number(elapsed)));
}

void TestLibsecretStore::lockedCollectionKeepsSecret()
{
    LibsecretStore store;
    QVERIFY(store.store("test-cookie-kept"));
    QVERIFY(lockDefaultCollection());

    // The unlock prompt cannot be shown (the bus has no display), so it is refused at once.
    QElapsedTimer timer;
    timer.start();
    const bool stored = store.store("test-cookie-refused");
    const SecretLookup whileLocked = store.lookup();
    const SecretState cleared = store.clear();
    const qint64 elapsed = timer.elapsed();
    // Before any check, so that a failure does not leave the keyring locked for the rest.
    QVERIFY(unlockDefaultCollection());

    QVERIFY(!stored);
    // There, but locked: not a missing cookie.
    QCOMPARE(whileLocked.status, SecretState::locked);
    QCOMPARE(cleared, SecretState::locked);
    qInfo("refused store, lookup and clear: %lld ms", elapsed);
    QVERIFY2(elapsed < 20000, qPrintable(QString::number(elapsed)));
    QCOMPARE(found(store), std::optional<QByteArray>("test-cookie-kept"));
    QCOMPARE(itemLabels(), QByteArrayList{ourLabel});
}

void TestLibsecretStore::strayThatCannotGoDoesNotFailTheSave()
{
    const std::optional<QString> other = lockedCollectionWithStray();
    QVERIFY(other);
    LibsecretStore store;
    const bool stored = store.store("test-cookie-new");
    const std::optional<QByteArray> read = found(store);
    // Unlocked again before any check, so the stray can be cleared for the next tests.
    QVERIFY(unlockCollection(*other, otherPassword));
    QVERIFY(stored);
    QCOMPARE(read, std::optional<QByteArray>("test-cookie-new"));
}

void TestLibsecretStore::followsARestartedDaemon()
{
    LibsecretStore store;
    QVERIFY(store.store("test-cookie-before"));
    QCOMPARE(found(store), std::optional<QByteArray>("test-cookie-before"));

    // The daemon goes away (a keyring manager closed, a new login) and a new one takes
    // the name on the same bus, unlocking the same keyring from disk.
    QDBusMessage pid = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetConnectionUnixProcessID"));
    pid << QStringLiteral("org.freedesktop.secrets");
    const QDBusMessage reply = QDBusConnection::sessionBus().call(pid);
    QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
    QCOMPARE(::kill(pid_t(reply.arguments().value(0).toUInt()), SIGTERM), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!secretServiceOwned(), 10000);
    m_restartedDaemon.start(QStringLiteral("gnome-keyring-daemon"),
                            {QStringLiteral("--foreground"), QStringLiteral("--unlock"),
                             QStringLiteral("--components=secrets")});
    m_restartedDaemon.write(keyringPassword);
    m_restartedDaemon.closeWriteChannel();
    QTRY_VERIFY_WITH_TIMEOUT(secretServiceOwned(), 10000);

    QCOMPARE(found(store), std::optional<QByteArray>("test-cookie-before"));
    QVERIFY(store.store("test-cookie-after"));
    QCOMPARE(found(store), std::optional<QByteArray>("test-cookie-after"));
    QCOMPARE(lookupWithSecretTool(), std::optional<QByteArray>("test-cookie-after"));
}

int main(int argc, char** argv)
{
    // Probe mode, for a child process pointed at a bus without a Secret Service.
    if (qEnvironmentVariableIsSet("GAUGERY_STORE_PROBE")) {
        LibsecretStore store;
        const bool reached = store.lookup().status != SecretState::unreachable;
        const bool stored = store.store("test-cookie-probe");
        const bool cleared = store.clear() == SecretState::absent;
        std::printf("lookup %s, store %s, clear %s\n", reached ? "reached" : "unreachable",
                    stored ? "true" : "false", cleared ? "true" : "false");
        std::fflush(stdout);
        return 0;
    }
    QCoreApplication app(argc, argv);
    TestLibsecretStore test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_libsecret_store.moc"
