#include "services/history_export.h"
#include "services/history_store.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

// The usage history against real SQLite files: what goes in comes out by window and
// period, old figures go, old files are brought up to date, unusable files never stop
// the recording, and gaugery-status reads the file while the agent writes it.
class TestHistoryStore : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void keepsEveryWindowByPeriod();
    void prunesOnceADay();
    void schemaVersions_data();
    void schemaVersions();
    void unusableFile_data();
    void unusableFile();
    void statusReadsTheFile_data();
    void statusReadsTheFile();
};

namespace {

const QDateTime noon(QDate(2026, 12, 7), QTime(12, 0), Qt::UTC);
const QString session = QStringLiteral("session");

UsageData snapshot(const QDateTime& at, double session, const QDateTime& sessionReset)
{
    UsageData data;
    data.lastUpdated = at;
    data.sessionUsagePercent = session;
    data.sessionResetTime = sessionReset;
    data.weeklyUsagePercent = 10;
    data.weeklyResetTime = at.addDays(3);
    data.weeklySonnetResetTime = noon.addDays(3);
    return data;
}

UsageData snapshot(int minutes, double session, const QDateTime& sessionReset)
{
    return snapshot(noon.addSecs(minutes * 60), session, sessionReset);
}

struct Folder {
    QTemporaryDir dir;
    QStringList printed;

    QString path() const { return dir.filePath(QStringLiteral("gaugery/history.sqlite")); }
    std::unique_ptr<HistoryStore> open()
    {
        return std::make_unique<HistoryStore>(path(),
                                              [this](const QString& line) { printed << line; });
    }
    QStringList asideFiles() const
    {
        return QDir(QFileInfo(path()).absolutePath())
            .entryList({QStringLiteral("history.sqlite.corrupt-*")}, QDir::Files);
    }
};

// Runs statements on the file through a connection of the test's own.
void execute(const QString& path, const QStringList& statements)
{
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("test"));
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery query(db);
        for (const QString& statement : statements)
            QVERIFY2(query.exec(statement), qPrintable(query.lastError().text()));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("test"));
}

// Root writes anywhere: a read-only folder stops only an ordinary user.
struct OrdinaryUser {
    OrdinaryUser() { active = geteuid() == 0 && seteuid(65534) == 0; }
    ~OrdinaryUser()
    {
        if (active)
            (void)seteuid(0);
    }
    bool active = false;
};

} // namespace

void TestHistoryStore::keepsEveryWindowByPeriod()
{
    Folder folder;
    const QDateTime reset = noon.addSecs(4 * 3600);
    {
        const std::unique_ptr<HistoryStore> store = folder.open();
        QVERIFY(store->isPersistent());
        UsageData first = snapshot(0, 10, reset);
        first.weeklyOpusUsagePercent = 3;
        first.weeklyOpusResetTime = noon.addDays(3);
        first.furtherWindows.append(
            {UsageWindows::generic(QStringLiteral("seven_day_cowork")), 7, QDateTime(), {}, {}});
        store->record(first);
        // The first snapshot starts the day's upkeep; one written while it holds the file
        // waits for the next refresh.
        store->waitForUpkeep();
        // The same window, its reset reported a fraction of a second off; a figure
        // without a number is left out.
        UsageData second = snapshot(5, 12, reset.addMSecs(462));
        second.weeklySonnetUsagePercent = std::nan("");
        store->record(second);

        QCOMPARE(store->samples(session),
                 (QList<UsageSample>{{noon, 10}, {noon.addSecs(300), 12}}));
        QCOMPARE(store->samples(QStringLiteral("sonnet")).size(), 1);
        QCOMPARE(store->points(QStringLiteral("seven_day_cowork"), noon, noon.addDays(1)),
                 (QList<HistoryPoint>{{noon, QStringLiteral("seven_day_cowork"), 7, QDateTime()}}));
        QCOMPARE(store->points(QStringLiteral("opus"), noon, noon.addDays(1)).size(), 1);
        QCOMPARE(store->points(noon, noon.addSecs(299)).size(), 5);
        QCOMPARE(store->points(noon.addSecs(1), noon.addDays(1)).size(), 2);

        // A clock set back: the samples stay in time order, so the rate never turns over.
        store->record(snapshot(3, 11, reset));
        QCOMPARE(store->samples(session).at(1), (UsageSample{noon.addSecs(180), 11}));
        // A new period starts over; the other windows go on.
        store->record(snapshot(6 * 60, 2, reset.addSecs(5 * 3600)));
        QCOMPARE(store->samples(session), (QList<UsageSample>{{noon.addSecs(6 * 3600), 2}}));
        QCOMPARE(store->samples(QStringLiteral("weekly")).size(), 1);
        QCOMPARE(store->samples(QStringLiteral("sonnet")).size(), 3);
    }
    // A restart keeps it all.
    const std::unique_ptr<HistoryStore> reopened = folder.open();
    QCOMPARE(reopened->samples(QStringLiteral("sonnet")).size(), 3);
    QCOMPARE(reopened->points(session, noon, noon.addDays(1)).size(), 4);
    QCOMPARE(folder.printed, QStringList());
}

void TestHistoryStore::prunesOnceADay()
{
    Folder folder;
    const std::unique_ptr<HistoryStore> store = folder.open();
    auto stored = [&] {
        return store->points(session, noon.addDays(-400), noon.addDays(400)).size();
    };
    // Days apart, each upkeep long done before the next snapshot.
    for (int days : {-100, -91, -80}) {
        store->record(snapshot(noon.addDays(days), 1, noon.addDays(days + 1)));
        store->waitForUpkeep();
    }
    store->record(snapshot(0, 1, noon.addSecs(3600)));
    store->waitForUpkeep();
    QCOMPARE(stored(), 2);

    // A stale figure stays until a day after the last pruning.
    store->record(snapshot(noon.addDays(-95), 1, noon.addDays(-94)));
    store->record(snapshot(60, 1, noon.addSecs(7200)));
    store->waitForUpkeep();
    QCOMPARE(stored(), 4);
    store->record(snapshot(25 * 60, 1, noon.addDays(2)));
    store->waitForUpkeep();
    QCOMPARE(stored(), 4);
    QCOMPARE(store->points(session, noon.addDays(-400), noon.addDays(-90)).size(), 0);
}

void TestHistoryStore::schemaVersions_data()
{
    QTest::addColumn<QStringList>("statements");
    QTest::addColumn<bool>("persistent");

    // Version 1 kept times as ISO 8601 text.
    QTest::newRow("older shape brought up to date")
        << QStringList{QStringLiteral("CREATE TABLE figures (taken_at TEXT NOT NULL, window_id "
                                      "TEXT NOT NULL, utilization REAL NOT NULL, resets_at TEXT)"),
                       QStringLiteral("INSERT INTO figures VALUES ('2026-12-07T12:00:00Z', "
                                      "'session', 42.5, '2026-12-07T15:00:00.462Z')"),
                       QStringLiteral("INSERT INTO figures VALUES ('2026-12-07 12:05:00', "
                                      "'session', 43, '2026-12-07T15:00:30+00:00')"),
                       QStringLiteral("INSERT INTO figures VALUES ('2026-12-07T12:05:00Z', "
                                      "'weekly', 8, NULL)"),
                       QStringLiteral("PRAGMA user_version = 1")}
        << true;
    QTest::newRow("newer shape left alone")
        << QStringList{QStringLiteral("CREATE TABLE future (x)"),
                       QStringLiteral("PRAGMA user_version = 99")}
        << false;
}

void TestHistoryStore::schemaVersions()
{
    QFETCH(QStringList, statements);
    QFETCH(bool, persistent);

    Folder folder;
    QVERIFY(QDir().mkpath(QFileInfo(folder.path()).absolutePath()));
    execute(folder.path(), statements);
    const std::unique_ptr<HistoryStore> store = folder.open();
    QCOMPARE(store->isPersistent(), persistent);
    QCOMPARE(folder.asideFiles(), QStringList());
    if (!persistent) {
        QCOMPARE(folder.printed.size(), 1);
        QVERIFY(folder.printed.first().contains(QLatin1String("newer Gaugery")));
        QCOMPARE(store->points(noon.addDays(-1), noon.addDays(1)), QList<HistoryPoint>());
        execute(folder.path(), {QStringLiteral("SELECT x FROM future")});
        return;
    }
    QCOMPARE(store->points(session, noon, noon.addDays(1)),
             (QList<HistoryPoint>{{noon, session, 42.5, noon.addMSecs(3 * 3600 * 1000 + 462)},
                                  {noon.addSecs(300), session, 43, noon.addSecs(3 * 3600 + 30)}}));
    QCOMPARE(store->points(QStringLiteral("weekly"), noon, noon.addDays(1)).first().resetsAt,
             QDateTime());
    store->record(snapshot(10, 44, noon.addSecs(3 * 3600)));
    QCOMPARE(store->samples(session).size(), 3);
    QCOMPARE(folder.printed, QStringList());
}

void TestHistoryStore::unusableFile_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<QString>("said");

    QTest::newRow("read-only folder") << QString() << QStringLiteral("kept in memory only");
    QTest::newRow("not a database") << QStringLiteral("header") << QStringLiteral("moved it to");
    QTest::newRow("damaged table") << QStringLiteral("page") << QStringLiteral("moved it to");
}

void TestHistoryStore::unusableFile()
{
    QFETCH(QString, damage);
    QFETCH(QString, said);

    Folder folder;
    const QString dir = QFileInfo(folder.path()).absolutePath();
    QVERIFY(QDir().mkpath(dir));
    QByteArray damaged;
    if (damage == QLatin1String("header")) {
        damaged = QByteArray("not a database\n").repeated(600);
    } else if (damage == QLatin1String("page")) {
        folder.open()->record(snapshot(0, 10, noon.addSecs(3600)));
        QFile file(folder.path());
        QVERIFY(file.open(QIODevice::ReadOnly));
        damaged = file.readAll();
        // Page 2, the figures' table: the first one made after the schema's page.
        damaged.replace(4096, 4096, QByteArray(4096, '\xa5'));
    }
    if (!damaged.isEmpty()) {
        QFile file(folder.path());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(damaged);
    }

    std::unique_ptr<HistoryStore> store;
    if (damage.isEmpty()) {
        const QFile::Permissions readOnly = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                                            QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
        QVERIFY(QFile::setPermissions(folder.dir.path(), readOnly));
        QVERIFY(QFile::setPermissions(dir, readOnly));
        OrdinaryUser user;
        store = folder.open();
    } else {
        store = folder.open();
    }
    // The meter goes on: figures are kept, in a new file or in memory.
    store->record(snapshot(5, 12, noon.addSecs(3600)));
    store->record(snapshot(10, 14, noon.addSecs(3600)));
    QCOMPARE(store->samples(session).size(), 2);
    QCOMPARE(folder.printed.size(), 1);
    QVERIFY2(folder.printed.first().contains(said), qPrintable(folder.printed.first()));

    if (damage.isEmpty()) {
        QVERIFY(!store->isPersistent());
        for (const QString& folderPath : {dir, folder.dir.path()})
            QVERIFY(QFile::setPermissions(folderPath,
                                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        return;
    }
    // Never deleted: the damaged bytes are kept beside the new file.
    QVERIFY(store->isPersistent());
    const QStringList aside = folder.asideFiles();
    QCOMPARE(aside.size(), 1);
    QFile kept(QDir(dir).filePath(aside.first()));
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), damaged);
}

void TestHistoryStore::statusReadsTheFile_data()
{
    QTest::addColumn<bool>("stored");
    QTest::addColumn<bool>("agentRunning");
    QTest::addColumn<QString>("format");
    QTest::addColumn<int>("exitCode");

    QTest::newRow("agent writing meanwhile") << true << true << QStringLiteral("--csv") << 0;
    QTest::newRow("agent stopped") << true << false << QStringLiteral("--json") << 0;
    QTest::newRow("no history") << false << false << QStringLiteral("--csv") << 1;
}

void TestHistoryStore::statusReadsTheFile()
{
    QFETCH(bool, stored);
    QFETCH(bool, agentRunning);
    QFETCH(QString, format);

    Folder folder;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QDateTime reset = now.addSecs(3600);
    auto store = stored ? folder.open() : nullptr;
    for (int minutes = 60; stored && minutes > 0; minutes -= 5)
        store->record(snapshot(now.addSecs(-minutes * 60), 60 - minutes / 5, reset));
    if (!agentRunning)
        store.reset();

    QProcess status;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), folder.dir.path());
    status.setProcessEnvironment(environment);
    QSignalSpy finished(&status, &QProcess::finished);
    status.start(
        QStringLiteral(GAUGERY_STATUS_PROGRAM),
        {QStringLiteral("--history"), QStringLiteral("--since"), QStringLiteral("2h"), format});
    // The agent's writes go on while the command reads.
    while (agentRunning && finished.isEmpty()) {
        store->record(snapshot(QDateTime::currentDateTimeUtc(), 60, reset));
        finished.wait(1);
    }
    QVERIFY(!finished.isEmpty() || finished.wait(15000));
    QTEST(status.exitCode(), "exitCode");
    const QString out = QString::fromUtf8(status.readAllStandardOutput());
    const QString err = QString::fromUtf8(status.readAllStandardError());
    if (!stored) {
        QCOMPARE(out, QString());
        QVERIFY(err.startsWith(QLatin1String("gaugery-status: no history at ")));
        return;
    }
    QCOMPARE(err, QString());
    // The oldest snapshot's session figure, as it reads in each format.
    const QString firstTime = now.addSecs(-3600).toString(Qt::ISODate);
    if (format == QLatin1String("--json")) {
        const QJsonArray rows = QJsonDocument::fromJson(out.toUtf8()).array();
        QCOMPARE(rows.size(), 12 * 3);
        QCOMPARE(rows.at(0).toObject(),
                 (QJsonObject{{QStringLiteral("time"), firstTime},
                              {QStringLiteral("window"), session},
                              {QStringLiteral("utilization"), 48},
                              {QStringLiteral("resets_at"), reset.toString(Qt::ISODate)}}));
        return;
    }
    const QStringList lines = out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.first(), QStringLiteral("time,window,utilization,resets_at"));
    QVERIFY(lines.size() >= 1 + 12 * 3);
    for (const QString& line : lines)
        QCOMPARE(line.count(QLatin1Char(',')), 3);
    QCOMPARE(lines.at(1), firstTime + QStringLiteral(",session,48,") + reset.toString(Qt::ISODate));
}

QTEST_GUILESS_MAIN(TestHistoryStore)
#include "tst_history_store.moc"
