#include "services/sources/claude_code/claude_code_version.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>

namespace {

// What the endpoint has been seen to accept when no version is known.
const QByteArray fallbackVersion = "2.1";
// `--version` prints one short line; more is not Claude Code.
constexpr qint64 maxOutputBytes = 4096;

} // namespace

ClaudeCodeVersion::ClaudeCodeVersion(QObject* parent) : QObject(parent) {}

void ClaudeCodeVersion::ask(const QString& program)
{
    if (m_asked)
        return;
    m_asked = true;
    const QString found = QStandardPaths::findExecutable(program);
    if (found.isEmpty()) {
        QTimer::singleShot(0, this, &ClaudeCodeVersion::answered);
        return;
    }
    auto* process = new QProcess(this);
    process->setProcessChannelMode(QProcess::SeparateChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    const auto settle = [this, process] {
        if (process->property("settled").toBool())
            return;
        process->setProperty("settled", true);
        if (const auto version = parse(process->read(maxOutputBytes)))
            m_version = *version;
        process->deleteLater();
        Q_EMIT answered();
    };
    connect(process, &QProcess::finished, this, [process, settle](int code) {
        if (code != 0 || process->exitStatus() != QProcess::NormalExit)
            process->readAll();
        settle();
    });
    connect(process, &QProcess::errorOccurred, this, [process, settle](QProcess::ProcessError e) {
        // A crash or a kill is followed by finished(); a failed start is not.
        if (e == QProcess::FailedToStart)
            settle();
        else if (e == QProcess::Timedout)
            process->kill();
    });
    QTimer::singleShot(timeoutMs, process, [process] { process->kill(); });
    process->start(found, {QStringLiteral("--version")}, QIODevice::ReadOnly);
}

QByteArray ClaudeCodeVersion::userAgent(const ClaudeCodeVersion* known)
{
    const bool found = known && !known->m_version.isEmpty();
    return "claude-code/" + (found ? known->m_version : fallbackVersion);
}

std::optional<QByteArray> ClaudeCodeVersion::parse(const QByteArray& output)
{
    static const QRegularExpression version(
        QStringLiteral(R"(^\s*v?(\d{1,4}(?:\.\d{1,6}){1,3})(?:\s+\(Claude Code\))?\s*$)"));
    const QRegularExpressionMatch match = version.match(QString::fromLatin1(output));
    if (!match.hasMatch())
        return std::nullopt;
    return match.captured(1).toLatin1();
}
