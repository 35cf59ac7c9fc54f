#pragma once

#include "models/usage_data.h"
#include "services/reply_classifier.h"
#include "services/request_builder.h"

#include <QNetworkAccessManager>
#include <QObject>
#include <QTimer>

#include <optional>

class KeychainService;
class UserDefaults;
struct OrganizationResult;
struct UsageParseResult;

// The one observable source of usage figures: the last snapshot, whether a fetch is
// running, the last failure message and whether a cookie is stored. Every property
// signal follows the store; changed() follows every property signal.
class UsageService : public QObject {
    Q_OBJECT
    Q_PROPERTY(std::optional<UsageData> usageData READ usageData NOTIFY usageDataChanged)
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)
    Q_PROPERTY(std::optional<QString> error READ error NOTIFY errorChanged)
    Q_PROPERTY(bool hasCookie READ hasCookie NOTIFY hasCookieChanged)

public:
    static constexpr double defaultRefreshInterval = 300;
    // Bodies beyond this are abandoned, so a misbehaving server cannot fill memory.
    static constexpr qint64 maxBodyBytes = 4 * 1024 * 1024;

    // The keychain must outlive the service and any cookie save it started.
    explicit UsageService(KeychainService& keychain, UserDefaults& defaults,
                          const QUrl& origin = defaultOrigin(), QObject* parent = nullptr);
    ~UsageService() override;

    static QUrl defaultOrigin();

    const std::optional<UsageData>& usageData() const { return m_usageData; }
    bool isLoading() const { return m_isLoading; }
    // Until when the refresh timer skips its fetches, after a rate-limit answer.
    const std::optional<QDateTime>& rateLimitedUntil() const { return m_rateLimitedUntil; }
    const std::optional<QString>& error() const { return m_error; }
    bool hasCookie() const { return m_hasCookie; }

    const QTimer& refreshTimer() const { return m_refreshTimer; }

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
    void updateRefreshInterval(int seconds);

Q_SIGNALS:
    void usageDataChanged(const std::optional<UsageData>& usageData);
    void isLoadingChanged(bool isLoading);
    void errorChanged(const std::optional<QString>& error);
    void hasCookieChanged(bool hasCookie);
    void changed();

private:
    void fetchOrganizations(const QString& cookie);
    void fetchUsageData(const QString& cookie);
    void send(RequestKind kind, const QUrl& url, const QString& cookie);
    void onReplyFinished(RequestKind kind, const ReplyFacts& facts);
    void decodeInBackground(RequestKind kind, const QByteArray& body);
    void applyOrganization(const OrganizationResult& result);
    void applyUsage(const UsageParseResult& result);
    void applyCookieSaved(bool saved);
    void fail(const QString& message);

    void setUsageData(std::optional<UsageData> usageData);
    void setIsLoading(bool isLoading);
    void setError(std::optional<QString> error);
    void setHasCookie(bool hasCookie);

    KeychainService& m_keychain;
    UserDefaults& m_defaults;
    RequestBuilder m_requests;
    // A child rather than a member: ~QObject cuts the reply connections before it
    // deletes children, so no reply handler runs on a half-destroyed service.
    QNetworkAccessManager* m_network;
    QTimer m_refreshTimer;
    double m_refreshInterval = defaultRefreshInterval;
    std::optional<QString> m_organizationId;
    std::optional<QDateTime> m_rateLimitedUntil;

    std::optional<UsageData> m_usageData;
    bool m_isLoading = false;
    std::optional<QString> m_error;
    bool m_hasCookie = false;
};
