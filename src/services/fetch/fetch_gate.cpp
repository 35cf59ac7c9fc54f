#include "services/fetch/fetch_gate.h"

#include "services/fetch/cookie_renewal.h"
#include "services/fetch/retry_after.h"
#include "services/settings.h"

#include <QCryptographicHash>

#include <algorithm>
#include <limits>

namespace {

int timerMilliseconds(double seconds)
{
    const double ms = seconds * 1000;
    if (!(ms >= 1))
        return 1;
    return ms >= std::numeric_limits<int>::max() ? std::numeric_limits<int>::max()
                                                 : static_cast<int>(ms);
}

// A cookie header counts by its session: side cookies change without a new sign-in.
QByteArray digestOf(const QString& credential)
{
    return QCryptographicHash::hash(
        CookieRenewal::sessionOf(credential).value_or(credential).toUtf8(),
        QCryptographicHash::Sha256);
}

} // namespace

FetchGate::FetchGate(Settings& defaults, Clock clock, QObject* parent)
    : QObject(parent), m_defaults(defaults), m_clock(std::move(clock))
{
    m_refreshTimer.setTimerType(Qt::CoarseTimer);
    connect(&m_refreshTimer, &QTimer::timeout, this, &FetchGate::due);
    m_heldTimer.setSingleShot(true);
    // On time rather than early: early would find the pause still on.
    m_heldTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_heldTimer, &QTimer::timeout, this, [this] {
        m_heldUntil = {};
        // The held request stands for a tick: the next one is an interval later.
        if (m_refreshTimer.isActive())
            startTimer();
        Q_EMIT due();
    });
    readInterval();
    connect(&m_defaults, &Settings::changed, this, [this](const QString& key) {
        if (key == Settings::refreshIntervalKey)
            readInterval();
    });
}

FetchGate::Verdict FetchGate::ask(FetchTrigger trigger, UsageSource source)
{
    const QDateTime now = m_clock();
    // A user's save or pick drops the running chain; everything else waits for it.
    const bool dropsRunning = trigger == FetchTrigger::saved || trigger == FetchTrigger::choice;
    if (m_running && !dropsRunning)
        return {Verdict::Kind::running, {}};
    // Every request during a rate limit extends it, so nothing asks, Refresh included.
    if (const std::optional<QDateTime> until = pausedUntil(source)) {
        hold(*until);
        return {Verdict::Kind::paused, *until};
    }
    const bool byHand = dropsRunning || trigger == FetchTrigger::refresh;
    if (!byHand && source == UsageSource::claudeCode && m_lastClaudeCodeRequest) {
        const qint64 since = m_lastClaudeCodeRequest->secsTo(now);
        if (since >= 0 && since < claudeCodeSpacingSeconds) {
            const QDateTime next = now.addSecs(claudeCodeSpacingSeconds - since);
            hold(next);
            return {Verdict::Kind::spaced, next};
        }
    }
    return {};
}

void FetchGate::sent(UsageSource source)
{
    if (source == UsageSource::claudeCode)
        m_lastClaudeCodeRequest = m_clock();
}

QDateTime FetchGate::rateLimited(UsageSource source, const QByteArray& retryAfter,
                                 const QString& credential)
{
    const QDateTime now = m_clock();
    Pause& pause = pauseOf(source);
    ++pause.strikes;
    pause.credential = digestOf(credential);
    const std::optional<QDateTime> asked = parseRetryAfter(retryAfter, now);
    if (asked && *asked > now) {
        pause.until = *asked;
    } else {
        // "Retry-After: 0" from a server that goes on refusing: asking at once would only
        // extend the block.
        const int doublings = std::min(pause.strikes - 1, 8);
        pause.until = now.addSecs(
            std::min(qint64(firstBackoffSeconds) << doublings, qint64(longestBackoffSeconds)));
    }
    hold(pause.until);
    return pause.until;
}

void FetchGate::lift(UsageSource source)
{
    pauseOf(source) = {};
}

void FetchGate::newSignIn(UsageSource source, const QString& credential)
{
    if (pauseOf(source).credential != digestOf(credential))
        lift(source);
}

std::optional<QDateTime> FetchGate::pausedUntil(UsageSource source) const
{
    if (source == UsageSource::none)
        return std::nullopt;
    const Pause& pause = pauseOf(source);
    if (!pause.until.isValid() || pause.until <= m_clock())
        return std::nullopt;
    return pause.until;
}

void FetchGate::startTimer()
{
    m_refreshTimer.start(timerMilliseconds(m_interval));
}

void FetchGate::stopTimer()
{
    m_refreshTimer.stop();
    m_heldTimer.stop();
    m_heldUntil = {};
}

FetchGate::Pause& FetchGate::pauseOf(UsageSource source)
{
    return m_pauses[source == UsageSource::claudeCode ? 1 : 0];
}

const FetchGate::Pause& FetchGate::pauseOf(UsageSource source) const
{
    return m_pauses[source == UsageSource::claudeCode ? 1 : 0];
}

void FetchGate::hold(const QDateTime& at)
{
    if (m_heldTimer.isActive() && m_heldUntil <= at)
        return;
    m_heldUntil = at;
    m_heldTimer.start(timerMilliseconds(std::max<qint64>(m_clock().msecsTo(at), 0) / 1000.0));
}

void FetchGate::readInterval()
{
    m_interval = m_defaults.setting(Settings::refreshIntervalKey).toDouble();
    if (m_refreshTimer.isActive())
        startTimer();
}
