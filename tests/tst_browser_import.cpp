#include "loopback_server.h"
#include "services/sources/browser/browser_cookie_import.h"

#include <QCryptographicHash>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusServiceWatcher>
#include <QDir>
#include <QFile>
#include <QPasswordDigestor>
#include <QProcess>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// The import against profiles the real browsers wrote, against databases spoiled in
// each way the import must survive, and against a database another process holds.
// Runs in the private desktop session: its keyring holds Chromium's Safe Storage item.
class TestBrowserImport : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void realBrowsers();
    void desktopApp_data();
    void desktopApp();
    void cookieHeaders_data();
    void cookieHeaders();
    void spoiledDatabases_data();
    void spoiledDatabases();
    void databaseHeldByAnotherProcess_data();
    void databaseHeldByAnotherProcess();
};

namespace {

const QString firefoxProfileName = QStringLiteral("test-profile");
constexpr qint64 chromiumEpochOffsetUs = 11'644'473'600'000'000;

bool write(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A temporary home; a Firefox profile is listed once something is put in it.
struct Home {
    QTemporaryDir dir;

    QString path(const QString& relative) const { return QDir(dir.path()).filePath(relative); }
    BrowserLocations locations() const { return {dir.path(), path(QStringLiteral(".config"))}; }
    QString chromiumData() const { return path(QStringLiteral(".config/chromium")); }
    QString firefoxProfile() const
    {
        write(path(QStringLiteral(".mozilla/firefox/profiles.ini")),
              "[Profile0]\nName=" + firefoxProfileName.toUtf8() +
                  "\nIsRelative=1\nPath=test.default\n");
        const QString profile = path(QStringLiteral(".mozilla/firefox/test.default"));
        QDir().mkpath(profile);
        return profile;
    }
    QString chromiumCookies() const { return chromiumData() + QStringLiteral("/Default/Cookies"); }
    QString firefoxCookies() const { return firefoxProfile() + QStringLiteral("/cookies.sqlite"); }
};

// Runs a program while the loop keeps serving the loopback page; true if it exits 0.
bool runToEnd(const QString& program, const QStringList& arguments, const QString& home)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home);
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    QSignalSpy finished(&process, &QProcess::finished);
    process.start(program, arguments);
    const bool ended = finished.wait(90'000);
    if (!ended) {
        process.kill();
        process.waitForFinished();
    }
    const bool ok =
        ended && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    // Browsers are chatty; their words matter only when they fail.
    if (!ok)
        qWarning().noquote() << program << "failed:" << process.readAll().right(2000);
    return ok;
}

// Headless Chromium with a profile of its own, as a user's browser would keep it.
QStringList chromiumFlags(const QString& dataDir)
{
    return {QStringLiteral("--headless=new"),
            QStringLiteral("--no-sandbox"),
            QStringLiteral("--disable-gpu"),
            QStringLiteral("--no-first-run"),
            QStringLiteral("--disable-sync"),
            QStringLiteral("--disable-background-networking"),
            QStringLiteral("--disable-component-update"),
            QStringLiteral("--user-data-dir=") + dataDir,
            QStringLiteral("--dump-dom")};
}

// The standard output of a program fed these bytes; nothing when it fails.
std::optional<QByteArray> output(const QString& program, const QStringList& arguments,
                                 const QByteArray& input = {})
{
    QProcess process;
    process.start(program, arguments);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished() || process.exitCode() != 0)
        return std::nullopt;
    return process.readAllStandardOutput();
}

// The session, the organization, and a clearance the bot protection sets for the API.
ScriptedResponse pageSetting(const QByteArray& n)
{
    ScriptedResponse page;
    page.headers = {
        {"Content-Type", "text/html"},
        {"Set-Cookie", "sessionKey=test-cookie-" + n + "; Path=/; Max-Age=86400"},
        {"Set-Cookie", "lastActiveOrg=test-org-" + n + "; Path=/; Max-Age=86400"},
        {"Set-Cookie", "cf_clearance=test-clearance-" + n + "; Path=/api; Max-Age=86400"}};
    page.body = "<html><body>signed in</body></html>";
    return page;
}

QByteArray firstBytesOfValue(const QString& database, const QByteArray& name)
{
    const QString connection = QStringLiteral("inspect-") + database;
    QByteArray prefix;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(database);
        db.open();
        QSqlQuery query(db);
        query.prepare(QStringLiteral("SELECT encrypted_value FROM cookies WHERE name = ?"));
        query.addBindValue(QString::fromLatin1(name));
        if (query.exec() && query.next())
            prefix = query.value(0).toByteArray().left(3);
    }
    QSqlDatabase::removeDatabase(connection);
    return prefix;
}

// Chromium's encryption done with the openssl tool and Qt's key derivation, so the test
// does not lean on the code it checks.
QByteArray chromiumEncrypt(const QByteArray& plain, const QByteArray& password,
                           const QByteArray& host, const QByteArray& prefix = "v10")
{
    const QByteArray key = QPasswordDigestor::deriveKeyPbkdf2(
        QCryptographicHash::Sha1, password, QByteArrayLiteral("saltysalt"), 1, 16);
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
                  {QStringLiteral("enc"), QStringLiteral("-aes-128-cbc"), QStringLiteral("-K"),
                   QString::fromLatin1(key.toHex()), QStringLiteral("-iv"),
                   QString::fromLatin1(QByteArray(16, ' ').toHex())});
    openssl.write(QCryptographicHash::hash(host, QCryptographicHash::Sha256) + plain);
    openssl.closeWriteChannel();
    openssl.waitForFinished();
    return prefix + openssl.readAllStandardOutput();
}

struct Row {
    QByteArray name;
    QByteArray value;
    qint64 expiresSecondsFromNow = 86'400;
    QByteArray host = "127.0.0.1";
    QByteArray path = "/";
    qint64 createdSecondsAgo = 0;
    qint64 usedSecondsAgo = 0;
    // Chromium's top_frame_site_key, Firefox's originAttributes.
    QByteArray jar = {};
};

// A database shaped like the browser's, written with Qt SQL; `schema` replaces the
// cookie table's definition when set.
bool makeDatabase(const QString& path, bool chromium, const QList<Row>& rows,
                  const QString& schema = {})
{
    QDir().mkpath(QFileInfo(path).path());
    const QString connection = QStringLiteral("make-") + path;
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        ok = db.open();
        QSqlQuery query(db);
        const qint64 nowUs = QDateTime::currentMSecsSinceEpoch() * 1000;
        // Chromium counts from 1601, Firefox from 1970; both in microseconds but for
        // Firefox's expiry, in milliseconds.
        const qint64 epoch = chromium ? chromiumEpochOffsetUs : 0;
        if (chromium) {
            ok = ok && query.exec(QStringLiteral("CREATE TABLE meta (key TEXT, value TEXT)")) &&
                 query.exec(QStringLiteral("INSERT INTO meta VALUES ('version', '24')")) &&
                 query.exec(schema.isEmpty()
                                ? QStringLiteral("CREATE TABLE cookies (host_key TEXT, name TEXT, "
                                                 "value TEXT, encrypted_value BLOB, expires_utc "
                                                 "INTEGER, has_expires INTEGER, last_access_utc "
                                                 "INTEGER, path TEXT, top_frame_site_key TEXT, "
                                                 "creation_utc INTEGER)")
                                : schema);
        } else {
            ok = ok && query.exec(schema.isEmpty()
                                      ? QStringLiteral("CREATE TABLE moz_cookies (name TEXT, value "
                                                       "TEXT, host TEXT, expiry INTEGER, "
                                                       "lastAccessed INTEGER, path TEXT, "
                                                       "originAttributes TEXT, creationTime "
                                                       "INTEGER)")
                                      : schema);
        }
        for (const Row& row : rows) {
            const qint64 expiresUs = nowUs + row.expiresSecondsFromNow * 1'000'000 + epoch;
            if (chromium) {
                query.prepare(QStringLiteral("INSERT INTO cookies VALUES "
                                             "(?, ?, '', ?, ?, 1, ?, ?, ?, ?)"));
                query.addBindValue(QString::fromLatin1(row.host));
                query.addBindValue(QString::fromLatin1(row.name));
                query.addBindValue(row.value);
                query.addBindValue(expiresUs);
            } else {
                query.prepare(QStringLiteral("INSERT INTO moz_cookies VALUES "
                                             "(?, ?, ?, ?, ?, ?, ?, ?)"));
                query.addBindValue(QString::fromLatin1(row.name));
                query.addBindValue(QString::fromLatin1(row.value));
                query.addBindValue(QString::fromLatin1(row.host));
                query.addBindValue(expiresUs / 1000);
            }
            query.addBindValue(nowUs - row.usedSecondsAgo * 1'000'000 + epoch);
            query.addBindValue(QString::fromLatin1(row.path));
            query.addBindValue(QString::fromLatin1(row.jar));
            query.addBindValue(nowUs - row.createdSecondsAgo * 1'000'000 + epoch);
            ok = ok && query.exec();
        }
    }
    QSqlDatabase::removeDatabase(connection);
    return ok;
}

// A real kwalletd5 with a home of its own, its wallet made and opened without a prompt
// (pamOpen takes a pre-hashed password, as the login does); it denies Gaugery for good
// when told to.
class KWalletDaemon {
public:
    static constexpr const char* program = "kwalletd5";

    bool start(bool denyGaugery = false)
    {
        // The session's keyring keeps serving the Secret Service.
        const QByteArray settings = "[Wallet]\nFirst Use=false\n[org.freedesktop.secrets]\n"
                                    "apiEnabled=false\n[Auto Deny]\nkdewallet=" +
                                    QByteArray(denyGaugery ? "Gaugery\n" : "\n");
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("XDG_CONFIG_HOME"));
        environment.remove(QStringLiteral("XDG_DATA_HOME"));
        environment.insert(QStringLiteral("HOME"), m_home.path());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        m_process.setProcessEnvironment(environment);
        QDBusServiceWatcher watcher(service, QDBusConnection::sessionBus(),
                                    QDBusServiceWatcher::WatchForRegistration);
        QSignalSpy registered(&watcher, &QDBusServiceWatcher::serviceRegistered);
        if (!write(m_home.filePath(QStringLiteral(".config/kwalletrc")), settings))
            return false;
        m_process.start(QLatin1String(program), {});
        if (!registered.wait(10'000))
            return false;
        QDBusInterface wallet(service, QStringLiteral("/modules/kwalletd5"),
                              QStringLiteral("org.kde.KWallet"));
        return wallet
                   .call(QStringLiteral("pamOpen"), QStringLiteral("kdewallet"),
                         QByteArray(56, 'k'), 0)
                   .type() != QDBusMessage::ErrorMessage;
    }

    ~KWalletDaemon()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        m_process.waitForFinished();
        // The next daemon must find the name free.
        QTRY_VERIFY(!QDBusConnection::sessionBus().interface()->isServiceRegistered(service));
    }

private:
    static inline const QString service = QStringLiteral("org.kde.kwalletd5");

    QTemporaryDir m_home;
    QProcess m_process;
};

const QUrl loopbackOrigin(QStringLiteral("http://127.0.0.1:18765"));

QString noSessionIn(const QString& browser)
{
    return QStringLiteral("No signed-in session found in %1. Sign in to Claude in your browser, "
                          "then try again.")
        .arg(browser);
}

} // namespace

Q_DECLARE_METATYPE(Row)

void TestBrowserImport::realBrowsers()
{
    const QString chromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
    const QString firefox = QStandardPaths::findExecutable(QStringLiteral("firefox-esr"));
    const bool kwalletd =
        !QStandardPaths::findExecutable(QLatin1String(KWalletDaemon::program)).isEmpty();
    if (chromium.isEmpty() || firefox.isEmpty() || !kwalletd)
        QSKIP("needs the chromium, firefox-esr and kwalletd5 binaries (Debian packages "
              "chromium, firefox-esr, libkf5wallet-bin)");
    LoopbackServer server;
    QVERIFY(server.isListening());
    Home home;
    KWalletDaemon kwallet;
    QVERIFY(kwallet.start());

    // Each browser visits the page once and keeps what it set; the Chromium profiles
    // differ in where their cookie key lives (fixed password, the keyring, KWallet).
    const QStringList chromiumFlags = ::chromiumFlags(home.chromiumData());
    const QString page = server.origin().toString() + QLatin1Char('/');
    server.on("/", pageSetting("1"));
    QVERIFY(runToEnd(chromium,
                     chromiumFlags + QStringList{QStringLiteral("--password-store=basic"), page},
                     home.dir.path()));
    server.on("/", pageSetting("2"));
    QVERIFY(
        runToEnd(chromium,
                 chromiumFlags + QStringList{QStringLiteral("--password-store=gnome-libsecret"),
                                             QStringLiteral("--profile-directory=Profile 1"), page},
                 home.dir.path()));
    server.on("/", pageSetting("3"));
    QVERIFY(
        runToEnd(chromium,
                 chromiumFlags + QStringList{QStringLiteral("--password-store=kwallet5"),
                                             QStringLiteral("--profile-directory=Profile 2"), page},
                 home.dir.path()));
    server.on("/", pageSetting("4"));
    QVERIFY(
        runToEnd(firefox,
                 {QStringLiteral("--headless"), QStringLiteral("--profile"), home.firefoxProfile(),
                  QStringLiteral("--screenshot"), home.path(QStringLiteral("page.png")), page},
                 home.dir.path()));
    QCOMPARE(firstBytesOfValue(home.chromiumCookies(), "sessionKey"), QByteArray("v10"));
    QCOMPARE(
        firstBytesOfValue(home.chromiumData() + QStringLiteral("/Profile 1/Cookies"), "sessionKey"),
        QByteArray("v11"));
    QCOMPARE(
        firstBytesOfValue(home.chromiumData() + QStringLiteral("/Profile 2/Cookies"), "sessionKey"),
        QByteArray("v11"));

    // On KDE, KWallet is asked whatever the Secret Service holds.
    const QByteArray desktop = qgetenv("XDG_CURRENT_DESKTOP");
    qputenv("XDG_CURRENT_DESKTOP", "KDE");
    const BrowserImportResult result = BrowserCookieImport(server.origin(), home.locations()).run();
    qputenv("XDG_CURRENT_DESKTOP", desktop);
    QCOMPARE(result.problems.size(), 0);
    QCOMPARE(result.browsers, QStringList({QStringLiteral("Firefox"), QStringLiteral("Chromium")}));
    QStringList found;
    for (const ImportedSession& session : result.sessions)
        found << session.source() + QLatin1Char(' ') + session.cookieText() + QLatin1Char(' ') +
                     session.organizationId.value_or(QString());
    // The most recent visit first; each header as the browser orders it.
    QCOMPARE(found,
             QStringList({
                 QStringLiteral("Firefox, profile test-profile cf_clearance=test-clearance-4; "
                                "sessionKey=test-cookie-4; lastActiveOrg=test-org-4 test-org-4"),
                 QStringLiteral("Chromium, profile Profile 2 cf_clearance=test-clearance-3; "
                                "sessionKey=test-cookie-3; lastActiveOrg=test-org-3 test-org-3"),
                 QStringLiteral("Chromium, profile Profile 1 cf_clearance=test-clearance-2; "
                                "sessionKey=test-cookie-2; lastActiveOrg=test-org-2 test-org-2"),
                 QStringLiteral("Chromium, profile Default cf_clearance=test-clearance-1; "
                                "sessionKey=test-cookie-1; lastActiveOrg=test-org-1 test-org-1"),
             }));
    QCOMPARE(result.message(),
             QStringLiteral("Signed-in sessions found in 4 browser profiles; choose one:"));

    // Another origin's cookies are not this service's session.
    const BrowserImportResult other =
        BrowserCookieImport(QUrl(QStringLiteral("https://example.com")), home.locations()).run();
    QVERIFY(other.sessions.isEmpty());
    QCOMPARE(other.message(), noSessionIn(QStringLiteral("Firefox, Chromium")));
}

void TestBrowserImport::desktopApp_data()
{
    QTest::addColumn<QString>("passwordStore");
    QTest::addColumn<QString>("layout");
    QTest::addColumn<QByteArray>("prefix");

    QTest::newRow("basic store, the newer layout")
        << QStringLiteral("basic") << QStringLiteral("Network/Cookies") << QByteArray("v10");
    QTest::newRow("keyring item found by its label, the older layout")
        << QStringLiteral("gnome-libsecret") << QStringLiteral("Cookies") << QByteArray("v11");
}

// The desktop app is not packaged for the test machine: its store is made by headless
// Chromium, moved to the app's layout, with its key under the app's label and under an
// attribute nobody could guess.
void TestBrowserImport::desktopApp()
{
    QFETCH(QString, passwordStore);
    QFETCH(QString, layout);
    const QString chromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
    const QString secretTool = QStandardPaths::findExecutable(QStringLiteral("secret-tool"));
    if (chromium.isEmpty() || secretTool.isEmpty())
        QSKIP("needs chromium and secret-tool (Debian packages chromium, libsecret-tools)");
    LoopbackServer server;
    QVERIFY(server.isListening());
    Home home;
    server.on("/", pageSetting("5"));
    QVERIFY(runToEnd(chromium,
                     chromiumFlags(home.path(QStringLiteral("made"))) +
                         QStringList{QStringLiteral("--password-store=") + passwordStore,
                                     server.origin().toString() + QLatin1Char('/')},
                     home.dir.path()));
    const QString store = home.path(QStringLiteral(".config/Claude/") + layout);
    QDir().mkpath(QFileInfo(store).path());
    QVERIFY(QFile::rename(home.path(QStringLiteral("made/Default/Cookies")), store));
    QTEST(firstBytesOfValue(store, "sessionKey"), "prefix");
    if (passwordStore == QLatin1String("gnome-libsecret")) {
        const QStringList chromiumItem{QStringLiteral("application"), QStringLiteral("chromium")};
        const auto password =
            output(secretTool, QStringList{QStringLiteral("lookup")} + chromiumItem);
        QVERIFY(password && !password->isEmpty());
        QVERIFY(output(secretTool,
                       {QStringLiteral("store"), QStringLiteral("--label=Claude Safe Storage"),
                        QStringLiteral("xdg:schema"),
                        QStringLiteral("chrome_libsecret_os_crypt_password_v2"),
                        QStringLiteral("application"), QStringLiteral("test-app-9f3")},
                       *password));
        QVERIFY(output(secretTool, QStringList{QStringLiteral("clear")} + chromiumItem));
    }
    QFile file(store);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();

    const BrowserImportResult result = BrowserCookieImport(server.origin(), home.locations()).run();
    QCOMPARE(result.message(), QStringLiteral("Found in Claude Desktop."));
    QCOMPARE(result.sessions.size(), 1);
    QVERIFY(result.sessions.first().fromDesktopApp);
    QCOMPARE(result.sessions.first().cookieText(),
             QStringLiteral("cf_clearance=test-clearance-5; sessionKey=test-cookie-5; "
                            "lastActiveOrg=test-org-5"));
    // Read from a copy: the app's own file is as it was, and nothing was put beside it.
    QVERIFY(file.seek(0));
    QCOMPARE(file.readAll(), before);
    QCOMPARE(QDir(QFileInfo(store).path()).entryList(QDir::Files),
             QStringList{QFileInfo(store).fileName()});
}

void TestBrowserImport::cookieHeaders_data()
{
    QTest::addColumn<bool>("chromium");
    QTest::addColumn<QList<Row>>("rows");
    QTest::addColumn<QString>("header");

    const QByteArray host = "claude.example.test";
    const QByteArray domain = ".claude.example.test";
    const QByteArray parent = ".example.test";
    const auto v10 = [](const QByteArray& plain, const QByteArray& on) {
        return chromiumEncrypt(plain, "peanuts", on);
    };
    const qint64 day = 86'400;

    // Rows: name, value, expires in, host, path, set ago, used ago, jar.
    // Longer paths first, then the earlier set; host-only and domain cookies alike.
    QTest::newRow("companions in browser order")
        << false
        << QList<Row>{{"lastActiveOrg", "test-org-1", day, host, "/", 200},
                      {"device_id", "test-device", day, parent, "/", 100},
                      {"sessionKey", "test-cookie-1", day, host, "/", 300},
                      {"__cf_bm", "test-bm", day, domain, "/api", 0},
                      {"cf_clearance", "test-clearance", day, domain, "/", 600}}
        << QStringLiteral("__cf_bm=test-bm; cf_clearance=test-clearance; sessionKey=test-cookie-1; "
                          "lastActiveOrg=test-org-1; device_id=test-device");
    QTest::newRow("cookies the API does not get left out")
        << false
        << QList<Row>{{"sessionKey", "test-cookie-1", day, host},
                      {"sibling", "test-1", day, "other.example.test"},
                      {"parent_only", "test-2", day, "example.test"},
                      {"prefix", "test-3", day, host, "/api/org"},
                      {"container", "test-4", day, host, "/", 0, 0, "^userContextId=1"},
                      {"expired", "test-5", -60, domain}}
        << QStringLiteral("sessionKey=test-cookie-1");
    QTest::newRow("unreadable companions left out")
        << true
        << QList<Row>{{"sessionKey", v10("test-cookie-1", host), day, host, "/", 300},
                      {"device_id", v10("test-device", parent), day, parent},
                      {"garbage", "v10" + QByteArray(32, 'A'), day, host},
                      {"bad name", v10("test-5", host), day, host},
                      // Only the chosen session goes in, not an older one beside it.
                      {"sessionKey", v10("test-cookie-0", domain), day, domain, "/", 0, 60}}
        << QStringLiteral("sessionKey=test-cookie-1; device_id=test-device");
}

void TestBrowserImport::cookieHeaders()
{
    QFETCH(bool, chromium);
    QFETCH(QList<Row>, rows);
    QFETCH(QString, header);
    Home home;
    QVERIFY(
        makeDatabase(chromium ? home.chromiumCookies() : home.firefoxCookies(), chromium, rows));
    const BrowserImportResult result =
        BrowserCookieImport(QUrl(QStringLiteral("https://claude.example.test")), home.locations())
            .run();
    QCOMPARE(result.message(),
             QStringLiteral("Found in %1.")
                 .arg(chromium ? QStringLiteral("Chromium, profile Default")
                               : QStringLiteral("Firefox, profile test-profile")));
    QCOMPARE(result.sessions.first().cookieText(), header);
}

void TestBrowserImport::spoiledDatabases_data()
{
    QTest::addColumn<QString>("database");
    // "build" a database of the browser's layout with these rows (and this cookie table
    // when set), "write" these bytes, or "truncate" a built one to half its size.
    QTest::addColumn<QString>("make");
    QTest::addColumn<QList<Row>>("rows");
    QTest::addColumn<QString>("schema");
    QTest::addColumn<QByteArray>("bytes");
    // Empty: the session's keyring answers; else the password it is said to hold.
    QTest::addColumn<QByteArray>("keyringPassword");
    // "none", or a real KWallet that "denies" Gaugery or holds no key.
    QTest::addColumn<QString>("kwallet");
    QTest::addColumn<QString>("browser");
    QTest::addColumn<QString>("problem");

    const QString firefox = QStringLiteral(".mozilla/firefox/test.default/cookies.sqlite");
    const QString chromium = QStringLiteral(".config/chromium/Default/Cookies");
    // Google Chrome has no item in the session's keyring; Chromium may, from above.
    const QString chrome = QStringLiteral(".config/google-chrome/Default/Cookies");
    const QString build = QStringLiteral("build");
    const QString unreadable = QStringLiteral(": the cookie database could not be read.");
    const QString undecrypted = QStringLiteral(": the session cookie could not be decrypted.");
    const QString inFirefox = QStringLiteral("Firefox, profile test-profile");
    const QString inChromium = QStringLiteral("Chromium, profile Default");
    const QByteArray host = "127.0.0.1";
    const QList<Row> none;
    const QString noWallet = QStringLiteral("none");
    const QList<Row> keyringValue{
        {"sessionKey", chromiumEncrypt("test-cookie-1", "test-key-a", host, "v11")}};

    QTest::newRow("empty file") << firefox << QStringLiteral("write") << none << QString()
                                << QByteArray() << QByteArray() << noWallet
                                << QStringLiteral("Firefox") << inFirefox + unreadable;
    QTest::newRow("not SQLite") << firefox << QStringLiteral("write") << none << QString()
                                << QByteArray("not a database\n").repeated(300) << QByteArray()
                                << noWallet << QStringLiteral("Firefox") << inFirefox + unreadable;
    QTest::newRow("truncated") << chromium << QStringLiteral("truncate")
                               << QList<Row>{{"sessionKey",
                                              chromiumEncrypt("test-cookie-1", "peanuts", host)}}
                               << QString() << QByteArray() << QByteArray() << noWallet
                               << QStringLiteral("Chromium") << inChromium + unreadable;
    QTest::newRow("wrong schema")
        << chromium << build << none
        << QStringLiteral("CREATE TABLE cookies (host_key TEXT, name TEXT, value TEXT)")
        << QByteArray() << QByteArray() << noWallet << QStringLiteral("Chromium")
        << inChromium + QStringLiteral(": the cookie database has a layout Gaugery does not know.");
    QTest::newRow("expired cookie")
        << firefox << build << QList<Row>{{"sessionKey", "test-cookie-1", -60}} << QString()
        << QByteArray() << QByteArray() << noWallet << QStringLiteral("Firefox")
        << inFirefox + QStringLiteral(": the session has expired.");
    QTest::newRow("wrong key") << chromium << build << keyringValue << QString() << QByteArray()
                               << QByteArray("test-key-b") << noWallet << QStringLiteral("Chromium")
                               << inChromium + undecrypted;
    QTest::newRow("garbage ciphertext")
        << chromium << build << QList<Row>{{"sessionKey", "v10" + QByteArray(32, 'A')}} << QString()
        << QByteArray() << QByteArray() << noWallet << QStringLiteral("Chromium")
        << inChromium + undecrypted;
    QTest::newRow("newline in the value")
        << chromium << build
        << QList<Row>{{"sessionKey", chromiumEncrypt("test-cookie\n-1", "peanuts", host)}}
        << QString() << QByteArray() << QByteArray() << noWallet << QStringLiteral("Chromium")
        << inChromium + QStringLiteral(": the session cookie is not a valid cookie value.");
    QTest::newRow("key not in the keyring")
        << chrome << build << keyringValue << QString() << QByteArray() << QByteArray() << noWallet
        << QStringLiteral("Google Chrome")
        << QStringLiteral("Google Chrome, profile Default: the Secret Service holds no cookie key "
                          "for Google Chrome.");
    QTest::newRow("KWallet denies Gaugery")
        << chrome << build << keyringValue << QString() << QByteArray() << QByteArray()
        << QStringLiteral("denies") << QStringLiteral("Google Chrome")
        << QStringLiteral("Google Chrome, profile Default: KWallet refused to open the wallet that "
                          "holds the cookie key of Google Chrome.");
    QTest::newRow("key in neither keyring")
        << chrome << build << keyringValue << QString() << QByteArray() << QByteArray()
        << QStringLiteral("holds no key") << QStringLiteral("Google Chrome")
        << QStringLiteral("Google Chrome, profile Default: neither the Secret Service nor KWallet "
                          "holds a cookie key for Google Chrome.");
}

void TestBrowserImport::spoiledDatabases()
{
    QFETCH(QString, database);
    QFETCH(QString, make);
    QFETCH(QList<Row>, rows);
    QFETCH(QString, schema);
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, keyringPassword);
    QFETCH(QString, kwallet);
    QFETCH(QString, browser);
    QFETCH(QString, problem);
    Home home;
    const bool chromium = !database.endsWith(QLatin1String(".sqlite"));
    if (!chromium)
        home.firefoxProfile();
    const QString path = home.path(database);
    if (make == QLatin1String("write")) {
        QVERIFY(write(path, bytes));
    } else {
        QVERIFY(makeDatabase(path, chromium, rows, schema));
    }
    if (make == QLatin1String("truncate")) {
        QFile cut(path);
        QVERIFY(cut.resize(cut.size() / 2));
    }
    KWalletDaemon daemon;
    if (kwallet != QLatin1String("none")) {
        if (QStandardPaths::findExecutable(QLatin1String(KWalletDaemon::program)).isEmpty())
            QSKIP("needs kwalletd5 (Debian package libkf5wallet-bin)");
        QVERIFY(daemon.start(kwallet == QLatin1String("denies")));
    }

    SafeStorageLookup lookup = &BrowserSafeStorage::lookup;
    if (!keyringPassword.isEmpty())
        lookup = [keyringPassword](const SafeStorageItem&) {
            return SafeStorageKey{SafeStorageKey::Status::Found, {keyringPassword}};
        };
    const BrowserImportResult result =
        BrowserCookieImport(loopbackOrigin, home.locations(), lookup).run();
    QVERIFY(result.sessions.isEmpty());
    QCOMPARE(result.message(), noSessionIn(browser) + QLatin1Char('\n') + problem);
}

void TestBrowserImport::databaseHeldByAnotherProcess_data()
{
    QTest::addColumn<bool>("chromium");
    QTest::addColumn<QString>("holdingScript");

    // A running Chromium keeps its database under an exclusive lock.
    QTest::newRow("Chromium's exclusive lock")
        << true
        << QStringLiteral("PRAGMA locking_mode=EXCLUSIVE;\nBEGIN EXCLUSIVE;\n"
                          "UPDATE cookies SET last_access_utc = last_access_utc + 1;\n");
    // A running Firefox has the newest cookie only in its -wal file.
    QTest::newRow("Firefox's write-ahead log")
        << false
        << QStringLiteral("PRAGMA journal_mode=WAL;\nPRAGMA wal_autocheckpoint=0;\n"
                          "UPDATE moz_cookies SET value = 'test-cookie-2';\n");
}

void TestBrowserImport::databaseHeldByAnotherProcess()
{
    QFETCH(bool, chromium);
    QFETCH(QString, holdingScript);
    const QString sqlite = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    if (sqlite.isEmpty())
        QSKIP("needs the sqlite3 tool (Debian package sqlite3)");
    Home home;
    const QString database = chromium ? home.chromiumCookies() : home.firefoxCookies();
    const QByteArray value =
        chromium ? chromiumEncrypt("test-cookie-2", "peanuts", "127.0.0.1") : "test-cookie-1";
    QVERIFY(makeDatabase(database, chromium, {{"sessionKey", value}}));

    QProcess holder;
    holder.start(sqlite, {database});
    holder.write(holdingScript.toUtf8() + "SELECT 'holding';\n");
    QByteArray said;
    QTRY_VERIFY((said += holder.readAllStandardOutput()).contains("holding"));
    if (chromium) {
        // The lock is real: the browser's own file cannot be read now.
        QSqlDatabase direct =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("direct"));
        direct.setDatabaseName(database);
        direct.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=0"));
        QVERIFY(direct.open());
        QSqlQuery query(direct);
        QVERIFY(!query.exec(QStringLiteral("SELECT count(*) FROM cookies")));
        QVERIFY(query.lastError().text().contains(QLatin1String("locked")));
    } else {
        QVERIFY(QFileInfo(database + QStringLiteral("-wal")).size() > 0);
    }

    const BrowserImportResult result =
        BrowserCookieImport(loopbackOrigin, home.locations(), SafeStorageLookup()).run();
    QCOMPARE(result.problems.size(), 0);
    QCOMPARE(result.sessions.size(), 1);
    QCOMPARE(result.sessions.first().cookieText(), QStringLiteral("sessionKey=test-cookie-2"));
    holder.closeWriteChannel();
    QVERIFY(holder.waitForFinished());
    QSqlDatabase::removeDatabase(QStringLiteral("direct"));
}

QTEST_GUILESS_MAIN(TestBrowserImport)
#include "tst_browser_import.moc"
