#pragma once

#include "models/account.h"
#include "models/clock.h"
#include "models/organization.h"
#include "models/usage_data.h"
#include "services/fetch/reply_classifier.h"
#include "services/fetch/request_builder.h"
#include "services/sources/usage_source.h"

#include <QNetworkAccessManager>
#include <QObject>
#include <QTimer>

#include <optional>

class ClaudeCodeSource;
class KeyringService;
class Settings;
struct ClaudeCodeSignIn;
struct CookieRead;
struct OrganizationResult;
struct UsageParseResult;

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
    // The keyring and the defaults must outlive the service.
    UsageService(KeyringService& keyring, Settings& defaults, UsageEndpoints endpoints,
                 Clock clock = systemClock, QObject* parent = nullptr);
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
    // Whose figures are shown, or are being read: the snapshot's owner, else Claude Code's
    // account or the organization chosen.
    QString owner() const;

    const QTimer& refreshTimer() const { return m_refreshTimer; }

    // The account whose settings (organization, source) this service reads; the first
    // one unless set, before start().
    void setAccountId(const QString& id);
    const QString& accountId() const { return m_accountId; }

    // Reads the stored cookie and Claude Code's file once; with either (a locked keyring
    // counts), the refresh timer starts and a first fetch runs.
    void start();
    void fetchUsage();
    // The fetch the timer and a wake from sleep make: none without a sign-in, none while
    // one is running, none while the service has asked to be left alone after a rate
    // limit, and none with Claude Code's token sooner than its spacing allows.
    void scheduledFetch();
    // Stores the cookie; with an organization (the one the browser last used), that one is
    // read from then on, and where it came from (Account::cookieOrigin) is kept. Nothing
    // else changes unless the keyring takes it.
    void saveCookie(const QString& cookie,
                    const std::optional<QString>& organizationId = std::nullopt,
                    const QString& cookieOrigin = {});
    // Removes the stored cookie; stays connected, with the reason, when the keyring keeps it.
    void clearCookie();
    void startAutoRefresh();
    void stopAutoRefresh();

Q_SIGNALS:
    void usageDataChanged(const std::optional<UsageData>& usageData);
    void isLoadingChanged(bool isLoading);
    void errorChanged(const std::optional<QString>& error);
    void hasCookieChanged(bool hasCookie);
    void organizationsChanged(const QList<Organization>& organizations);
    void sourceChanged();
    void changed();

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
    };
    // One run of the chain: the sign-in it was read with, and the generation it belongs
    // to, so the replies of a sign-in since saved over, cleared or switched are dropped.
    struct Chain {
        UsageSource source = UsageSource::none;
        // The Cookie header, or Claude Code's token.
        QString credential;
        int generation = 0;
        // What the organizations answer said, published with the chain's outcome.
        std::optional<QList<Organization>> organizations;
        std::optional<Organization> organization;
    };

    void readCookie(std::function<void(const CookieRead&)> then);
    void onCookieRead(const CookieRead& read, bool startUp, bool automatic);
    void fetchWithClaudeCode(State next, const ClaudeCodeSignIn& signIn, bool automatic);
    void beginChain(State next, UsageSource source, const QString& credential);
    void fetchOrganizations(const Chain& chain);
    void fetchUsageData(const Chain& chain);
    void send(RequestKind kind, const QNetworkRequest& request, const Chain& chain);
    void onReplyFinished(RequestKind kind, const ReplyFacts& facts, Chain chain);
    void renewCookie(const ReplyFacts& facts, Chain& chain);
    void decodeInBackground(RequestKind kind, const QByteArray& body, const Chain& chain);
    void applyOrganization(const OrganizationResult& result, const Chain& chain);
    void applyUsage(const UsageParseResult& result, const Chain& chain);
    void onCookieSaved(bool saved, const QString& cookie,
                       const std::optional<QString>& organization, const QString& cookieOrigin);
    void onCookieRemoved(SecretState left);
    void onClaudeCodeChanged();
    void fail(const QString& message, const Chain& chain);
    // The state after the chain's end: loading over, the organizations it learnt.
    State ended(const Chain& chain) const;
    // A user's save or clear: replies and reads of what came before no longer count.
    State beginUserAction();
    void readRefreshInterval();
    // The account's organization or source setting was edited.
    void onChoiceChanged();
    std::optional<QString> chosenOrganization() const;
    QString chosenSource() const;
    // Claude Code's sign-in, its plan noted in `next`; `wanted`: a missing one is reported.
    std::optional<ClaudeCodeSignIn> readClaudeCode(State& next, bool wanted);
    bool isCurrent(const Chain& chain) const { return chain.generation == m_generation; }

    void apply(State next);

    KeyringService& m_keyring;
    Settings& m_defaults;
    RequestBuilder m_requests;
    Clock m_clock;
    // A child rather than a member: ~QObject cuts the reply connections before it
    // deletes children, so no reply handler runs on a half-destroyed service.
    QNetworkAccessManager* m_network;
    ClaudeCodeSource* m_claudeCode;
    QTimer m_refreshTimer;
    // An automatic fetch held back by the spacing of Claude Code's requests.
    QTimer m_spacingTimer;
    double m_refreshInterval = 0;
    // The organization whose usage is read, while it is known.
    std::optional<QString> m_organizationId;
    std::optional<QDateTime> m_rateLimitedUntil;
    int m_generation = 0;
    QString m_accountId = Accounts::defaultId;
    // The account's choices as last seen, to tell which an edit of the settings changed.
    std::optional<QString> m_chosenOrganization;
    QString m_sourceSetting;

    State m_state;
};
