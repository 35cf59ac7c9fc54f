#include "services/usage_service.h"

#include "build_config.h"
#include "services/diagnostics.h"
#include "services/fetch_messages.h"
#include "services/keychain_service.h"
#include "services/organizations_parser.h"
#include "services/retry_after.h"
#include "services/usage_parser.h"
#include "services/user_defaults.h"

#include <QCoreApplication>
#include <QNetworkReply>
#include <QPointer>
#include <QThreadPool>

#include <algorithm>
#include <limits>
#include <memory>

namespace {

// Runs `apply` on the GUI thread on a later turn, only if the service still exists.
// The application object is the context because the service may be gone by then.
template <typename Apply> void onGuiThread(QPointer<UsageService> service, Apply apply)
{
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [service, apply = std::move(apply)] {
            if (service)
                apply(*service);
        },
        Qt::QueuedConnection);
}

// Cookie writes run one at a time and in order, so a later save can never be
// overtaken by an earlier one still talking to the keyring.
QThreadPool& keychainWriter()
{
    static QThreadPool* pool = [] {
        auto* p = new QThreadPool;
        p->setMaxThreadCount(1);
        return p;
    }();
    return *pool;
}

int timerMilliseconds(double seconds)
{
    const double ms = seconds * 1000;
    if (!(ms >= 1))
        return 1;
    return ms >= std::numeric_limits<int>::max() ? std::numeric_limits<int>::max()
                                                 : static_cast<int>(ms);
}

} // namespace

UsageService::UsageService(KeychainService& keychain, UserDefaults& defaults, const QUrl& origin,
                           QObject* parent)
    : QObject(parent), m_keychain(keychain), m_defaults(defaults), m_requests(origin),
      m_network(new QNetworkAccessManager(this))
{
    m_refreshTimer.setTimerType(Qt::CoarseTimer);
    connect(&m_refreshTimer, &QTimer::timeout, this, &UsageService::scheduledFetch);

    const double stored = defaults.doubleForKey(UserDefaults::refreshIntervalKey);
    m_refreshInterval = stored > 0 ? stored : defaultRefreshInterval;

    m_hasCookie = m_keychain.getCookie().has_value();
    if (m_hasCookie)
        startAutoRefresh();
}

UsageService::~UsageService() = default;

QUrl UsageService::defaultOrigin()
{
    return QUrl(QLatin1String(BuildConfig::serviceOrigin));
}

void UsageService::scheduledFetch()
{
    if (!m_hasCookie)
        return;
    // A rate-limited account is left alone until the server says; Refresh still asks.
    if (m_rateLimitedUntil && QDateTime::currentDateTimeUtc() < *m_rateLimitedUntil)
        return;
    m_rateLimitedUntil.reset();
    fetchUsage();
}

void UsageService::fetchUsage()
{
    const std::optional<QString> cookie = m_keychain.getCookie();
    if (!cookie) {
        setError(FetchMessages::noCookie());
        return;
    }
    setIsLoading(true);
    setError(std::nullopt);
    if (m_organizationId)
        fetchUsageData(*cookie);
    else
        fetchOrganizations(*cookie);
}

void UsageService::fetchOrganizations(const QString& cookie)
{
    const QUrl url = m_requests.organizationsUrl();
    if (!url.isValid()) {
        setError(FetchMessages::invalidUrl());
        setIsLoading(false);
        return;
    }
    send(RequestKind::organizations, url, cookie);
}

void UsageService::fetchUsageData(const QString& cookie)
{
    if (!m_organizationId) {
        fetchOrganizations(cookie);
        return;
    }
    const std::optional<QUrl> url = m_requests.usageUrl(*m_organizationId);
    if (!url) {
        setError(FetchMessages::invalidUrl());
        setIsLoading(false);
        return;
    }
    send(RequestKind::usage, *url, cookie);
}

void UsageService::send(RequestKind kind, const QUrl& url, const QString& cookie)
{
    if (!RequestBuilder::isHeaderSafe(cookie)) {
        fail(FetchMessages::invalidCookie());
        return;
    }
    QNetworkReply* reply = m_network->get(m_requests.createRequest(url, cookie));

    struct Transfer {
        QByteArray body;
        bool tooLarge = false;
    };
    auto transfer = std::make_shared<Transfer>();
    const auto abandonIfTooLarge = [reply, transfer](qint64 size) {
        if (size <= maxBodyBytes || transfer->tooLarge)
            return;
        transfer->tooLarge = true;
        transfer->body.clear();
        reply->abort();
    };
    connect(reply, &QNetworkReply::metaDataChanged, this, [reply, abandonIfTooLarge] {
        abandonIfTooLarge(reply->header(QNetworkRequest::ContentLengthHeader).toLongLong());
    });
    connect(reply, &QNetworkReply::readyRead, this, [reply, transfer, abandonIfTooLarge] {
        if (transfer->tooLarge)
            return;
        transfer->body += reply->readAll();
        abandonIfTooLarge(transfer->body.size());
    });
    connect(reply, &QNetworkReply::finished, this, [this, kind, reply, transfer] {
        reply->deleteLater();
        if (!transfer->tooLarge)
            transfer->body += reply->readAll();
        onReplyFinished(kind, readReplyFacts(*reply, transfer->tooLarge, transfer->body));
    });
}

void UsageService::onReplyFinished(RequestKind kind, const ReplyFacts& facts)
{
    const ReplyStep step = classifyReply(kind, facts);
    if (step.diagnostic)
        printDiagnostic(*step.diagnostic);
    if (step.action == ReplyStep::Action::decode) {
        decodeInBackground(kind, facts.body);
        return;
    }
    if (step.retryAfter)
        m_rateLimitedUntil = parseRetryAfter(*step.retryAfter, QDateTime::currentDateTimeUtc());
    fail(step.message);
    if (step.forgetOrganization)
        m_organizationId.reset();
}

void UsageService::decodeInBackground(RequestKind kind, const QByteArray& body)
{
    QPointer<UsageService> self(this);
    QThreadPool::globalInstance()->start([self, kind, body] {
        if (!self)
            return;
        if (kind == RequestKind::organizations) {
            onGuiThread(self, [result = parseOrganizationId(body)](UsageService& service) {
                service.applyOrganization(result);
            });
        } else {
            onGuiThread(self, [result = parseUsageData(body)](UsageService& service) {
                service.applyUsage(result);
            });
        }
    });
}

void UsageService::applyOrganization(const OrganizationResult& result)
{
    if (!result.organizationId) {
        fail(result.error);
        return;
    }
    m_organizationId = result.organizationId;
    if (const std::optional<QString> cookie = m_keychain.getCookie())
        fetchUsageData(*cookie);
    else
        setIsLoading(false);
}

void UsageService::applyUsage(const UsageParseResult& result)
{
    if (!result.data) {
        fail(FetchMessages::usageParseFailed(result.error));
        return;
    }
    setIsLoading(false);
    setUsageData(result.data);
    setError(std::nullopt);
}

void UsageService::fail(const QString& message)
{
    setIsLoading(false);
    setError(message);
}

void UsageService::saveCookie(const QString& cookie, const std::optional<QString>& organizationId)
{
    if (organizationId)
        m_defaults.setValue(UserDefaults::organizationIdKey, *organizationId);
    m_organizationId.reset();
    QPointer<UsageService> self(this);
    KeychainService* keychain = &m_keychain;
    keychainWriter().start([self, keychain, cookie] {
        const bool saved = keychain->saveCookie(cookie);
        onGuiThread(self, [saved](UsageService& service) { service.applyCookieSaved(saved); });
    });
}

void UsageService::applyCookieSaved(bool saved)
{
    if (!saved) {
        setError(FetchMessages::saveFailed());
        return;
    }
    setHasCookie(true);
    fetchUsage();
    startAutoRefresh();
}

void UsageService::clearCookie()
{
    m_keychain.deleteCookie();
    setHasCookie(false);
    setUsageData(std::nullopt);
    m_organizationId.reset();
    stopAutoRefresh();
}

void UsageService::startAutoRefresh()
{
    stopAutoRefresh();
    m_refreshTimer.start(timerMilliseconds(m_refreshInterval));
}

void UsageService::stopAutoRefresh()
{
    m_refreshTimer.stop();
}

void UsageService::updateRefreshInterval(int seconds)
{
    m_refreshInterval = seconds;
    if (m_hasCookie)
        startAutoRefresh();
}

void UsageService::setUsageData(std::optional<UsageData> usageData)
{
    m_usageData = std::move(usageData);
    Q_EMIT usageDataChanged(m_usageData);
    Q_EMIT changed();
}

void UsageService::setIsLoading(bool isLoading)
{
    m_isLoading = isLoading;
    Q_EMIT isLoadingChanged(m_isLoading);
    Q_EMIT changed();
}

void UsageService::setError(std::optional<QString> error)
{
    m_error = std::move(error);
    Q_EMIT errorChanged(m_error);
    Q_EMIT changed();
}

void UsageService::setHasCookie(bool hasCookie)
{
    m_hasCookie = hasCookie;
    Q_EMIT hasCookieChanged(m_hasCookie);
    Q_EMIT changed();
}
