#include "services/fetch/fetch_gate.h"

#include "services/settings.h"

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

} // namespace

FetchGate::FetchGate(Settings& defaults, std::shared_ptr<SignInLimits> limits, Clock clock,
                     QObject* parent)
    : QObject(parent), m_defaults(defaults), m_limits(std::move(limits)), m_clock(std::move(clock))
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
    connect(m_limits.get(), &SignInLimits::released, this, [this] {
        if (std::exchange(m_waitsForRelease, false))
            Q_EMIT due();
    });
    readInterval();
    connect(&m_defaults, &Settings::changed, this, [this](const QString& key) {
        if (key == Settings::refreshIntervalKey)
            readInterval();
    });
}

FetchGate::~FetchGate()
{
    // Its own account is going: only the others may ask on the release.
    disconnect(m_limits.get(), nullptr, this, nullptr);
    over();
}

FetchGate::Verdict FetchGate::ask(FetchTrigger trigger, UsageSource source,
                                  const QString& credential)
{
    // A user's save or pick drops the running chain; everything else waits for it.
    const bool dropsRunning = trigger == FetchTrigger::saved || trigger == FetchTrigger::choice;
    if (m_running && !dropsRunning)
        return {Verdict::Kind::running, {}};
    const SignInLimits::Key key = SignInLimits::keyOf(credential);
    keyOf(source) = key;
    // Every request during a rate limit extends it, so nothing asks, Refresh included.
    if (const std::optional<QDateTime> until = m_limits->pausedUntil(key)) {
        hold(*until);
        return {Verdict::Kind::paused, *until};
    }
    // One request with a sign-in at a time, whichever account sends it.
    if (key != m_out && m_limits->isOut(key)) {
        m_waitsForRelease = true;
        return {Verdict::Kind::busy, {}};
    }
    const bool byHand = dropsRunning || trigger == FetchTrigger::refresh;
    if (const std::optional<QDateTime> next = m_limits->spacedUntil(key, source); next && !byHand) {
        hold(*next);
        return {Verdict::Kind::spaced, *next};
    }
    return {};
}

void FetchGate::sent(UsageSource source, const QString& credential)
{
    over();
    m_out = SignInLimits::keyOf(credential);
    keyOf(source) = *m_out;
    m_limits->sent(*m_out);
}

void FetchGate::over()
{
    if (const std::optional<SignInLimits::Key> out = std::exchange(m_out, std::nullopt))
        m_limits->over(*out);
}

QDateTime FetchGate::rateLimited(UsageSource source, const QByteArray& retryAfter,
                                 const QString& credential)
{
    keyOf(source) = SignInLimits::keyOf(credential);
    const QDateTime until = m_limits->rateLimited(keyOf(source), retryAfter);
    hold(until);
    return until;
}

void FetchGate::answered(const QString& credential)
{
    m_limits->answered(SignInLimits::keyOf(credential));
}

std::optional<QDateTime> FetchGate::pausedUntil(UsageSource source) const
{
    if (source == UsageSource::none)
        return std::nullopt;
    return m_limits->pausedUntil(m_keys[source == UsageSource::claudeCode ? 1 : 0]);
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

SignInLimits::Key& FetchGate::keyOf(UsageSource source)
{
    return m_keys[source == UsageSource::claudeCode ? 1 : 0];
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
