#include "status/status_line_command.h"

#include "services/sources/claude_code/status_line_report.h"

#include <QProcess>

#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace StatusLineCommand {

namespace {

// Read to the end whatever its size, so Claude Code never writes into a closed pipe; kept
// up to what a command after it may still want.
QByteArray readInput()
{
    constexpr qint64 kept = 16 * StatusLineReports::maxInputBytes;
    QByteArray input;
    // Run by hand in a terminal: there is no input to wait for.
    if (::isatty(STDIN_FILENO))
        return input;
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        if (input.size() < kept)
            input.append(buffer, qsizetype(got));
    }
    return input;
}

// The user's own status line, given Claude Code's input; none when it could not be run.
std::optional<QByteArray> outputOf(const QStringList& command, const QByteArray& input)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(command.first(), command.mid(1));
    if (!process.waitForStarted(-1))
        return std::nullopt;
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(-1);
    return process.readAllStandardOutput();
}

} // namespace

int run(const QStringList& command)
{
    const QByteArray input = readInput();
    const auto environment = [](const char* name) { return qEnvironmentVariable(name); };
    const std::optional<StatusLineReport> report =
        StatusLineReports::fromInput(input, environment, QDateTime::currentDateTimeUtc());
    if (report)
        StatusLineReports::write(StatusLineReports::folder(environment), *report);
    const std::optional<QByteArray> own =
        command.isEmpty() ? std::nullopt : outputOf(command, input);
    const QByteArray out =
        own ? *own : StatusLineReports::shortLine(report).toUtf8() + QByteArrayLiteral("\n");
    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    std::fflush(stdout);
    return 0;
}

} // namespace StatusLineCommand
