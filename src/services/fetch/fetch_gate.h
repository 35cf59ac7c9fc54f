#pragma once

#include "models/clock.h"
#include "services/fetch/sign_in_limits.h"
#include "services/sources/usage_source.h"

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QTimer>

#include <memory>
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
// at a time, the refresh timer, and the limits of the sign-in it reads with, shared with
// every other account that reads it (SignInLimits). Every trigger asks it, so none can
// forget a rule: each request during a block extends it.
class FetchGate : public QObject {
    Q_OBJECT

public:
    struct Verdict {
        // busy: another account's request with the same sign-in is out.
        enum class Kind { go, running, paused, spaced, busy };
        Kind kind = Kind::go;
        // When a request may go, for a pause or the spacing.
        QDateTime nextTry;
        bool goes() const { return kind == Kind::go; }
    };

    // The refresh interval is the defaults', which must outlive the gate; the limits are
    // shared with the other accounts' gates.
    FetchGate(Settings& defaults, std::shared_ptr<SignInLimits> limits, Clock clock,
              QObject* parent = nullptr);
    ~FetchGate() override;

    // Whether a request of this trigger may reach the source with this credential now.
    // Whatever is held back by a pause, the spacing or another account's request is asked
    // for again by due() once it may go.
    Verdict ask(FetchTrigger trigger, UsageSource source, const QString& credential);
    void setRunning(bool running) { m_running = running; }
    // This account's request with the credential is out, until over().
    void sent(UsageSource source, const QString& credential);
    void over();
    // A rate-limit answer from the source to this credential, with its Retry-After value
    // (empty when absent); when the next request may go.
    QDateTime rateLimited(UsageSource source, const QByteArray& retryAfter,
                          const QString& credential);
    // The source answered this credential: its pause is over.
    void answered(const QString& credential);
    // The end of the pause of the sign-in last asked for with this source; none when it is
    // not paused.
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
    SignInLimits::Key& keyOf(UsageSource source);
    // Asks again at `at`, unless something sooner is held already.
    void hold(const QDateTime& at);
    void readInterval();

    Settings& m_defaults;
    std::shared_ptr<SignInLimits> m_limits;
    Clock m_clock;
    QTimer m_refreshTimer;
    // The request held back by a pause or the spacing.
    QTimer m_heldTimer;
    QDateTime m_heldUntil;
    // Held back until another account's request with the same sign-in is over.
    bool m_waitsForRelease = false;
    double m_interval = 0;
    bool m_running = false;
    // The sign-in each source last asked with: the cookie's, Claude Code's.
    SignInLimits::Key m_keys[2];
    // This account's request out, by its sign-in.
    std::optional<SignInLimits::Key> m_out;
};
