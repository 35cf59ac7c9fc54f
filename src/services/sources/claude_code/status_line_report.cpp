#include "services/sources/claude_code/status_line_report.h"

#include "models/usage_window.h"
#include "services/sources/claude_code/claude_code_homes.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryFile>
#include <QTimeZone>

#include <cmath>
#include <cstdio>

namespace StatusLineReports {

namespace {

const QString sessionKey = QStringLiteral("five_hour");
const QString weeklyKey = QStringLiteral("seven_day");
const QString percentKey = QStringLiteral("used_percentage");
const QString resetKey = QStringLiteral("resets_at");
const QString suffix = QStringLiteral(".json");

// A percentage Claude Code could have meant; a reset within the years a clock can show.
std::optional<StatusLineWindow> windowOf(const QJsonValue& value)
{
    const QJsonValue percent = value.toObject().value(percentKey);
    if (!percent.isDouble() || !std::isfinite(percent.toDouble()) || percent.toDouble() < 0 ||
        percent.toDouble() > 1000)
        return std::nullopt;
    StatusLineWindow window{percent.toDouble(), {}};
    const double reset = value.toObject().value(resetKey).toDouble(-1);
    if (reset > 0 && reset < 1e11)
        window.resetsAt = QDateTime::fromSecsSinceEpoch(qint64(reset), QTimeZone::utc());
    return window;
}

QJsonObject objectOf(const StatusLineWindow& window)
{
    QJsonObject object{{percentKey, window.percent}};
    if (window.resetsAt.isValid())
        object.insert(resetKey, double(window.resetsAt.toSecsSinceEpoch()));
    return object;
}

// The folder of the Claude Code that ran, as its input and environment say.
QString claudeCodeFolder(const QJsonObject& input, const Environment& environment)
{
    if (const QString configured = environment("CLAUDE_CONFIG_DIR"); !configured.isEmpty())
        return configured;
    // <folder>/projects/<project>/<session>.jsonl
    const QString transcript = input.value(QStringLiteral("transcript_path")).toString();
    if (QDir::isAbsolutePath(transcript)) {
        // By name: the folder need not exist here.
        const QFileInfo project(QFileInfo(QDir::cleanPath(transcript)).path());
        const QFileInfo projects(project.path());
        if (projects.fileName() == QLatin1String("projects"))
            return projects.path();
    }
    return environment("HOME") + QStringLiteral("/.claude");
}

} // namespace

std::optional<StatusLineReport> fromInput(const QByteArray& input, const Environment& environment,
                                          const QDateTime& now)
{
    if (input.size() > maxInputBytes)
        return std::nullopt;
    const QJsonObject object = QJsonDocument::fromJson(input).object();
    const QJsonObject limits = object.value(QStringLiteral("rate_limits")).toObject();
    StatusLineReport report{ClaudeCodeHomes::kept(claudeCodeFolder(object, environment)), now,
                            windowOf(limits.value(sessionKey)), windowOf(limits.value(weeklyKey))};
    if (!report.session && !report.weekly)
        return std::nullopt;
    return report;
}

QString folder(const Environment& environment)
{
    QString state = environment("XDG_STATE_HOME");
    // Relative paths are to be ignored, as XDG's base directory rules say.
    if (!QDir::isAbsolutePath(state))
        state = environment("HOME") + QStringLiteral("/.local/state");
    return QDir::cleanPath(state + QStringLiteral("/gaugery/claude-code-status"));
}

QString fileFor(const QString& reports, const QString& claudeCodeFolder)
{
    const QByteArray digest = QCryptographicHash::hash(
        ClaudeCodeHomes::kept(claudeCodeFolder).toUtf8(), QCryptographicHash::Sha256);
    return reports + QLatin1Char('/') + QString::fromLatin1(digest.toHex().left(16)) + suffix;
}

bool isReportName(const QString& fileName)
{
    return fileName.endsWith(suffix) && !fileName.startsWith(QLatin1Char('.'));
}

QByteArray encode(const StatusLineReport& report)
{
    QJsonObject object{{QStringLiteral("version"), formatVersion},
                       {QStringLiteral("folder"), report.folder},
                       {QStringLiteral("at"), double(report.at.toMSecsSinceEpoch())}};
    if (report.session)
        object.insert(sessionKey, objectOf(*report.session));
    if (report.weekly)
        object.insert(weeklyKey, objectOf(*report.weekly));
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<StatusLineReport> decode(const QByteArray& bytes)
{
    const QJsonObject object = QJsonDocument::fromJson(bytes).object();
    const double at = object.value(QStringLiteral("at")).toDouble(-1);
    const QString folder = object.value(QStringLiteral("folder")).toString();
    if (object.value(QStringLiteral("version")).toInt() != formatVersion || !(at > 0) ||
        at >= 1e15 || !QDir::isAbsolutePath(folder))
        return std::nullopt;
    StatusLineReport report{folder, QDateTime::fromMSecsSinceEpoch(qint64(at), QTimeZone::utc()),
                            windowOf(object.value(sessionKey)), windowOf(object.value(weeklyKey))};
    if (!report.session && !report.weekly)
        return std::nullopt;
    return report;
}

bool write(const QString& reports, const StatusLineReport& report)
{
    // Only the user reads what their Claude Code uses.
    if (!QDir().mkpath(reports))
        return false;
    QFile::setPermissions(reports,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QTemporaryFile file(reports + QStringLiteral("/.report-XXXXXX"));
    const QByteArray bytes = encode(report);
    if (!file.open() || file.write(bytes) != bytes.size() || !file.flush())
        return false;
    // Renamed by hand: QSaveFile would wait for the disk, and a report replaced at each
    // reply need only never be seen half written.
    const QByteArray from = QFile::encodeName(file.fileName());
    const QByteArray to = QFile::encodeName(fileFor(reports, report.folder));
    if (std::rename(from.constData(), to.constData()) != 0)
        return false;
    file.setAutoRemove(false);
    return true;
}

std::optional<StatusLineReport> read(const QString& file)
{
    QFile in(file);
    if (!QFileInfo(file).isFile() || !in.open(QIODevice::ReadOnly))
        return std::nullopt;
    return decode(in.read(64 * 1024));
}

QString shortLine(const std::optional<StatusLineReport>& report)
{
    const auto text = [](const std::optional<StatusLineWindow>& window) {
        return window ? UsageWindows::wholeText(window->percent) + u'%'
                      : UsageWindows::unreportedText;
    };
    return QStringLiteral("5h %1 · 7d %2")
        .arg(text(report ? report->session : std::nullopt),
             text(report ? report->weekly : std::nullopt));
}

} // namespace StatusLineReports
