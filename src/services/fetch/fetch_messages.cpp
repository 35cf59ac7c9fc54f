#include "services/fetch/fetch_messages.h"

namespace FetchMessages {

QString noCookie()
{
    return QStringLiteral("No cookie found. Please set your session cookie.");
}
QString invalidUrl()
{
    return QStringLiteral("Invalid URL");
}
QString networkError(const QString& description)
{
    return QStringLiteral("Network error: ") + description;
}
QString timedOut()
{
    return QStringLiteral("The request timed out.");
}
QString responseTooLarge()
{
    return networkError(QStringLiteral("response too large"));
}
QString invalidResponse()
{
    return QStringLiteral("Invalid response");
}
QString organizationsUnauthorized()
{
    return QStringLiteral("Cookie expired or invalid. Please update your session cookie.");
}
QString usageUnauthorized()
{
    return QStringLiteral("Cookie expired. Please update your session cookie.");
}
QString botProtection()
{
    return QStringLiteral(
        "Blocked by the service's bot protection. Try again later or from another network.");
}
QString serverError(int status)
{
    return QStringLiteral("Server error: ") + QString::number(status);
}
QString organizationsParseFailed(const QString& description)
{
    return QStringLiteral("Failed to parse organizations: ") + description;
}
QString organizationNotFound()
{
    return QStringLiteral("Could not find organization");
}
QString usageParseFailed(const QString& description)
{
    return QStringLiteral("Failed to parse response: ") + description;
}
QString invalidCookie()
{
    return QStringLiteral("Invalid cookie: it contains line breaks or control characters. "
                          "Please update your session cookie.");
}
QString keyringLocked()
{
    return QStringLiteral("Keyring is locked. Unlock it so Gaugery can read your session cookie.");
}
QString saveFailed()
{
    return QStringLiteral("Failed to save cookie");
}

QString removeFailed(bool locked)
{
    return locked ? QStringLiteral("Could not remove the cookie from the keyring: it is locked.")
                  : QStringLiteral("Could not remove the cookie from the keyring: it does not "
                                   "answer.");
}
QString noClaudeCodeSignIn()
{
    return QStringLiteral("No Claude Code sign-in found. Run claude to sign in, or set a cookie.");
}
QString claudeCodeExpired()
{
    return QStringLiteral("Claude Code's sign-in has expired. Run claude to renew it, or set a "
                          "cookie.");
}
QString claudeCodeScope()
{
    return QStringLiteral("This Claude Code sign-in cannot read usage. Sign in again with claude, "
                          "or set a cookie.");
}

} // namespace FetchMessages
