#include "services/fetch/fetch_messages.h"

#include "models/usage_window.h"

#include <QCoreApplication>
#include <QLocale>

namespace {

class Texts {
    Q_DECLARE_TR_FUNCTIONS(FetchMessages)
};

// "Dec 11", in the user's time zone.
QString dayText(const QDateTime& instant)
{
    return QLocale::system().toString(instant.toLocalTime().date(), QStringLiteral("MMM d"));
}

// "at 9:12 AM" today, "on Dec 10 at 9:12 AM" on another day.
QString whenText(const QDateTime& instant, const QDateTime& now)
{
    const QString time = UsageWindows::timeOfDayText(instant);
    if (instant.toLocalTime().date() == now.toLocalTime().date())
        return Texts::tr("at %1").arg(time);
    return Texts::tr("on %1 at %2").arg(dayText(instant), time);
}

} // namespace

namespace FetchMessages {

QString noCookie()
{
    return Texts::tr("No cookie found. Please set your session cookie.");
}
QString invalidUrl()
{
    return Texts::tr("Invalid URL");
}
QString networkError(const QString& description)
{
    return Texts::tr("Network error: %1").arg(description);
}
QString timedOut()
{
    return Texts::tr("The request timed out.");
}
QString responseTooLarge()
{
    return networkError(Texts::tr("response too large"));
}
QString invalidResponse()
{
    return Texts::tr("Invalid response");
}
QString organizationsUnauthorized()
{
    return Texts::tr("Cookie expired or invalid. Please update your session cookie.");
}
QString usageUnauthorized()
{
    return Texts::tr("Cookie expired. Please update your session cookie.");
}
QString botProtection()
{
    return Texts::tr(
        "Blocked by the service's bot protection. Try again later or from another network.");
}
QString refusedNetwork()
{
    return Texts::tr(
        "The service refused requests from this network or program. Your cookie is kept.");
}
QString serverError(int status)
{
    return Texts::tr("Server error: %1").arg(status);
}
QString rateLimited(const QDateTime& nextTry)
{
    return Texts::tr("Rate limited: next try at %1").arg(UsageWindows::timeOfDayText(nextTry));
}
QString organizationsParseFailed(const QString& description)
{
    return Texts::tr("Failed to parse organizations: %1").arg(description);
}
QString organizationNotFound()
{
    return Texts::tr("Could not find organization");
}
QString organizationNotListed(const QString& name)
{
    return Texts::tr("This session cannot see %1. Update the cookie or pick another "
                     "organization.")
        .arg(name);
}
QString usageParseFailed(const QString& description)
{
    return Texts::tr("Failed to parse response: %1").arg(description);
}
QString invalidCookie()
{
    return Texts::tr("Invalid cookie: it contains line breaks or control characters. "
                     "Please update your session cookie.");
}
QString keyringLocked()
{
    return Texts::tr("Keyring is locked. Unlock it so Gaugery can read your session cookie.");
}
QString saveFailed()
{
    return Texts::tr("Failed to save cookie");
}

QString removeFailed(bool locked)
{
    return locked ? Texts::tr("Could not remove the cookie from the keyring: it is locked.")
                  : Texts::tr("Could not remove the cookie from the keyring: it does not "
                              "answer.");
}
QString noClaudeCodeSignIn()
{
    return Texts::tr("No Claude Code sign-in found. Run claude to sign in, or set a cookie.");
}
QString claudeCodeExpired()
{
    return Texts::tr("Claude Code's sign-in has expired. Run claude to renew it, or set a "
                     "cookie.");
}
QString claudeCodeExpired(const QDateTime& since, const QDateTime& now)
{
    return Texts::tr("Claude Code's sign-in expired %1. Figures resume as soon as Claude Code "
                     "runs again.")
        .arg(whenText(since, now));
}
QString claudeCodeExpiredMeanwhile(const QDateTime& since, const QDateTime& now)
{
    return Texts::tr("Claude Code's sign-in expired %1. Your browser session is used meanwhile; "
                     "Claude Code's figures resume as soon as it runs again.")
        .arg(whenText(since, now));
}
QString claudeCodeSignInEnds(const QDateTime& end)
{
    return Texts::tr("Claude Code's sign-in ends on %1. Sign in again with claude.")
        .arg(dayText(end));
}
QString figuresFrom(UsageSource source)
{
    return source == UsageSource::claudeCode ? Texts::tr("Figures from Claude Code")
                                             : Texts::tr("Figures from your browser session");
}
QString claudeCodeScope()
{
    return Texts::tr("This Claude Code sign-in cannot read usage. Sign in again with claude, "
                     "or set a cookie.");
}

bool asksForCookie(const QString& message)
{
    // The unlisted organization's message names it: matched around the name.
    const QStringList around = organizationNotListed(QStringLiteral("\x01")).split(u'\x01');
    const bool notListed =
        around.size() == 2 && message.startsWith(around.first()) && message.endsWith(around.last());
    return notListed || message == noCookie() || message == organizationsUnauthorized() ||
           message == usageUnauthorized() || message == invalidCookie();
}

} // namespace FetchMessages
