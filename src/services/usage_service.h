#pragma once

#include "models/clock.h"
#include "models/organization.h"
#include "models/usage_data.h"
#include "services/reply_classifier.h"
#include "services/request_builder.h"

#include <QNetworkAccessManager>
#include <QObject>
#include <QTimer>

#include <optional>

class KeychainService;
class UserDefaults;
struct CookieRead;
struct OrganizationResult;
struct UsageParseResult;

// The one observable source of usage figures: the last snapshot, whether a fetch is
// running, the last failure message and whether a cookie is stored. Each outcome is
// applied as one change: every property signal follows the store of all of them, and
// one changed() follows the property signals.
class UsageService : public QObject {
    Q_OBJECT
    Q_PROPERTY(std::optional<UsageData> usageData READ usageData NOTIFY usageDataChanged)
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)
    Q_PROPERTY(std::optional<QString> error READ error NOTIFY errorChanged)
    Q_PROPERTY(bool hasCookie READ hasCookie NOTIFY hasCookieChanged)
    Q_PROPERTY(QList<Organization> organizations READ organizations NOTIFY organizationsChanged)

public:
    // Bodies beyond this are abandoned, so a misbehaving server cannot fill memory.
    static constexpr qint64 maxBodyBytes = 4 * 1024 * 1024;

    // The keychain and the defaults must outlive the service.
    UsageService(KeychainService& keychain, UserDefaults& defaults, const QUrl& origin,
                 Clock clock = systemClock, QObject* parent = nullptr);
    ~UsageService() override;

    const std::optional<UsageData>& usageData() const { return m_state.usageData; }
    bool isLoading() const { return m_state.isLoading; }
    const std::optional<QString>& error() const { return m_state.error; }
    bool hasCookie() const { return m_state.hasCookie; }
    // The organizations of the account, as last listed; the one whose usage is read.
    const QList<Organization>& organizations() const { return m_state.organizations; }
    const std::optional<Organization>& organization() const { return m_state.organization; }
    // The organization the settings name, if any.
    std::optional<QString> chosenOrganization() const;

    const QTimer& refreshTimer() const { return m_refreshTimer; }

    // Reads the stored cookie once; with one (a locked keyring counts), the refresh timer
    // starts and a first fetch runs.
    void start();
    void fetchUsage();
    // The fetch the timer and a wake from sleep make: none without a cookie, and none
    // while the service has asked to be left alone after a rate limit.
    void scheduledFetch();
    // Stores the cookie; with an organization (the one the browser last used), that one is
    // read from then on.
    void saveCookie(const QString& cookie,
                    const std::optional<QString>& organizationId = std::nullopt);
    void clearCookie();
    void startAutoRefresh();
    void stopAutoRefresh();

Q_SIGNALS:
    void usageDataChanged(const std::optional<UsageData>& usageData);
    void isLoadingChanged(bool isLoading);
    void errorChanged(const std::optional<QString>& error);
    void hasCookieChanged(bool hasCookie);
    void organizationsChanged(const QList<Organization>& organizations);
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
    };
    // One run of the chain: the cookie it was read with, and the cookie generation it
    // belongs to, so the replies of a cookie since saved over or cleared are dropped.
    struct Chain {
        QString cookie;
        int generation = 0;
        // What the organizations answer said, published with the chain's outcome.
        std::optional<QList<Organization>> organizations;
        std::optional<Organization> organization;
    };

    void readCookie(std::function<void(const CookieRead&)> then);
    void onCookieRead(const CookieRead& read, bool startUp);
    void beginChain(State next, const QString& cookie);
    void fetchOrganizations(const Chain& chain);
    void fetchUsageData(const Chain& chain);
    void send(RequestKind kind, const QUrl& url, const Chain& chain);
    void onReplyFinished(RequestKind kind, const ReplyFacts& facts, const Chain& chain);
    void decodeInBackground(RequestKind kind, const QByteArray& body, const Chain& chain);
    void applyOrganization(const OrganizationResult& result, const Chain& chain);
    void applyUsage(const UsageParseResult& result, const Chain& chain);
    void onCookieSaved(bool saved, const QString& cookie);
    void fail(const QString& message, const Chain& chain);
    // The state after the chain's end: loading over, the organizations it learnt.
    State ended(const Chain& chain) const;
    void readRefreshInterval();
    bool isCurrent(const Chain& chain) const { return chain.generation == m_generation; }

    void apply(State next);

    KeychainService& m_keychain;
    UserDefaults& m_defaults;
    RequestBuilder m_requests;
    Clock m_clock;
    // A child rather than a member: ~QObject cuts the reply connections before it
    // deletes children, so no reply handler runs on a half-destroyed service.
    QNetworkAccessManager* m_network;
    QTimer m_refreshTimer;
    double m_refreshInterval = 0;
    // The organization whose usage is read, while it is known.
    std::optional<QString> m_organizationId;
    std::optional<QDateTime> m_rateLimitedUntil;
    int m_generation = 0;

    State m_state;
};
