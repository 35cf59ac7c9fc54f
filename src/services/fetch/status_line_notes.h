#pragma once

#include <QDateTime>
#include <QStringList>

class UsageService;

namespace StatusLineNotes {

// "Figures from Claude Code's status line" while they are, with the windows it lacks as of
// when the service gave them; or, with the status line alone read and no figures yet, that
// they come with Claude Code's next reply.
QStringList of(const UsageService& service, const QDateTime& now);

} // namespace StatusLineNotes
