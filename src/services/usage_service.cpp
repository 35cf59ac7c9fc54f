#include "services/usage_service.h"

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
                           Clock clock, QObject* parent)
    : QObject(parent), m_keychain(keychain), m_defaults(defaults), m_requests(origin),
      m_clock(std::move(clock)), m_network(new QNetworkAccessManager(this))
{
    m_refreshTimer.setTimerType(Qt::CoarseTimer);
    connect(&m_refreshTimer, &QTimer::timeout, this, &UsageService::scheduledFetch);
    readRefreshInterval();
    connect(&m_defaults, &UserDefaults::changed, this, [this](const QString& key) {
        if (key == UserDefaults::refreshIntervalKey)
            readRefreshInterval();
        // Another organization picked: its figures, at once.
        if (key == UserDefaults::organizationIdKey && m_state.hasCookie &&
            chosenOrganization() != m_organizationId) {
            m_organizationId.reset();
            fetchUsage();
        }
    });
}

UsageService::~UsageService() = default;

void UsageService::readRefreshInterval()
{
    m_refreshInterval = m_defaults.setting(UserDefaults::refreshIntervalKey).toDouble();
    if (m_state.hasCookie)
        startAutoRefresh();
}

std::optional<QString> UsageService::chosenOrganization() const
{
    if (!m_defaults.contains(UserDefaults::organizationIdKey))
        return std::nullopt;
    return m_defaults.stringForKey(UserDefaults::organizationIdKey);
}

void UsageService::start()
{
    readCookie([this](const CookieRead& read) { onCookieRead(read, true); });
}

void UsageService::scheduledFetch()
{
    if (!m_state.hasCookie)
        return;
    // A rate-limited account is left alone until the server says; Refresh still asks.
    if (m_rateLimitedUntil && m_clock() < *m_rateLimitedUntil)
        return;
    fetchUsage();
}

void UsageService::fetchUsage()
{
    readCookie([this](const CookieRead& read) { onCookieRead(read, false); });
}

void UsageService::readCookie(std::function<void(const CookieRead&)> then)
{
    const int generation = m_generation;
    m_keychain.read(this, [this, generation, then = std::move(then)](const CookieRead& read) {
        // A save or a clear since: this read no longer says what is stored.
        if (generation == m_generation)
            then(read);
    });
}

void UsageService::onCookieRead(const CookieRead& read, bool startUp)
{
    State next = m_state;
    switch (read.state) {
    case CookieRead::State::stored:
        next.hasCookie = true;
        if (startUp)
            startAutoRefresh();
        beginChain(next, read.cookie);
        return;
    case CookieRead::State::locked:
        // There is a cookie; the keyring will be unlocked, and the timer tries again.
        next.hasCookie = true;
        next.error = FetchMessages::keyringLocked();
        if (startUp)
            startAutoRefresh();
        break;
    case CookieRead::State::absent:
    case CookieRead::State::unreachable:
        if (startUp)
            return;
        next.error = FetchMessages::noCookie();
        break;
    }
    apply(next);
}

void UsageService::beginChain(State next, const QString& cookie)
{
    next.isLoading = true;
    next.error.reset();
    apply(next);
    const Chain chain{cookie, m_generation, {}, {}};
    if (m_organizationId)
        fetchUsageData(chain);
    else
        fetchOrganizations(chain);
}

void UsageService::fetchOrganizations(const Chain& chain)
{
    const QUrl url = m_requests.organizationsUrl();
    if (!url.isValid()) {
        fail(FetchMessages::invalidUrl(), chain);
        return;
    }
    send(RequestKind::organizations, url, chain);
}

void UsageService::fetchUsageData(const Chain& chain)
{
    const std::optional<QUrl> url = m_requests.usageUrl(*m_organizationId);
    if (!url) {
        fail(FetchMessages::invalidUrl(), chain);
        return;
    }
    send(RequestKind::usage, *url, chain);
}

void UsageService::send(RequestKind kind, const QUrl& url, const Chain& chain)
{
    if (!RequestBuilder::isHeaderSafe(chain.cookie)) {
        fail(FetchMessages::invalidCookie(), chain);
        return;
    }
    QNetworkReply* reply = m_network->get(m_requests.createRequest(url, chain.cookie));

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
    connect(reply, &QNetworkReply::finished, this, [this, kind, reply, transfer, chain] {
        reply->deleteLater();
        if (!transfer->tooLarge)
            transfer->body += reply->readAll();
        onReplyFinished(kind, readReplyFacts(*reply, transfer->tooLarge, transfer->body), chain);
    });
}

void UsageService::onReplyFinished(RequestKind kind, const ReplyFacts& facts, const Chain& chain)
{
    if (!isCurrent(chain))
        return;
    const ReplyStep step = classifyReply(kind, facts);
    if (step.diagnostic)
        printDiagnostic(*step.diagnostic);
    if (step.action == ReplyStep::Action::decode) {
        decodeInBackground(kind, facts.body, chain);
        return;
    }
    if (step.retryAfter)
        m_rateLimitedUntil = parseRetryAfter(*step.retryAfter, m_clock());
    if (step.forgetOrganization)
        m_organizationId.reset();
    fail(step.message, chain);
}

void UsageService::decodeInBackground(RequestKind kind, const QByteArray& body, const Chain& chain)
{
    QPointer<UsageService> self(this);
    QThreadPool::globalInstance()->start([self, kind, body, chain, clock = m_clock] {
        if (kind == RequestKind::organizations) {
            onGuiThread(self, [result = parseOrganizations(body), chain](UsageService& service) {
                service.applyOrganization(result, chain);
            });
        } else {
            onGuiThread(self, [result = parseUsageData(body, clock), chain](UsageService& service) {
                service.applyUsage(result, chain);
            });
        }
    });
}

void UsageService::applyOrganization(const OrganizationResult& result, const Chain& chain)
{
    if (!isCurrent(chain))
        return;
    // The stored choice is kept even when it is not listed: a passing hiccup of the list
    // must not lose it.
    const std::optional<Organization> read =
        Organizations::choose(result.organizations, chosenOrganization());
    if (!read) {
        fail(result.error, chain);
        return;
    }
    m_organizationId = read->id;
    Chain next = chain;
    next.organizations = result.organizations;
    next.organization = read;
    fetchUsageData(next);
}

void UsageService::applyUsage(const UsageParseResult& result, const Chain& chain)
{
    if (!isCurrent(chain))
        return;
    if (!result.data) {
        fail(FetchMessages::usageParseFailed(result.error), chain);
        return;
    }
    // The service answered: whatever pause it asked for earlier is over.
    m_rateLimitedUntil.reset();
    State next = ended(chain);
    next.usageData = result.data;
    ++next.snapshot;
    next.error.reset();
    apply(next);
}

void UsageService::fail(const QString& message, const Chain& chain)
{
    State next = ended(chain);
    next.error = message;
    apply(next);
}

UsageService::State UsageService::ended(const Chain& chain) const
{
    State next = m_state;
    next.isLoading = false;
    if (chain.organizations) {
        next.organizations = *chain.organizations;
        next.organization = chain.organization;
    }
    return next;
}

void UsageService::saveCookie(const QString& cookie, const std::optional<QString>& organizationId)
{
    if (organizationId)
        m_defaults.setValue(UserDefaults::organizationIdKey, *organizationId);
    m_organizationId.reset();
    m_rateLimitedUntil.reset();
    m_keychain.save(cookie, this, [this, cookie](bool saved) { onCookieSaved(saved, cookie); });
}

void UsageService::onCookieSaved(bool saved, const QString& cookie)
{
    State next = m_state;
    if (!saved) {
        next.error = FetchMessages::saveFailed();
        apply(next);
        return;
    }
    // Replies and reads of the cookie saved over no longer count.
    ++m_generation;
    next.hasCookie = true;
    startAutoRefresh();
    beginChain(next, cookie);
}

void UsageService::clearCookie()
{
    ++m_generation;
    m_organizationId.reset();
    m_rateLimitedUntil.reset();
    stopAutoRefresh();
    m_keychain.remove(this, [](bool) {});
    State next = m_state;
    next.hasCookie = false;
    next.organizations.clear();
    next.organization.reset();
    next.usageData.reset();
    ++next.snapshot;
    next.isLoading = false;
    apply(next);
}

void UsageService::startAutoRefresh()
{
    m_refreshTimer.start(timerMilliseconds(m_refreshInterval));
}

void UsageService::stopAutoRefresh()
{
    m_refreshTimer.stop();
}

void UsageService::apply(State next)
{
    const bool newData = next.snapshot != m_state.snapshot;
    const bool newLoading = next.isLoading != m_state.isLoading;
    const bool newError = next.error != m_state.error;
    const bool newCookie = next.hasCookie != m_state.hasCookie;
    const bool newOrganizations =
        next.organizations != m_state.organizations || next.organization != m_state.organization;
    m_state = std::move(next);
    if (newData)
        Q_EMIT usageDataChanged(m_state.usageData);
    if (newLoading)
        Q_EMIT isLoadingChanged(m_state.isLoading);
    if (newError)
        Q_EMIT errorChanged(m_state.error);
    if (newCookie)
        Q_EMIT hasCookieChanged(m_state.hasCookie);
    if (newOrganizations)
        Q_EMIT organizationsChanged(m_state.organizations);
    if (newData || newLoading || newError || newCookie || newOrganizations)
        Q_EMIT changed();
}
