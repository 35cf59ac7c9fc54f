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
// at a time, the pause a rate limit asks for, Claude Code's spacing and the refresh timer.
// Every trigger asks it, so none can forget a rule.
class FetchGate : public QObject {
    Q_OBJECT

public:
    // Automatic requests with Claude Code's token are at least this far apart: the
    // endpoint limits each token, and has asked for no pause at all while refusing.
    static constexpr int claudeCodeSpacingSeconds = 60;

    struct Verdict {
        enum class Kind { go, running, paused, spaced };
        Kind kind = Kind::go;
        // When a request may go, for a pause or the spacing.
        QDateTime nextTry;
        bool goes() const { return kind == Kind::go; }
    };

    // The refresh interval is the defaults', which must outlive the gate.
    FetchGate(Settings& defaults, Clock clock, QObject* parent = nullptr);

    // Whether a request of this trigger may reach the source now. A request held back for
    // the spacing is asked for again by due() once it may go.
    Verdict ask(FetchTrigger trigger, UsageSource source);
    void setRunning(bool running) { m_running = running; }
    void sent(UsageSource source);
    // A rate-limit answer, with its Retry-After value.
    void rateLimited(const QByteArray& retryAfter);
    // The source answered, or a new sign-in came: no pause any more.
    void lift();

    const QTimer& refreshTimer() const { return m_refreshTimer; }
    // (Re)starts the refresh timer; its first tick comes one interval later.
    void startTimer();
    void stopTimer();

Q_SIGNALS:
    // A tick of the timer, or a held-back request may go now.
    void due();

private:
    void readInterval();

    Settings& m_defaults;
    Clock m_clock;
    QTimer m_refreshTimer;
    // An automatic request held back by the spacing of Claude Code's requests.
    QTimer m_heldTimer;
    double m_interval = 0;
    bool m_running = false;
    std::optional<QDateTime> m_pausedUntil;
    std::optional<QDateTime> m_lastClaudeCodeRequest;
};
