#pragma once

#include <QStringList>

// gaugery-status --claude-code-statusline [-- COMMAND [ARGS...]]: run by Claude Code after
// each reply with its status-line JSON on standard input. Hands the figures in it to
// Gaugery (StatusLineReports) and prints COMMAND's output, given the same input, or a short
// line of its own. Never fails Claude Code's status line: always returns 0.
namespace StatusLineCommand {

int run(const QStringList& command);

} // namespace StatusLineCommand
