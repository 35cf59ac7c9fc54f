#include "history_fixture.h"
#include "services/history/history_export.h"
#include "services/history/history_store.h"

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
#include <QTimeZone>

#include <unistd.h>

// The usage history against real SQLite files: what goes in comes out by owner, window
// and period, old figures go and a wrong clock takes nothing with them, the log stays
// short, old files are brought up to date, unusable files never stop the recording, and
// gaugery-status reads the file while the agent writes it and says when it cannot.
class TestHistoryStore : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void keepsEveryWindowByPeriod();
    void prunesOnceADay();
    void wrongClock_data();
    void wrongClock();
    void checkpointsALongLog();
    void schemaVersions_data();
    void schemaVersions();
    void unusableFile_data();
    void unusableFile();
    void statusReadsTheFile_data();
    void statusReadsTheFile();
};

namespace {

const QDateTime noon(QDate(2026, 12, 7), QTime(12, 0), QTimeZone::utc());
const QString session = QStringLiteral("session");
const QString owner = QStringLiteral("org-a");

UsageData snapshot(const QDateTime& at, double session, const QDateTime& sessionReset)
{
    UsageData data;
    data.owner = owner;
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

QList<UsageSample> samples(const HistoryStore& store, const QString& windowId,
                           const QString& whose = owner)
{
    return store.queries().samples(whose, windowId).rows;
}

QList<HistoryPoint> points(const HistoryStore& store, const QString& windowId,
                           const QDateTime& from, const QDateTime& to, const QString& whose = owner)
{
    return store.queries().points(whose, windowId, from, to).rows;
}

struct Folder {
    QTemporaryDir dir;
    QStringList printed;

    QString path() const { return dir.filePath(QStringLiteral("gaugery/history.sqlite")); }
    std::unique_ptr<HistoryStore> open(const QString& priorOwner = QString())
    {
        return std::make_unique<HistoryStore>(
            path(), [this](const QString& line) { printed << line; }, priorOwner);
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
    const QString other = UsageData::claudeCodeOwner;
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
        // Another account's figures at the same times never join this one's series.
        UsageData others = snapshot(5, 90, reset);
        others.owner = other;
        store->record(others);

        QCOMPARE(samples(*store, session),
                 (QList<UsageSample>{{noon, 10}, {noon.addSecs(300), 12}}));
        QCOMPARE(samples(*store, session, other), (QList<UsageSample>{{noon.addSecs(300), 90}}));
        QCOMPARE(store->queries().windowIds(other).rows,
                 (QStringList{session, QStringLiteral("sonnet"), QStringLiteral("weekly")}));
        QCOMPARE(samples(*store, QStringLiteral("sonnet")).size(), 1);
        QCOMPARE(points(*store, QStringLiteral("seven_day_cowork"), noon, noon.addDays(1)),
                 (QList<HistoryPoint>{{noon, QStringLiteral("seven_day_cowork"), 7, QDateTime()}}));
        QCOMPARE(points(*store, QStringLiteral("opus"), noon, noon.addDays(1)).size(), 1);
        QCOMPARE(store->queries().points(owner, noon, noon.addSecs(299)).rows.size(), 5);
        QCOMPARE(store->queries().points(owner, noon.addSecs(1), noon.addDays(1)).rows.size(), 2);

        // A clock set back: the samples stay in time order, so the rate never turns over.
        store->record(snapshot(3, 11, reset));
        QCOMPARE(samples(*store, session).at(1), (UsageSample{noon.addSecs(180), 11}));
        // A new period starts over; the other windows go on.
        UsageData next = snapshot(6 * 60, 2, reset.addSecs(5 * 3600));
        next.furtherWindows.append({UsageWindows::extraUsage(), 69, QDateTime(), {}, {}});
        store->record(next);
        QCOMPARE(samples(*store, session), (QList<UsageSample>{{noon.addSecs(6 * 3600), 2}}));
        QCOMPARE(samples(*store, QStringLiteral("weekly")).size(), 1);
        QCOMPARE(samples(*store, QStringLiteral("sonnet")).size(), 3);
    }
    // A restart keeps it all.
    const std::unique_ptr<HistoryStore> reopened = folder.open();
    QCOMPARE(samples(*reopened, QStringLiteral("sonnet")).size(), 3);
    QCOMPARE(points(*reopened, session, noon, noon.addDays(1)).size(), 4);
    // Each owner's newest snapshot, newest first, its windows named as when it was fetched.
    const QList<UsageData> latest = reopened->queries().latestSnapshots().rows;
    QCOMPARE(latest.size(), 2);
    QCOMPARE(latest.first().sessionUsagePercent, std::optional(2.0));
    QCOMPARE(latest.first().furtherWindows.value(0).kind.title, UsageWindows::extraUsage().title);
    QCOMPARE(latest.last().owner, other);
    QCOMPARE(folder.printed, QStringList());
}

void TestHistoryStore::prunesOnceADay()
{
    Folder folder;
    const std::unique_ptr<HistoryStore> store = folder.open();
    auto stored = [&] {
        return points(*store, session, noon.addDays(-400), noon.addDays(400)).size();
    };
    // Days apart, each upkeep long done before the next snapshot.
    for (int days : {-100, -91, -80}) {
        store->record(snapshot(noon.addDays(days), 1, noon.addDays(days + 1)));
        store->waitForUpkeep();
    }
    store->record(snapshot(0, 1, noon.addSecs(3600)));
    store->waitForUpkeep();
    QCOMPARE(stored(), 2);

    // A clock put back prunes by its own time; the right clock, back a day after that,
    // prunes the stale figure, and not again within a day.
    store->record(snapshot(noon.addDays(-95), 1, noon.addDays(-94)));
    store->waitForUpkeep();
    QCOMPARE(stored(), 3);
    store->record(snapshot(60, 1, noon.addSecs(7200)));
    store->waitForUpkeep();
    QCOMPARE(stored(), 3);
    store->record(snapshot(2 * 60, 1, noon.addSecs(7200)));
    store->waitForUpkeep();
    QCOMPARE(stored(), 4);
    QCOMPARE(points(*store, session, noon.addDays(-400), noon.addDays(-90)).size(), 0);
}

void TestHistoryStore::wrongClock_data()
{
    QTest::addColumn<int>("clockDays");
    QTest::addColumn<QList<int>>("kept");

    // The clock's error at the first snapshot, then put right; the real rows left after
    // it, after the next and after one a day later, when the 89½ days old row is due.
    QTest::newRow("ahead") << 100 << QList<int>{3, 3, 2};
    QTest::newRow("behind") << -100 << QList<int>{4, 3, 2};
}

void TestHistoryStore::wrongClock()
{
    QFETCH(int, clockDays);
    QFETCH(QList<int>, kept);

    Folder folder;
    // What earlier runs kept; without a reset the service vouches for, they prune nothing.
    const QList<QDateTime> real{noon.addDays(-100), noon.addDays(-89).addSecs(-12 * 3600),
                                noon.addDays(-50), noon.addDays(-1)};
    {
        const std::unique_ptr<HistoryStore> earlier = folder.open();
        for (const QDateTime& at : real)
            earlier->record(snapshot(at, 1, QDateTime()));
    }
    const std::unique_ptr<HistoryStore> store = folder.open();
    auto stored = [&] { return points(*store, session, noon.addDays(-400), noon).size(); };
    QCOMPARE(stored(), 4);
    // The service's resets come from its own clock, a few hours ahead of the true time.
    const QList<std::pair<QDateTime, QDateTime>> steps{
        {noon.addDays(clockDays), noon.addSecs(3 * 3600)},
        {noon.addSecs(300), noon.addSecs(3 * 3600)},
        {noon.addDays(1).addSecs(3600), noon.addDays(1).addSecs(3 * 3600)}};
    for (int i = 0; i < steps.size(); ++i) {
        store->record(snapshot(steps.at(i).first, 1, steps.at(i).second));
        store->waitForUpkeep();
        QCOMPARE(stored(), kept.at(i));
    }
}

void TestHistoryStore::checkpointsALongLog()
{
    Folder folder;
    const std::unique_ptr<HistoryStore> store = folder.open();
    const QString log = folder.path() + QStringLiteral("-wal");
    qint64 longest = 0;
    // Ten hours at a minute's interval: each snapshot adds a few pages to the log.
    for (int minute = 0; minute < 600; ++minute) {
        store->record(snapshot(minute, minute % 100, noon.addSecs(5 * 3600)));
        store->waitForUpkeep();
        longest = std::max(longest, QFileInfo(log).size());
    }
    QVERIFY2(longest < 2 * HistoryWriter::checkpointLogBytes, qPrintable(QString::number(longest)));
    QVERIFY(QFileInfo(log).size() < HistoryWriter::checkpointLogBytes);
    QCOMPARE(points(*store, session, noon, noon.addDays(1)).size(), 600);
}

void TestHistoryStore::schemaVersions_data()
{
    QTest::addColumn<QStringList>("statements");
    QTest::addColumn<QString>("priorOwner");
    QTest::addColumn<bool>("persistent");

    const QString ms = QString::number(noon.toMSecsSinceEpoch());
    // Version 1 kept times as ISO 8601 text.
    QTest::newRow("version 1, an organization chosen")
        << QStringList{QStringLiteral("CREATE TABLE figures (taken_at TEXT NOT NULL, window_id "
                                      "TEXT NOT NULL, utilization REAL NOT NULL, resets_at TEXT)"),
                       QStringLiteral("INSERT INTO figures VALUES ('2026-12-07T12:00:00Z', "
                                      "'session', 42.5, '2026-12-07T15:00:00.462Z')"),
                       QStringLiteral("INSERT INTO figures VALUES ('2026-12-07 12:05:00', "
                                      "'session', 43, '2026-12-07T15:00:30+00:00')"),
                       QStringLiteral("INSERT INTO figures VALUES ('2026-12-07T12:05:00Z', "
                                      "'weekly', 8, NULL)"),
                       QStringLiteral("PRAGMA user_version = 1")}
        << owner << true;
    // Version 2 did not say whose the figures were.
    QTest::newRow("version 2, none chosen")
        << QStringList{QStringLiteral("CREATE TABLE figures (window_id TEXT NOT NULL, taken_at "
                                      "INTEGER NOT NULL, utilization REAL NOT NULL, resets_at "
                                      "INTEGER, PRIMARY KEY (window_id, taken_at)) WITHOUT ROWID"),
                       QStringLiteral("CREATE INDEX figures_by_time ON figures (taken_at)"),
                       QStringLiteral("INSERT INTO figures VALUES ('session', %1, 42.5, %1 + "
                                      "10800462), ('session', %1 + 300000, 43, %1 + 10830000), "
                                      "('weekly', %1 + 300000, 8, NULL)")
                           .arg(ms),
                       QStringLiteral("PRAGMA user_version = 2")}
        << QString() << true;
    QTest::newRow("newer shape left alone")
        << QStringList{QStringLiteral("CREATE TABLE future (x)"),
                       QStringLiteral("PRAGMA user_version = 99")}
        << owner << false;
}

void TestHistoryStore::schemaVersions()
{
    QFETCH(QStringList, statements);
    QFETCH(QString, priorOwner);
    QFETCH(bool, persistent);

    Folder folder;
    QVERIFY(QDir().mkpath(QFileInfo(folder.path()).absolutePath()));
    execute(folder.path(), statements);
    const std::unique_ptr<HistoryStore> store = folder.open(priorOwner);
    QCOMPARE(store->isPersistent(), persistent);
    QCOMPARE(folder.asideFiles(), QStringList());
    if (!persistent) {
        QCOMPARE(folder.printed.size(), 1);
        QVERIFY(folder.printed.first().contains(QLatin1String("newer Gaugery")));
        QCOMPARE(store->queries().points(owner, noon.addDays(-1), noon.addDays(1)).rows,
                 QList<HistoryPoint>());
        execute(folder.path(), {QStringLiteral("SELECT x FROM future")});
        return;
    }
    // The rows are the organization's chosen at the update, or with none chosen, the
    // first snapshot's after it.
    const QList<HistoryPoint> kept{{noon, session, 42.5, noon.addMSecs(3 * 3600 * 1000 + 462)},
                                   {noon.addSecs(300), session, 43, noon.addSecs(3 * 3600 + 30)}};
    QCOMPARE(points(*store, session, noon, noon.addDays(1)),
             priorOwner.isEmpty() ? QList<HistoryPoint>() : kept);
    store->record(snapshot(10, 44, noon.addSecs(3 * 3600)));
    store->waitForUpkeep();
    QCOMPARE(points(*store, session, noon, noon.addSecs(300)), kept);
    QCOMPARE(points(*store, QStringLiteral("weekly"), noon, noon.addDays(1)).first().resetsAt,
             QDateTime());
    QCOMPARE(samples(*store, session).size(), 3);
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
    store->waitForUpkeep();
    QCOMPARE(samples(*store, session).size(), 2);
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
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("output");
    // What it says on failing, with exit status 1.
    QTest::addColumn<QString>("said");

    const QString csv = QStringLiteral("--csv");
    QTest::newRow("agent writing meanwhile")
        << QStringLiteral("writing") << QStringList{csv} << QString() << QString();
    QTest::newRow("agent stopped")
        << QStringLiteral("kept") << QStringList{QStringLiteral("--json")} << QString()
        << QString();
    QTest::newRow("another owner")
        << QStringLiteral("kept")
        << QStringList{csv, QStringLiteral("--owner"), UsageData::claudeCodeOwner} << QString()
        << QString();
    QTest::newRow("no history") << QString() << QStringList{csv} << QString()
                                << QStringLiteral("gaugery-status: no history at ");
    QTest::newRow("damaged page") << QStringLiteral("damaged")
                                  << QStringList{csv, QStringLiteral("--owner"), owner} << QString()
                                  << QStringLiteral("gaugery-status: cannot read ");
    QTest::newRow("full disk") << QStringLiteral("kept") << QStringList{csv}
                               << QStringLiteral("/dev/full")
                               << QStringLiteral("gaugery-status: cannot write the output: ");
}

void TestHistoryStore::statusReadsTheFile()
{
    QFETCH(QString, file);
    QFETCH(QStringList, arguments);
    QFETCH(QString, output);
    QFETCH(QString, said);

    Folder folder;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QDateTime reset = now.addSecs(3600);
    auto store = file.isEmpty() ? nullptr : folder.open();
    auto record = [&](qint64 secondsAgo, double percent, const QString& whose) {
        UsageData data = snapshot(now.addSecs(-secondsAgo), percent, reset);
        // Unknown: an empty field, not a made-up time.
        data.weeklyResetTime = QDateTime();
        data.owner = whose;
        store->record(data);
        store->waitForUpkeep();
    };
    if (store) {
        // Claude Code's figures first: another owner's, never in the default output.
        for (int minutes : {100, 95})
            record(minutes * 60, 7, UsageData::claudeCodeOwner);
        // Enough rows for many pages, so that the damage cuts the list part way.
        for (int seconds = 7000; file == QLatin1String("damaged") && seconds > 3600; seconds -= 10)
            record(seconds, 1, owner);
        for (int minutes = 60; minutes > 0; minutes -= 5)
            record(minutes * 60, 60 - minutes / 5, owner);
    }
    if (file != QLatin1String("writing"))
        store.reset();
    if (file == QLatin1String("damaged"))
        QVERIFY(HistoryFixture::damageLastPage(folder.path()));

    QProcess status;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), folder.dir.path());
    status.setProcessEnvironment(environment);
    if (!output.isEmpty())
        status.setStandardOutputFile(output);
    QSignalSpy finished(&status, &QProcess::finished);
    status.start(
        QStringLiteral(GAUGERY_STATUS_PROGRAM),
        QStringList{QStringLiteral("--history"), QStringLiteral("--since"), QStringLiteral("2h")} +
            arguments);
    // The agent's writes go on while the command reads.
    while (store && finished.isEmpty()) {
        record(QDateTime::currentDateTimeUtc().secsTo(now), 60, owner);
        finished.wait(1);
    }
    QVERIFY(!finished.isEmpty() || finished.wait(15000));
    QCOMPARE(status.exitCode(), said.isEmpty() ? 0 : 1);
    const QString out = QString::fromUtf8(status.readAllStandardOutput());
    const QString err = QString::fromUtf8(status.readAllStandardError());
    if (!said.isEmpty()) {
        QCOMPARE(out, QString());
        QVERIFY2(err.startsWith(said), qPrintable(err));
        return;
    }
    QCOMPARE(err, QString());
    // The oldest snapshot's session figure, as it reads in each format.
    if (arguments.contains(QStringLiteral("--json"))) {
        const QJsonArray rows = QJsonDocument::fromJson(out.toUtf8()).array();
        QCOMPARE(rows.size(), 12 * 3);
        QCOMPARE(rows.at(0).toObject(),
                 (QJsonObject{{QStringLiteral("time"), now.addSecs(-3600).toString(Qt::ISODate)},
                              {QStringLiteral("window"), session},
                              {QStringLiteral("utilization"), 48},
                              {QStringLiteral("resets_at"), reset.toString(Qt::ISODate)}}));
        QCOMPARE(rows.at(2).toObject().value(QStringLiteral("resets_at")), QJsonValue());
        return;
    }
    const QStringList lines = out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.first(), QStringLiteral("time,window,utilization,resets_at"));
    for (const QString& line : lines)
        QCOMPARE(line.count(QLatin1Char(',')), 3);
    const bool others = arguments.contains(QStringLiteral("--owner"));
    const QString firstTime = now.addSecs(others ? -6000 : -3600).toString(Qt::ISODate);
    QVERIFY(others ? lines.size() == 1 + 2 * 3 : lines.size() >= 1 + 12 * 3);
    QCOMPARE(lines.at(1), QStringLiteral("%1,session,%2,%3")
                              .arg(firstTime, others ? QStringLiteral("7") : QStringLiteral("48"),
                                   reset.toString(Qt::ISODate)));
    QCOMPARE(lines.at(3), firstTime + QStringLiteral(",weekly,10,"));
}

QTEST_GUILESS_MAIN(TestHistoryStore)
#include "tst_history_store.moc"
