#pragma once

#include "models/clock.h"
#include "services/sources/usage_source.h"

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QTimer>

#include <optional>

class Settings;

// What asks for figures.
enum class FetchTrigger {
    // The service starts, or an account is added.
    start,
    // The refresh timer, or a request held back until it may go.
    timer,
    wake,
    claudeCodeChanged,
    // The dashboard opens on an account without figures.
    opening,
    // The user's Refresh.
    refresh,
    // A cookie was just saved.
    saved,
    // Another organization or source was picked.
    choice,
};

// Decides, for one account, whether a request may go now and when the next may: one chain
// at a time, the pause a rate limit asks for (or, when it names none, one of the gate's
// own that doubles while the limit lasts), Claude Code's spacing and the refresh timer.
// Every trigger asks it, so none can forget a rule: each request during a block extends it.
class FetchGate : public QObject {
    Q_OBJECT

public:
    // Automatic requests with Claude Code's token are at least this far apart: the
    // endpoint limits each token.
    static constexpr int claudeCodeSpacingSeconds = 60;
    // The pause after a rate limit that names no time: doubled by each further one.
    static constexpr int firstBackoffSeconds = 5 * 60;
    static constexpr int longestBackoffSeconds = 60 * 60;

    struct Verdict {
        enum class Kind { go, running, paused, spaced };
        Kind kind = Kind::go;
        // When a request may go, for a pause or the spacing.
        QDateTime nextTry;
        bool goes() const { return kind == Kind::go; }
    };

    // The refresh interval is the defaults', which must outlive the gate.
    FetchGate(Settings& defaults, Clock clock, QObject* parent = nullptr);

    // Whether a request of this trigger may reach the source now. Whatever is held back
    // by a pause or the spacing is asked for again by due() once it may go.
    Verdict ask(FetchTrigger trigger, UsageSource source);
    void setRunning(bool running) { m_running = running; }
    void sent(UsageSource source);
    // A rate-limit answer from the source to this credential, with its Retry-After value
    // (empty when absent); when the next request may go.
    QDateTime rateLimited(UsageSource source, const QByteArray& retryAfter,
                          const QString& credential);
    // The source answered: its pause is over.
    void lift(UsageSource source);
    // A sign-in the user gave: a credential other than the paused one is not paused.
    void newSignIn(UsageSource source, const QString& credential);
    // The end of the source's pause; none when it is not paused.
    std::optional<QDateTime> pausedUntil(UsageSource source) const;

    const QTimer& refreshTimer() const { return m_refreshTimer; }
    // The refresh interval in seconds.
    double interval() const { return m_interval; }
    // (Re)starts the refresh timer; its first tick comes one interval later.
    void startTimer();
    void stopTimer();

Q_SIGNALS:
    // A tick of the timer, or a held-back request may go now.
    void due();

private:
    struct Pause {
        QDateTime until;
        // Rate limits since the last answer.
        int strikes = 0;
        // Whose it is, by digest.
        QByteArray credential;
    };

    Pause& pauseOf(UsageSource source);
    const Pause& pauseOf(UsageSource source) const;
    // Asks again at `at`, unless something sooner is held already.
    void hold(const QDateTime& at);
    void readInterval();

    Settings& m_defaults;
    Clock m_clock;
    QTimer m_refreshTimer;
    // The request held back by a pause or the spacing.
    QTimer m_heldTimer;
    QDateTime m_heldUntil;
    double m_interval = 0;
    bool m_running = false;
    Pause m_pauses[2];
    std::optional<QDateTime> m_lastClaudeCodeRequest;
};
