#include "services/fetch/fetch_gate.h"

#include "services/fetch/retry_after.h"
#include "services/settings.h"

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

// The triggers that come by themselves rather than from something the user did.
bool isAutomatic(FetchTrigger trigger)
{
    switch (trigger) {
    case FetchTrigger::start:
    case FetchTrigger::timer:
    case FetchTrigger::wake:
    case FetchTrigger::claudeCodeChanged:
        return true;
    case FetchTrigger::opening:
    case FetchTrigger::refresh:
    case FetchTrigger::saved:
    case FetchTrigger::choice:
        return false;
    }
    return false;
}

} // namespace

FetchGate::FetchGate(Settings& defaults, Clock clock, QObject* parent)
    : QObject(parent), m_defaults(defaults), m_clock(std::move(clock))
{
    m_refreshTimer.setTimerType(Qt::CoarseTimer);
    connect(&m_refreshTimer, &QTimer::timeout, this, &FetchGate::due);
    m_heldTimer.setSingleShot(true);
    connect(&m_heldTimer, &QTimer::timeout, this, &FetchGate::due);
    readInterval();
    connect(&m_defaults, &Settings::changed, this, [this](const QString& key) {
        if (key == Settings::refreshIntervalKey)
            readInterval();
    });
}

FetchGate::Verdict FetchGate::ask(FetchTrigger trigger, UsageSource source)
{
    const QDateTime now = m_clock();
    const bool scheduled = isAutomatic(trigger) && trigger != FetchTrigger::start;
    // One chain at a time: the one still running is this tick's refresh.
    if (scheduled && m_running)
        return {Verdict::Kind::running, {}};
    // A rate-limited account is left alone until the server says; Refresh still asks.
    if (scheduled && m_pausedUntil && now < *m_pausedUntil)
        return {Verdict::Kind::paused, *m_pausedUntil};
    if (isAutomatic(trigger) && source == UsageSource::claudeCode && m_lastClaudeCodeRequest) {
        const qint64 since = m_lastClaudeCodeRequest->secsTo(now);
        if (since >= 0 && since < claudeCodeSpacingSeconds) {
            const qint64 wait = claudeCodeSpacingSeconds - since;
            m_heldTimer.start(int(wait * 1000));
            return {Verdict::Kind::spaced, now.addSecs(wait)};
        }
    }
    return {};
}

void FetchGate::sent(UsageSource source)
{
    if (source == UsageSource::claudeCode)
        m_lastClaudeCodeRequest = m_clock();
}

void FetchGate::rateLimited(const QByteArray& retryAfter)
{
    m_pausedUntil = parseRetryAfter(retryAfter, m_clock());
}

void FetchGate::lift()
{
    m_pausedUntil.reset();
}

void FetchGate::startTimer()
{
    m_refreshTimer.start(timerMilliseconds(m_interval));
}

void FetchGate::stopTimer()
{
    m_refreshTimer.stop();
    m_heldTimer.stop();
}

void FetchGate::readInterval()
{
    m_interval = m_defaults.setting(Settings::refreshIntervalKey).toDouble();
    if (m_refreshTimer.isActive())
        startTimer();
}
