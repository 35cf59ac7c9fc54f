#pragma once

#include "models/account.h"
#include "models/clock.h"
#include "models/freshness.h"
#include "models/organization.h"
#include "models/usage_data.h"
#include "services/fetch/fetch_gate.h"
#include "services/sources/claude_code/status_line_requests.h"
#include "services/sources/usage_source.h"

#include <QObject>
#include <QTimer>

#include <memory>
#include <optional>

class AccountChoice;
class ClaudeCodeSource;
class ClaudeCodeVersion;
class KeyringService;
class Settings;
class UsageChain;
struct ChainOutcome;
struct ClaudeCodeSignIn;
struct CookieRead;
struct StatusLineReport;

// The one observable source of usage figures: the last snapshot, whether a fetch is
// running, the last failure message, whether a cookie is stored and which sign-in the
// figures come from. Each outcome is applied as one change: every property signal
// follows the store of all of them, and one changed() follows the property signals.
class UsageService : public QObject {
    Q_OBJECT
    Q_PROPERTY(std::optional<UsageData> usageData READ usageData NOTIFY usageDataChanged)
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)
    Q_PROPERTY(std::optional<QString> error READ error NOTIFY errorChanged)
    Q_PROPERTY(bool hasCookie READ hasCookie NOTIFY hasCookieChanged)
    Q_PROPERTY(QList<Organization> organizations READ organizations NOTIFY organizationsChanged)

public:
    // The keyring and the defaults must outlive the service. The limits are those of every
    // account's sign-ins; without them the service keeps its own.
    UsageService(KeyringService& keyring, Settings& defaults, UsageEndpoints endpoints,
                 Clock clock = systemClock, std::shared_ptr<SignInLimits> limits = {},
                 QObject* parent = nullptr);
    ~UsageService() override;

    const std::optional<UsageData>& usageData() const { return m_state.usageData; }
    bool isLoading() const { return m_state.isLoading; }
    const std::optional<QString>& error() const { return m_state.error; }
    bool hasCookie() const { return m_state.hasCookie; }
    // The organizations of the account, as last listed; the one whose usage is read.
    const QList<Organization>& organizations() const { return m_state.organizations; }
    const std::optional<Organization>& organization() const { return m_state.organization; }
    // The sign-in the figures come from; none before the first refresh decides.
    UsageSource source() const { return m_state.source; }
    // Whether Claude Code's credentials file holds a sign-in, and its plan ("Max").
    bool hasClaudeCode() const { return m_state.claudeCodePlan.has_value(); }
    QString claudeCodePlan() const { return m_state.claudeCodePlan.value_or(QString()); }
    // A cookie is stored, or Claude Code's sign-in is there for the chosen source.
    bool isConnected() const;
    // Either sign-in may be read: "auto" with a cookie and Claude Code's sign-in.
    bool readsEither() const;
    // Since when Claude Code's token is of no use; none while it is good.
    const std::optional<QDateTime>& claudeCodeExpiredSince() const
    {
        return m_state.claudeCodeExpiredSince;
    }
    // Why the figures come from the other sign-in than the one tried first; empty when
    // they come from that one.
    const QString& passedOver() const { return m_state.passedOver; }
    // When Claude Code's login ends, when its file says.
    const std::optional<QDateTime>& claudeCodeSignInEnds() const
    {
        return m_state.claudeCodeSignInEnds;
    }
    // Whose figures are shown, or are being read: the snapshot's owner, else the account's
    // (figuresOwner()). Empty while the account's organization is not known.
    QString owner() const;
    // Whose figures the account reads now: while a browser session is read first, its
    // organization, also for figures read through the fallback, so they stay one series;
    // otherwise the owner of Claude Code's folder.
    QString figuresOwner() const;

    const QTimer& refreshTimer() const { return m_gate->refreshTimer(); }
    // When the source the figures come from may be asked again after a rate limit; none
    // while it is not paused.
    std::optional<QDateTime> pausedUntil() const { return m_gate->pausedUntil(m_state.source); }

    // The account whose settings (organization, source) this service reads; the first
    // one unless set, before start().
    void setAccountId(const QString& id);
    const QString& accountId() const;
    // The installed Claude Code's, for the OAuth usage request; it must outlive the service.
    void setClaudeCodeVersion(const ClaudeCodeVersion& version);

    // Reads the stored cookie and Claude Code's file once; with either (a locked keyring
    // counts), the refresh timer starts and a first fetch runs.
    void start();
    // Refresh.
    void fetchUsage();
    // The fetch the timer makes.
    void scheduledFetch();
    // Reads the sign-in and fetches with it when the gate lets the trigger's request go;
    // one that comes by itself needs a sign-in.
    void request(FetchTrigger trigger);
    // Stores the cookie; with an organization (the one the browser last used), that one is
    // read from then on, and where it came from (Account::cookieOrigin) is kept. Nothing
    // else changes unless the keyring takes it.
    void saveCookie(const QString& cookie,
                    const std::optional<QString>& organizationId = std::nullopt,
                    const QString& cookieOrigin = {});
    // Removes the stored cookie; stays connected, with the reason, when the keyring keeps it.
    // An account on its way out (`leaving`) sends nothing more, whatever sign-in is left.
    void clearCookie(bool leaving = false);
    void startAutoRefresh() { m_gate->startTimer(); }
    void stopAutoRefresh() { m_gate->stopTimer(); }

    // What Claude Code's status line reported in this account's folder: an answer for the
    // windows it holds, taken when they are newer than those shown and still current.
    void takeStatusLine(const StatusLineReport& report);
    // How the account's Claude Code figures are read, and the requests its token may make.
    const StatusLineRequests& statusLine() const { return m_statusLine; }

    // Figures remembered from an earlier run, shown as they are until this run has its
    // own; taken only while there are none.
    void showRemembered(const UsageData& data);
    bool isRemembered() const;
    // Whether the figures shown are not current, since when, and why.
    Freshness freshness(const QDateTime& now) const;

Q_SIGNALS:
    void usageDataChanged(const std::optional<UsageData>& usageData);
    void isLoadingChanged(bool isLoading);
    void errorChanged(const std::optional<QString>& error);
    void hasCookieChanged(bool hasCookie);
    void organizationsChanged(const QList<Organization>& organizations);
    void sourceChanged();
    void changed();
    // What the keyring did on clearCookie(): absent once the cookie is gone.
    void cookieRemoved(SecretState left);
    // The service renewed the session: the keyring now keeps `after` instead of `before`.
    void cookieRenewed(const QString& before, const QString& after);

private:
    struct State {
        std::optional<UsageData> usageData;
        // Counts snapshots, so a new one is a change even when it equals the last.
        quint64 snapshot = 0;
        bool isLoading = false;
        std::optional<QString> error;
        bool hasCookie = false;
        QList<Organization> organizations;
        std::optional<Organization> organization;
        UsageSource source = UsageSource::none;
        std::optional<QString> claudeCodePlan;
        // Since when Claude Code's token is of no use, and when its login ends.
        std::optional<QDateTime> claudeCodeExpiredSince;
        std::optional<QDateTime> claudeCodeSignInEnds;
        // Why the figures come from the other sign-in than the first; empty when they don't.
        QString passedOver;
    };
    void readCookie(std::function<void(const CookieRead&)> then);
    // A sign-in a refresh may read with: its credential, or why it cannot be used now.
    struct Candidate {
        UsageSource source = UsageSource::none;
        QString credential;
        QString problem;
    };
    // The sign-ins a refresh tries in turn while each is refused.
    struct Fallback {
        FetchTrigger trigger;
        UsageSource first;
        // Those not tried yet.
        QList<Candidate> rest;
        // The first one's reason, shown when none answers.
        QString problem;
    };

    void onCookieRead(const CookieRead& read, FetchTrigger trigger);
    // figuresOwner(), or for a token read in place of a session never listed, the token's.
    QString ownerOfFiguresReadBy(UsageSource source) const;
    // In the order they are tried.
    QList<Candidate> candidates(const CookieRead& read,
                                const std::optional<ClaudeCodeSignIn>& claudeCode) const;
    // Reads with the first sign-in of the plan the gate lets go; when none, says why.
    void attempt(State next, Fallback plan);
    void beginChain(State next, const Candidate& candidate);
    // Whether a request with this source is left to Claude Code's status line.
    bool sparesToken(UsageSource source) const;
    void onChainFinished(const ChainOutcome& outcome);
    void onCookieSaved(bool saved, const QString& cookie,
                       const std::optional<QString>& organization, const QString& cookieOrigin);
    void onCookieRemoved(SecretState left, bool leaving);
    void onClaudeCodeChanged();
    // Replies and reads of what came before no longer count.
    void dropRunning();
    // A user's save or clear: the same, loading over.
    State beginUserAction();
    void onChoiceEdited(bool otherOrganization, bool otherSource);
    // As last listed, else the identifier's beginning.
    QString nameOf(const QString& organizationId) const;
    QString chosenSource() const;
    // Claude Code's sign-in, its plan noted in `next`; `wanted`: a missing one is reported.
    std::optional<ClaudeCodeSignIn> readClaudeCode(State& next, bool wanted);

    void apply(State next);

    KeyringService& m_keyring;
    Clock m_clock;
    AccountChoice* m_choice;
    UsageChain* m_chain;
    ClaudeCodeSource* m_claudeCode;
    FetchGate* m_gate;
    StatusLineRequests m_statusLine;
    std::optional<Fallback> m_fallback;
    int m_generation = 0;
    // Removed from the accounts: nothing more is sent.
    bool m_leaving = false;

    State m_state;
    // The snapshot count at which remembered figures were shown.
    std::optional<quint64> m_rememberedSnapshot;
};
