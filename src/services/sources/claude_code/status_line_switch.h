#pragma once

#include "services/sources/claude_code/status_line_requests.h"

#include <QString>

#include <optional>

class Settings;

// "Use Claude Code's status line" and "Read figures" of a Claude Code folder. Turning the
// status line on writes the "statusLine" entry of the folder's settings.json, running
// gaugery-status before the command that was there; what it replaced is kept in Gaugery's
// settings ("claudeCodeStatusLines", by folder), and turning it off puts exactly that back.
namespace StatusLineSwitch {

inline const QString settingsKey = QStringLiteral("claudeCodeStatusLines");
// The marker of gaugery-status's entry in a status-line command.
inline const QString option = QStringLiteral("--claude-code-statusline");

StatusLineReading reading(const Settings& settings, const QString& folder);
void setReading(Settings& settings, const QString& folder, StatusLineReading reading);

// The gaugery-status installed beside this program, else the one on the PATH.
QString program();
// The command line of the entry: `program` with the option, and the previous command
// after "--", run by a shell as Claude Code ran it.
QString commandFor(const QString& program, const QString& previous);
// Whether the folder's settings.json runs gaugery-status as its status line.
bool isOn(const QString& folder);
// The reason when the file was not written; none once the entry is in (or already was).
std::optional<QString> turnOn(Settings& settings, const QString& folder, const QString& program);
// The reason when the file was not written; none once the earlier entry is back.
std::optional<QString> turnOff(Settings& settings, const QString& folder);

} // namespace StatusLineSwitch
