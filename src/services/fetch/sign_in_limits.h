#pragma once

#include "models/clock.h"
#include "services/sources/usage_source.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QObject>

#include <optional>

// What the service allows each sign-in, kept once for every account that reads it: the
// endpoints limit a token, or a browser session by its sessionKey, however many accounts
// send it. A sign-in has at most one request out, the pause its last rate limit asked for
// (or, when that named none, one that doubles while the limit lasts) and, for Claude
// Code's token, the spacing of automatic requests.
class SignInLimits : public QObject {
    Q_OBJECT

public:
    // Automatic requests with Claude Code's token are at least this far apart.
    static constexpr int claudeCodeSpacingSeconds = 60;
    // The pause after a rate limit that names no time: doubled by each further one.
    static constexpr int firstBackoffSeconds = 5 * 60;
    static constexpr int longestBackoffSeconds = 60 * 60;

    // A sign-in's key, a digest: a Cookie header counts by its session, since side
    // cookies change without a new sign-in.
    using Key = QByteArray;
    static Key keyOf(const QString& credential);

    explicit SignInLimits(Clock clock, QObject* parent = nullptr);

    // The end of the sign-in's pause; none when it is not paused.
    std::optional<QDateTime> pausedUntil(const Key& key) const;
    // When an automatic request of this source may go; none: now.
    std::optional<QDateTime> spacedUntil(const Key& key, UsageSource source) const;
    // An account's request with this sign-in is out.
    bool isOut(const Key& key) const;

    void sent(const Key& key);
    // The request is over, answered or dropped.
    void over(const Key& key);
    // A rate-limit answer with its Retry-After value (empty when absent); when the next
    // request may go.
    QDateTime rateLimited(const Key& key, const QByteArray& retryAfter);
    // The service answered: whatever pause it asked for earlier is over.
    void answered(const Key& key);

Q_SIGNALS:
    // A request is over: an account holding back for it may ask now.
    void released();

private:
    struct Limit {
        QDateTime pausedUntil;
        // Rate limits since the last answer.
        int strikes = 0;
        QDateTime lastSent;
        int out = 0;
    };
    // Limits that no longer hold anything go, so the table stays as small as the sign-ins
    // in use.
    void forgetIdle();

    Clock m_clock;
    QHash<Key, Limit> m_limits;
};
