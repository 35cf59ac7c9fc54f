#pragma once

#include "models/usage_data.h"
#include "services/keyring/secret_store.h"

#include <QList>
#include <QString>
#include <QUrl>

// The sign-in a refresh reads the figures with.
enum class UsageSource { none, cookie, claudeCode };

// Where the figures come from: the web API with the browser session, the OAuth usage
// endpoint with Claude Code's sign-in, and Claude Code's credentials file, with the owner
// of the figures read with that file's sign-in (ClaudeCodeHomes::owner), and the reports of
// Claude Code's status line.
struct UsageEndpoints {
    QUrl origin;
    QUrl apiOrigin;
    QString claudeCodeFile;
    QString claudeCodeOwner = UsageData::claudeCodeOwner;
    // Where gaugery-status leaves Claude Code's status-line reports (StatusLineReports);
    // empty: none are read.
    QString statusLineReports = {};
};

namespace UsageSources {

// The "usageSource" setting's values.
inline const QString automatic = QStringLiteral("auto");
inline const QString cookie = QStringLiteral("cookie");
inline const QString claudeCode = QStringLiteral("claudeCode");

// "auto" (and anything else) takes the stored cookie when there is one, a locked keyring
// included, else Claude Code's sign-in when it exists; "cookie" and "claudeCode" take only
// that one.
UsageSource choose(const QString& setting, SecretState cookie, bool claudeCodeSignedIn);
// The sources a refresh may read with, in order: the chosen one, and in "auto" with both a
// cookie and Claude Code's sign-in the other one after it, for when the first refuses.
QList<UsageSource> order(const QString& setting, SecretState cookie, bool claudeCodeSignedIn);

} // namespace UsageSources
