#include "service_fixture.h"
#include "services/fetch/usage_notes.h"
#include "services/history/history_store.h"
#include "services/sources/claude_code/claude_code_settings_file.h"
#include "services/sources/claude_code/status_line_report.h"
#include "services/sources/claude_code/status_line_switch.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <sys/stat.h>

#include <cmath>

// Claude Code's status line as a source of figures: gaugery-status run as Claude Code runs
// it, its report taken by the running service, and the entry in Claude Code's settings.json.
class TestStatusLine : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void command_data();
    void command();
    void reportIsAnAnswer();
    void statusLineAloneSendsNothing();
    void tokenRequests_data();
    void tokenRequests();
    void settingsFile_data();
    void settingsFile();
};

namespace {

using Fx = ServiceFixture;
constexpr double none = -1;

QByteArray realInput()
{
    QFile file(QStringLiteral(GAUGERY_TEST_DATA "/claude-code/statusline-input-2.1.328.json"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The real input with its rate_limits replaced (removed when null).
QByteArray inputWith(const QJsonValue& limits, const QString& key = QStringLiteral("rate_limits"))
{
    QJsonObject object = QJsonDocument::fromJson(realInput()).object();
    if (limits.isNull())
        object.remove(key);
    else
        object.insert(key, limits);
    return QJsonDocument(object).toJson();
}

struct Run {
    int exitCode = -1;
    QByteArray out;
};

// As Claude Code runs its status line: the input on standard input, in an environment of
// the test's own.
Run runCommand(const QByteArray& input, const QStringList& arguments,
               const QProcessEnvironment& environment)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(GAUGERY_STATUS_PROGRAM), arguments);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(15000))
        return {};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput()};
}

QProcessEnvironment environmentIn(const QString& home, const QString& configDir = {})
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("XDG_STATE_HOME"), home + QStringLiteral("/state"));
    environment.remove(QStringLiteral("CLAUDE_CONFIG_DIR"));
    if (!configDir.isEmpty())
        environment.insert(QStringLiteral("CLAUDE_CONFIG_DIR"), configDir);
    return environment;
}

QString reportsIn(const QString& home)
{
    return home + QStringLiteral("/state/gaugery/claude-code-status");
}

QJsonObject window(double percent, qint64 resetsAt)
{
    return {{QStringLiteral("used_percentage"), percent},
            {QStringLiteral("resets_at"), double(resetsAt)}};
}

} // namespace

void TestStatusLine::command_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("configDir"); // CLAUDE_CONFIG_DIR; "~" is the home
    QTest::addColumn<QStringList>("command");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QString>("folder"); // the report's; empty: none is written
    QTest::addColumn<double>("session");
    QTest::addColumn<double>("weekly");

    const QStringList own{QStringLiteral("--claude-code-statusline")};
    const QByteArray nothing = "5h – · 7d –\n";
    const QByteArray both = "5h 42% · 7d 17%\n";
    const QString real = QStringLiteral("/home/user/.claude");
    QTest::newRow("Claude Code's own input")
        << realInput() << QString() << own << both << real << 42.0 << 17.0;
    QTest::newRow("before the first reply")
        << inputWith(QJsonValue::Null) << QString() << own << nothing << QString() << none << none;
    QTest::newRow("the weekly window alone")
        << inputWith(QJsonObject{{QStringLiteral("seven_day"), window(17, 1797119588)}})
        << QString() << own << QByteArray("5h – · 7d 17%\n") << real << none << 17.0;
    QTest::newRow("a figure that is no number")
        << inputWith(QJsonObject{
               {QStringLiteral("five_hour"),
                QJsonObject{{QStringLiteral("used_percentage"), QStringLiteral("42")}}}})
        << QString() << own << nothing << QString() << none << none;
    QTest::newRow("not JSON") << realInput().left(200) << QString() << own << nothing << QString()
                              << none << none;
    QTest::newRow("2 MiB") << inputWith(QString(2 * 1024 * 1024, u'x'), QStringLiteral("padding"))
                           << QString() << own << nothing << QString() << none << none;
    QTest::newRow("CLAUDE_CONFIG_DIR") << realInput() << QStringLiteral("~/.claude-work") << own
                                       << both << QStringLiteral("~/.claude-work") << 42.0 << 17.0;
    QTest::newRow("a transcript in another folder")
        << inputWith(QStringLiteral("/srv/me/.claude-b/projects/-srv/a1.jsonl"),
                     QStringLiteral("transcript_path"))
        << QString() << own << both << QStringLiteral("/srv/me/.claude-b") << 42.0 << 17.0;
    QTest::newRow("a transcript outside projects")
        << inputWith(QStringLiteral("/tmp/a1.jsonl"), QStringLiteral("transcript_path"))
        << QString() << own << both << QStringLiteral("~/.claude") << 42.0 << 17.0;
    // The same input reaches the user's command, whose output is the status line.
    QTest::newRow("-- COMMAND") << realInput() << QString()
                                << (own + QStringList{QStringLiteral("--"), QStringLiteral("sh"),
                                                      QStringLiteral("-c"),
                                                      QStringLiteral("echo \"mine $(wc -c)\"")})
                                << QByteArray("mine " + QByteArray::number(realInput().size()) +
                                              "\n")
                                << real << 42.0 << 17.0;
    QTest::newRow("-- COMMAND that does not start")
        << realInput() << QString()
        << (own + QStringList{QStringLiteral("--"), QStringLiteral("/nonexistent/line")}) << both
        << real << 42.0 << 17.0;
}

void TestStatusLine::command()
{
    QFETCH(QByteArray, input);
    QFETCH(QString, configDir);
    QFETCH(QStringList, command);
    QFETCH(QString, folder);
    QFETCH(double, session);
    QFETCH(double, weekly);
    QTemporaryDir home;
    const auto inHome = [&](QString path) { return path.replace(u'~', home.path()); };
    const QDateTime before = QDateTime::currentDateTimeUtc().addMSecs(-1);
    const Run run = runCommand(input, command, environmentIn(home.path(), inHome(configDir)));
    QCOMPARE(run.exitCode, 0);
    QTEST(run.out, "out");

    const QStringList written = QDir(reportsIn(home.path())).entryList(QDir::Files | QDir::Hidden);
    if (folder.isEmpty()) {
        QCOMPARE(written, QStringList());
        return;
    }
    QCOMPARE(written.size(), 1);
    const std::optional<StatusLineReport> report =
        StatusLineReports::read(StatusLineReports::fileFor(reportsIn(home.path()), inHome(folder)));
    QVERIFY(report);
    QCOMPARE(report->folder, inHome(folder));
    QVERIFY(report->at >= before && report->at <= QDateTime::currentDateTimeUtc());
    QCOMPARE(report->session ? report->session->percent : none, session);
    QCOMPARE(report->weekly ? report->weekly->percent : none, weekly);
    if (report->session)
        QCOMPARE(report->session->resetsAt.toSecsSinceEpoch(), 1796784788);
}

void TestStatusLine::reportIsAnAnswer()
{
    Fx fx;
    fx.store->put(std::nullopt);
    fx.server.on(ServiceBodies::oauthUsagePath, ServiceBodies::json(ServiceBodies::usage()));
    fx.writeClaudeCode(QStringLiteral("test-token-1"), QDateTime::currentDateTimeUtc().addDays(1));
    auto accounts = fx.makeAccounts();
    // As the delegate keeps every snapshot.
    HistoryStore history(fx.claudeHome.filePath(QStringLiteral("history.sqlite")));
    connect(accounts.get(), &UsageAccounts::usageDataChanged, this,
            [&](const QString& id) { history.record(*accounts->service(id)->usageData()); });
    QVERIFY(Fx::startAndWait(*accounts));
    UsageService& service = accounts->first();
    const QDateTime answered = service.usageData()->lastUpdated;
    QCOMPARE(fx.server.requests().size(), 1);

    // A reply in Claude Code: the status line's figures are the account's within 2 s.
    QSignalSpy published(&service, &UsageService::usageDataChanged);
    const QString folder = QFileInfo(fx.endpoints().claudeCodeFile).path();
    const QByteArray input =
        inputWith(QJsonObject{{QStringLiteral("five_hour"), window(55.5, 1796784788)},
                              {QStringLiteral("seven_day"), window(17, 1797119588)}});
    QCOMPARE(runCommand(input, {QStringLiteral("--claude-code-statusline")},
                        environmentIn(fx.claudeHome.path(), folder))
                 .exitCode,
             0);
    QVERIFY(published.wait(2000));
    const UsageData data = *service.usageData();
    QVERIFY(data.fromStatusLine);
    QVERIFY(data.lastUpdated > answered);
    QCOMPARE(data.owner, UsageData::claudeCodeOwner);
    QCOMPARE(data.sessionUsagePercent, std::optional(55.5));
    QCOMPARE(data.sessionResetTime.toSecsSinceEpoch(), 1796784788);
    QCOMPARE(data.weeklyUsagePercent, std::optional(17.0));
    // The window it lacks keeps the service's figure, as of its answer.
    QCOMPARE(data.weeklySonnetUsagePercent, std::optional(5.0));
    QCOMPARE(data.takenAt, (QHash<QString, QDateTime>{{UsageWindows::sonnetId, answered}}));
    QCOMPARE(service.error(), std::nullopt);
    const QStringList notes = UsageNotes::of(service, data.lastUpdated);
    QVERIFY2(notes.contains(QStringLiteral("Figures from Claude Code's status line")),
             qPrintable(notes.join(u'|')));

    // In the history once each: the service's rows and the report's, none made up.
    history.waitForUpkeep();
    const auto series = [&](const QString& id) {
        QList<std::pair<qint64, double>> rows;
        for (const HistoryPoint& point :
             history.queries()
                 .points(data.owner, id, answered.addDays(-1), answered.addDays(1))
                 .rows)
            rows.append({point.at.toMSecsSinceEpoch(), point.percent});
        return rows;
    };
    const qint64 first = answered.toMSecsSinceEpoch();
    const qint64 second = data.lastUpdated.toMSecsSinceEpoch();
    QCOMPARE(series(UsageWindows::sessionId),
             (QList<std::pair<qint64, double>>{{first, 42.0}, {second, 55.5}}));
    QCOMPARE(series(UsageWindows::sonnetId), (QList<std::pair<qint64, double>>{{first, 5.0}}));

    // A report older than the figures shown replaces nothing.
    StatusLineReport older{folder, answered.addSecs(-60), StatusLineWindow{99, {}}, std::nullopt};
    QVERIFY(StatusLineReports::write(fx.endpoints().statusLineReports, older));
    QVERIFY(!published.wait(500));
    QCOMPARE(service.usageData()->sessionUsagePercent, std::optional(55.5));

    // While reports come, the token is spared: Refresh sends nothing this soon.
    service.fetchUsage();
    QVERIFY(fx.settle(service));
    QCOMPARE(fx.server.requests().size(), 1);
}

void TestStatusLine::statusLineAloneSendsNothing()
{
    Fx fx;
    fx.store->put(std::nullopt);
    fx.server.on(ServiceBodies::oauthUsagePath, ServiceBodies::json(ServiceBodies::usage()));
    fx.writeClaudeCode(QStringLiteral("test-token-1"), QDateTime::currentDateTimeUtc().addDays(1));
    const QString folder = QFileInfo(fx.endpoints().claudeCodeFile).path();
    StatusLineSwitch::setReading(fx.defaults.defaults(), folder, StatusLineReading::statusLineOnly);
    auto accounts = fx.makeAccounts();
    accounts->start();
    UsageService& service = accounts->first();
    QVERIFY(fx.settle(service));
    service.fetchUsage();
    QVERIFY(fx.settle(service));
    QCOMPARE(service.usageData(), std::nullopt);
    QCOMPARE(service.error(), std::nullopt);
    QCOMPARE(UsageNotes::of(service, QDateTime::currentDateTimeUtc()).value(0),
             QStringLiteral("Figures come from Claude Code's status line, after its next reply."));

    // Its one window is the figure; the session stays unreported, not 0 %.
    QSignalSpy published(&service, &UsageService::usageDataChanged);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QVERIFY(StatusLineReports::write(fx.endpoints().statusLineReports,
                                     {folder, now, std::nullopt, StatusLineWindow{17, {}}}));
    QVERIFY(published.wait(2000));
    QCOMPARE(service.usageData()->sessionUsagePercent, std::nullopt);
    QCOMPARE(service.usageData()->weeklyUsagePercent, std::optional(17.0));
    QCOMPARE(UsageWindows::figures(*service.usageData()).size(), 1);
    service.fetchUsage();
    QVERIFY(fx.settle(service));

    // A Gaugery started later takes the report while it is current.
    accounts.reset();
    auto later = fx.makeAccounts();
    later->start();
    QTRY_VERIFY(later->first().usageData());
    QCOMPARE(later->first().usageData()->weeklyUsagePercent, std::optional(17.0));
    QVERIFY(later->first().usageData()->fromStatusLine);
    QCOMPARE(fx.server.requests().size(), 0);
}

void TestStatusLine::tokenRequests_data()
{
    QTest::addColumn<bool>("statusLineOnly");
    QTest::addColumn<int>("reportAgo"); // seconds; -1: none
    QTest::addColumn<int>("requestAgo");
    QTest::addColumn<bool>("mayAsk");

    // A refresh interval of 5 minutes.
    QTest::newRow("the status line alone") << true << 10 << -1 << false;
    QTest::newRow("no report") << false << -1 << 30 << true;
    QTest::newRow("reports come, none asked yet") << false << 10 << -1 << true;
    QTest::newRow("reports come, asked 14 min ago") << false << 10 << 14 * 60 << false;
    QTest::newRow("reports come, asked 15 min ago") << false << 10 << 15 * 60 << true;
    QTest::newRow("the last report older than the interval") << false << 301 << 60 << true;
    QTest::newRow("a clock set back") << false << 10 << -3600 << true;
}

void TestStatusLine::tokenRequests()
{
    QFETCH(bool, statusLineOnly);
    QFETCH(int, reportAgo);
    QFETCH(int, requestAgo);
    const QDateTime now(QDate(2026, 12, 9), QTime(3, 0), QTimeZone::utc());
    const auto ago = [&](int seconds) {
        return seconds == -1 ? std::nullopt : std::optional(now.addSecs(-seconds));
    };
    QTEST(StatusLineRequests::mayAsk(statusLineOnly ? StatusLineReading::statusLineOnly
                                                    : StatusLineReading::statusLineAndService,
                                     ago(reportAgo), ago(requestAgo), 300, now),
          "mayAsk");
}

void TestStatusLine::settingsFile_data()
{
    QTest::addColumn<QByteArray>("original"); // "none": no file
    QTest::addColumn<QString>("problem");     // the beginning of the reason it is refused

    const QByteArray chained = R"json({
  "model": "opus",
  "statusLine": {
    "type": "command",
    "command": "cat > /dev/null; echo 'my own line'",
    "padding": 0
  },
  "permissions": {"allow": ["Bash(ls:*)"], "deny": []},
  "cleanupPeriodDays": 1.50
}
)json";
    QTest::newRow("other keys and a command of the user's") << chained << QString();
    QTest::newRow("no status line") << QByteArray("{\n\t\"model\": \"opus\"\n}\n") << QString();
    QTest::newRow("written on one line")
        << QByteArray(R"json({"env":{"A":"}{,"},"model":"opus"})json") << QString();
    QTest::newRow("an empty object") << QByteArray("{ }") << QString();
    QTest::newRow("no file") << QByteArray("none") << QString();
    QTest::newRow("not JSON") << QByteArray("{\"model\": \"opus\",}\n")
                              << QStringLiteral("Its settings.json is not valid JSON");
    QTest::newRow("no object") << QByteArray("[1]")
                               << QStringLiteral("Its settings.json holds no JSON object");
}

void TestStatusLine::settingsFile()
{
    QFETCH(QByteArray, original);
    QFETCH(QString, problem);
    TemporarySettings settings;
    QTemporaryDir folder;
    QFile file(folder.filePath(QStringLiteral("settings.json")));
    if (original != "none") {
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(original);
        file.close();
        QVERIFY(file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    }
    const auto bytes = [&] {
        QFile in(file.fileName());
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray("none");
    };
    const QString program = QStringLiteral(GAUGERY_STATUS_PROGRAM);
    const std::optional<QString> refused =
        StatusLineSwitch::turnOn(settings.defaults(), folder.path(), program);
    if (!problem.isEmpty()) {
        QVERIFY(refused && refused->startsWith(problem));
        QCOMPARE(bytes(), original);
        QVERIFY(!StatusLineSwitch::isOn(folder.path()));
        return;
    }
    QCOMPARE(refused, std::nullopt);
    QVERIFY(StatusLineSwitch::isOn(folder.path()));
    const QByteArray on = bytes();
    const QJsonObject written = QJsonDocument::fromJson(on).object();
    QJsonObject before = QJsonDocument::fromJson(original).object();
    const QString previous = ClaudeCodeSettingsFile::command(original);
    QCOMPARE(written.value(QStringLiteral("statusLine")).toObject(),
             (QJsonObject{
                 {QStringLiteral("type"), QStringLiteral("command")},
                 {QStringLiteral("command"), StatusLineSwitch::commandFor(program, previous)}}));
    before.remove(QStringLiteral("statusLine"));
    QJsonObject others = written;
    others.remove(QStringLiteral("statusLine"));
    QCOMPARE(others, before);
    struct stat status {};
    if (original != "none") {
        QCOMPARE(::stat(QFile::encodeName(file.fileName()).constData(), &status), 0);
        QCOMPARE(status.st_mode & 0777, 0600u);
    }

    // As Claude Code runs it: the figures are handed on, the user's own line still printed.
    QTemporaryDir home;
    QProcess shell;
    shell.setProcessEnvironment(environmentIn(home.path(), folder.path()));
    shell.start(QStringLiteral("sh"), {QStringLiteral("-c"), ClaudeCodeSettingsFile::command(on)});
    shell.write(realInput());
    shell.closeWriteChannel();
    QVERIFY(shell.waitForFinished(15000));
    QCOMPARE(shell.readAllStandardOutput(),
             previous.isEmpty() ? QByteArray("5h 42% · 7d 17%\n") : QByteArray("my own line\n"));
    QVERIFY(
        StatusLineReports::read(StatusLineReports::fileFor(reportsIn(home.path()), folder.path())));

    // Claude Code changes another key meanwhile; turning it off keeps that and puts back
    // the rest byte for byte.
    QByteArray later = on;
    later.replace("\"opus\"", "\"sonnet\"");
    if (original != "none") {
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(later);
        file.close();
    }
    QCOMPARE(StatusLineSwitch::turnOff(settings.defaults(), folder.path()), std::nullopt);
    QByteArray expected = original;
    expected.replace("\"opus\"", "\"sonnet\"");
    QCOMPARE(bytes(), expected);
    QVERIFY(!StatusLineSwitch::isOn(folder.path()));
}

QTEST_GUILESS_MAIN(TestStatusLine)
#include "tst_status_line.moc"
