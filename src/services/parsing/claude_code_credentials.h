#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// Claude Code's sign-in as its credentials file holds it. Gaugery only reads the file:
// it never writes it and never uses the refresh token, which is single-use, so a refresh
// made here would sign Claude Code out. The token is secret: never print or log it.
struct ClaudeCodeSignIn {
    QString accessToken;
    // Invalid when the file names no expiry.
    QDateTime expiresAt;
    // When the login itself ends ("refreshTokenExpiresAt"), after which Claude Code cannot
    // renew the token; invalid when the file does not say.
    QDateTime signInEndsAt;
    QStringList scopes;
    QString subscriptionType;
};

struct ClaudeCodeRead {
    std::optional<ClaudeCodeSignIn> signIn;
    // Why there is none, for the one diagnostic line; never holds the token.
    QString problem;
};

namespace ClaudeCodeCredentials {

// $CLAUDE_CONFIG_DIR/.credentials.json, else ~/.claude/.credentials.json.
QString path(const std::function<QString(const char*)>& environment);
ClaudeCodeRead read(const QString& path);
// The file's text; a sign-in needs "claudeAiOauth" with a non-empty "accessToken".
ClaudeCodeRead parse(const QByteArray& text);
// "max" reads "Max"; empty stays empty.
QString planName(const QString& subscriptionType);

} // namespace ClaudeCodeCredentials
