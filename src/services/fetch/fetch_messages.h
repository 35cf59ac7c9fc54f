#pragma once

#include "services/sources/usage_source.h"

#include <QDateTime>
#include <QString>

// Every message the usage fetch can leave in UsageService::error.
namespace FetchMessages {
QString noCookie();
QString invalidUrl();
QString networkError(const QString& description);
QString timedOut();
QString responseTooLarge();
QString invalidResponse();
QString organizationsUnauthorized();
QString usageUnauthorized();
QString botProtection();
QString refusedNetwork();
QString serverError(int status);
// "Rate limited: next try at 3:05 PM"
QString rateLimited(const QDateTime& nextTry);
QString organizationsParseFailed(const QString& description);
QString organizationNotFound();
// "This session cannot see Acme Corp. Update the cookie or pick another organization."
QString organizationNotListed(const QString& name);
QString usageParseFailed(const QString& description);
QString invalidCookie();
QString keyringLocked();
QString saveFailed();
QString removeFailed(bool locked);
QString noClaudeCodeSignIn();
QString claudeCodeExpired();
// Since when, and that the figures come back with Claude Code.
QString claudeCodeExpired(const QDateTime& since, const QDateTime& now);
// The same, while the browser session is read instead.
QString claudeCodeExpiredMeanwhile(const QDateTime& since, const QDateTime& now);
// "Claude Code's sign-in ends on Dec 11. Sign in again with claude."
QString claudeCodeSignInEnds(const QDateTime& end);
// Which sign-in the figures were read with.
QString figuresFrom(UsageSource source);
QString claudeCodeScope();
// The message is one a new session cookie answers: none stored, or the stored one refused.
bool asksForCookie(const QString& message);
} // namespace FetchMessages
