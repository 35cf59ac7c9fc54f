#include "services/fetch/sign_in_limits.h"

#include "services/fetch/cookie_renewal.h"
#include "services/fetch/retry_after.h"

#include <QCryptographicHash>

#include <algorithm>

SignInLimits::Key SignInLimits::keyOf(const QString& credential)
{
    return QCryptographicHash::hash(
        CookieRenewal::sessionOf(credential).value_or(credential).toUtf8(),
        QCryptographicHash::Sha256);
}

SignInLimits::SignInLimits(Clock clock, QObject* parent)
    : QObject(parent), m_clock(std::move(clock))
{
}

std::optional<QDateTime> SignInLimits::pausedUntil(const Key& key) const
{
    const auto found = m_limits.constFind(key);
    if (found == m_limits.constEnd() || !found->pausedUntil.isValid() ||
        found->pausedUntil <= m_clock())
        return std::nullopt;
    return found->pausedUntil;
}

std::optional<QDateTime> SignInLimits::spacedUntil(const Key& key, UsageSource source) const
{
    const auto found = m_limits.constFind(key);
    if (source != UsageSource::claudeCode || found == m_limits.constEnd() ||
        !found->lastSent.isValid())
        return std::nullopt;
    const qint64 since = found->lastSent.secsTo(m_clock());
    if (since < 0 || since >= claudeCodeSpacingSeconds)
        return std::nullopt;
    return m_clock().addSecs(claudeCodeSpacingSeconds - since);
}

bool SignInLimits::isOut(const Key& key) const
{
    return m_limits.value(key).out > 0;
}

void SignInLimits::sent(const Key& key)
{
    forgetIdle();
    Limit& limit = m_limits[key];
    limit.lastSent = m_clock();
    ++limit.out;
}

void SignInLimits::over(const Key& key)
{
    const auto found = m_limits.find(key);
    if (found == m_limits.end() || found->out == 0)
        return;
    --found->out;
    Q_EMIT released();
}

QDateTime SignInLimits::rateLimited(const Key& key, const QByteArray& retryAfter)
{
    const QDateTime now = m_clock();
    Limit& limit = m_limits[key];
    ++limit.strikes;
    const std::optional<QDateTime> asked = parseRetryAfter(retryAfter, now);
    if (asked && *asked > now) {
        limit.pausedUntil = *asked;
    } else {
        // "Retry-After: 0" from a server that goes on refusing: asking at once would only
        // extend the block.
        const int doublings = std::min(limit.strikes - 1, 8);
        limit.pausedUntil = now.addSecs(
            std::min(qint64(firstBackoffSeconds) << doublings, qint64(longestBackoffSeconds)));
    }
    return limit.pausedUntil;
}

void SignInLimits::answered(const Key& key)
{
    const auto found = m_limits.find(key);
    if (found == m_limits.end())
        return;
    found->pausedUntil = {};
    found->strikes = 0;
}

void SignInLimits::forgetIdle()
{
    const QDateTime now = m_clock();
    m_limits.removeIf([&](const QHash<Key, Limit>::iterator it) {
        const Limit& limit = it.value();
        const bool paused = limit.pausedUntil.isValid() && limit.pausedUntil > now;
        const bool spaced =
            limit.lastSent.isValid() && limit.lastSent.secsTo(now) < claudeCodeSpacingSeconds;
        return !paused && !spaced && limit.out == 0 && limit.strikes == 0;
    });
}
