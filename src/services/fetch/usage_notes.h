#pragma once

#include <QDateTime>
#include <QStringList>

class UsageService;

namespace UsageNotes {

// What the tooltip and the settings say besides the figures: a rate limit's pause, which
// sign-in the figures come from where either could be read (and why not the first), and
// a Claude Code sign-in that has expired while the browser session is read, or whose login
// ends within three days; and what Claude Code's status line brings (StatusLineNotes).
QStringList of(const UsageService& service, const QDateTime& now);

} // namespace UsageNotes
