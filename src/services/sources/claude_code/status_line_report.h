#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <functional>
#include <optional>

// One window's figure as Claude Code's status line gave it.
struct StatusLineWindow {
    double percent = 0;
    // Invalid when Claude Code named none.
    QDateTime resetsAt;

    bool operator==(const StatusLineWindow&) const = default;
};

// What Claude Code handed its status-line command after a reply: the figures of the windows
// it held and the folder of the Claude Code that ran. gaugery-status writes it, one file per
// folder, and Gaugery reads it; this is the one description of that file for both.
struct StatusLineReport {
    // Kept form (ClaudeCodeHomes::kept).
    QString folder;
    // When the command ran.
    QDateTime at;
    // "five_hour" and "seven_day"; a window Claude Code left out stays out.
    std::optional<StatusLineWindow> session;
    std::optional<StatusLineWindow> weekly;

    bool operator==(const StatusLineReport&) const = default;
};

namespace StatusLineReports {

using Environment = std::function<QString(const char*)>;

// Claude Code's input is a few kilobytes; anything beyond this is not its.
constexpr qint64 maxInputBytes = 1024 * 1024;
// The file's format, in its "version".
constexpr int formatVersion = 1;

// The report in Claude Code's status-line input, read at `now`: its folder is
// CLAUDE_CONFIG_DIR, else the one above "projects/" in transcript_path, else ~/.claude.
// None for input that is too large, no JSON object, or holds no window in rate_limits.
std::optional<StatusLineReport> fromInput(const QByteArray& input, const Environment& environment,
                                          const QDateTime& now);

// Where the reports are kept: $XDG_STATE_HOME/gaugery/claude-code-status, else
// ~/.local/state/gaugery/claude-code-status.
QString folder(const Environment& environment);
// The file of one Claude Code folder's reports in `reports`.
QString fileFor(const QString& reports, const QString& claudeCodeFolder);
// Whether a file in `reports` is a report by its name.
bool isReportName(const QString& fileName);

// {"version": 1, "folder": "/home/user/.claude", "at": 1796770000123 (ms),
//  "five_hour": {"used_percentage": 42, "resets_at": 1796784788 (s)}, "seven_day": {...}}
QByteArray encode(const StatusLineReport& report);
std::optional<StatusLineReport> decode(const QByteArray& bytes);

// Replaces the folder's report in `reports` at once: a reader sees the old one or the new
// one, never part of either. False when it could not be written.
bool write(const QString& reports, const StatusLineReport& report);
std::optional<StatusLineReport> read(const QString& file);

// The command's own line: "5h 42% · 7d 17%", "–" for a window not reported.
QString shortLine(const std::optional<StatusLineReport>& report);

} // namespace StatusLineReports
