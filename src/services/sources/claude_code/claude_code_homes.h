#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// Claude Code's configuration folders: each holds the .credentials.json of one login, so a
// user with several logins keeps one folder each (CLAUDE_CONFIG_DIR). An empty folder
// names the default one.
namespace ClaudeCodeHomes {

QString fileIn(const QString& folder);
QString folderOf(const QString& file);
// The path a folder is kept under: absolute and cleaned.
QString kept(const QString& folder);
// Whether both name one folder, also through a link.
bool same(const QString& a, const QString& b);
// Whose figures the folder's sign-in reads, for history rows and remembered alerts:
// UsageData::claudeCodeOwner for the default folder, as before there were several, and
// "claudeCode:" with the path for another one: the same at every start, and nothing of
// the sign-in.
QString owner(const QString& folder);
// As a user reads it: "~/.claude-work" inside the home folder.
QString shown(const QString& folder);
// Whether its file holds a sign-in.
bool holdsSignIn(const QString& folder);
// Why no account can be added for the folder: it holds no .credentials.json, or an account
// reads one of `read` that is the same folder. None when one can.
std::optional<QString> refusal(const QString& folder, const QStringList& read);

} // namespace ClaudeCodeHomes
