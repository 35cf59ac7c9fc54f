#include "services/fetch/usage_service.h"

#include "services/accounts/account_store.h"
#include "services/background.h"
#include "services/diagnostics.h"
#include "services/fetch/bounded_get.h"
#include "services/fetch/cookie_renewal.h"
#include "services/fetch/fetch_messages.h"
#include "services/fetch/retry_after.h"
#include "services/keyring/keyring_service.h"
#include "services/parsing/claude_code_credentials.h"
#include "services/parsing/organizations_parser.h"
#include "services/parsing/usage_parser.h"
#include "services/settings.h"
#include "services/sources/claude_code/claude_code_source.h"

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

} // namespace

UsageService::UsageService(KeyringService& keyring, Settings& defaults, UsageEndpoints endpoints,
                           Clock clock, QObject* parent)
    : QObject(parent), m_keyring(keyring), m_defaults(defaults),
      m_requests(endpoints.origin, endpoints.apiOrigin), m_clock(std::move(clock)),
      m_network(new QNetworkAccessManager(this)),
      m_claudeCode(new ClaudeCodeSource(endpoints.claudeCodeFile, m_clock, this))
{
    m_refreshTimer.setTimerType(Qt::CoarseTimer);
    connect(&m_refreshTimer, &QTimer::timeout, this, &UsageService::scheduledFetch);
    m_spacingTimer.setSingleShot(true);
    connect(&m_spacingTimer, &QTimer::timeout, this, &UsageService::scheduledFetch);
    connect(m_claudeCode, &ClaudeCodeSource::changed, this, &UsageService::onClaudeCodeChanged);
    readRefreshInterval();
    setAccountId(Accounts::defaultId);
    connect(&m_defaults, &Settings::changed, this, [this](const QString& key) {
        if (key == Settings::refreshIntervalKey)
            readRefreshInterval();
        const bool ours = m_accountId == Accounts::defaultId ? key == Settings::organizationIdKey ||
                                                                   key == Settings::usageSourceKey
                                                             : key == Settings::accountsKey;
        if (ours)
            onChoiceChanged();
    });
}

UsageService::~UsageService() = default;

void UsageService::setAccountId(const QString& id)
{
    m_accountId = id;
    m_chosenOrganization = chosenOrganization();
    m_sourceSetting = chosenSource();
}

void UsageService::onChoiceChanged()
{
    const std::optional<QString> organization = chosenOrganization();
    const QString source = chosenSource();
    const bool otherOrganization = organization != m_chosenOrganization;
    const bool otherSource = source != m_sourceSetting;
    m_chosenOrganization = organization;
    m_sourceSetting = source;
    // Another organization picked: its figures at once, and none of the last one's.
    if (otherOrganization && m_state.hasCookie) {
        ++m_generation;
        m_organizationId.reset();
        fetchUsage();
    } else if (otherSource) {
        ++m_generation;
        fetchUsage();
    }
}

bool UsageService::isConnected() const
{
    return UsageSources::choose(chosenSource(),
                                m_state.hasCookie ? SecretState::found : SecretState::absent,
                                hasClaudeCode()) != UsageSource::none;
}

QString UsageService::owner() const
{
    if (m_state.usageData)
        return m_state.usageData->owner;
    if (m_state.source == UsageSource::claudeCode)
        return UsageData::claudeCodeOwner;
    return m_organizationId.value_or(chosenOrganization().value_or(QString()));
}

void UsageService::readRefreshInterval()
{
    m_refreshInterval = m_defaults.setting(Settings::refreshIntervalKey).toDouble();
    if (m_refreshTimer.isActive())
        startAutoRefresh();
}

std::optional<QString> UsageService::chosenOrganization() const
{
    return AccountStore::organization(m_defaults, m_accountId);
}

QString UsageService::chosenSource() const
{
    return AccountStore::sourceSetting(m_defaults, m_accountId);
}

void UsageService::start()
{
    readCookie([this](const CookieRead& read) { onCookieRead(read, true, true); });
}

void UsageService::scheduledFetch()
{
    // One chain at a time: the one still running is this tick's refresh.
    if (!isConnected() || m_state.isLoading)
        return;
    // A rate-limited account is left alone until the server says; Refresh still asks.
    if (m_rateLimitedUntil && m_clock() < *m_rateLimitedUntil)
        return;
    readCookie([this](const CookieRead& read) { onCookieRead(read, false, true); });
}

void UsageService::fetchUsage()
{
    readCookie([this](const CookieRead& read) { onCookieRead(read, false, false); });
}

void UsageService::readCookie(std::function<void(const CookieRead&)> then)
{
    const int generation = m_generation;
    m_keyring.read(this, [this, generation, then = std::move(then)](const CookieRead& read) {
        // A save or a clear since: this read no longer says what is stored.
        if (generation == m_generation)
            then(read);
    });
}

std::optional<ClaudeCodeSignIn> UsageService::readClaudeCode(State& next, bool wanted)
{
    std::optional<ClaudeCodeSignIn> signIn = m_claudeCode->read(wanted);
    next.claudeCodePlan.reset();
    if (signIn)
        next.claudeCodePlan = ClaudeCodeCredentials::planName(signIn->subscriptionType);
    return signIn;
}

void UsageService::onCookieRead(const CookieRead& read, bool startUp, bool automatic)
{
    State next = m_state;
    next.hasCookie = read.state == SecretState::found || read.state == SecretState::locked;
    const bool wanted = chosenSource() == UsageSources::claudeCode || !next.hasCookie;
    const std::optional<ClaudeCodeSignIn> claudeCode = readClaudeCode(next, wanted);
    next.source = UsageSources::choose(chosenSource(), read.state, claudeCode.has_value());
    if (next.source != UsageSource::none && startUp)
        startAutoRefresh();
    switch (next.source) {
    case UsageSource::cookie:
        if (read.state == SecretState::found) {
            beginChain(next, UsageSource::cookie, read.cookie);
            return;
        }
        // There is a cookie; the keyring will be unlocked, and the timer tries again.
        next.error = FetchMessages::keyringLocked();
        break;
    case UsageSource::claudeCode:
        fetchWithClaudeCode(next, *claudeCode, automatic);
        return;
    case UsageSource::none:
        if (startUp) {
            apply(next);
            return;
        }
        next.error = chosenSource() == UsageSources::claudeCode
                         ? FetchMessages::noClaudeCodeSignIn()
                         : FetchMessages::noCookie();
        break;
    }
    apply(next);
}

void UsageService::fetchWithClaudeCode(State next, const ClaudeCodeSignIn& signIn, bool automatic)
{
    if (m_claudeCode->isExpired(signIn)) {
        next.error = FetchMessages::claudeCodeExpired();
        apply(next);
        return;
    }
    if (const int wait = m_claudeCode->secondsBeforeRequest(); automatic && wait > 0) {
        apply(next);
        m_spacingTimer.start(wait * 1000);
        return;
    }
    beginChain(next, UsageSource::claudeCode, signIn.accessToken);
}

void UsageService::beginChain(State next, UsageSource source, const QString& credential)
{
    next.isLoading = true;
    next.error.reset();
    apply(next);
    const Chain chain{source, credential, m_generation, {}, {}};
    if (!RequestBuilder::isHeaderSafe(credential)) {
        fail(source == UsageSource::cookie ? FetchMessages::invalidCookie()
                                           : FetchMessages::claudeCodeExpired(),
             chain);
        return;
    }
    if (source == UsageSource::claudeCode) {
        // The token belongs to one account: no organizations to list.
        m_claudeCode->requestSent();
        send(RequestKind::oauthUsage, m_requests.createOAuthUsageRequest(credential), chain);
    } else if (m_organizationId) {
        fetchUsageData(chain);
    } else {
        fetchOrganizations(chain);
    }
}

void UsageService::fetchOrganizations(const Chain& chain)
{
    const QUrl url = m_requests.organizationsUrl();
    if (!url.isValid()) {
        fail(FetchMessages::invalidUrl(), chain);
        return;
    }
    send(RequestKind::organizations, m_requests.createRequest(url, chain.credential), chain);
}

void UsageService::fetchUsageData(const Chain& chain)
{
    const std::optional<QUrl> url = m_requests.usageUrl(*m_organizationId);
    if (!url) {
        fail(FetchMessages::invalidUrl(), chain);
        return;
    }
    send(RequestKind::usage, m_requests.createRequest(*url, chain.credential), chain);
}

void UsageService::send(RequestKind kind, const QNetworkRequest& request, const Chain& chain)
{
    BoundedGet::send(*m_network, request, this, [this, kind, chain](const ReplyFacts& facts) {
        onReplyFinished(kind, facts, chain);
    });
}

void UsageService::onReplyFinished(RequestKind kind, const ReplyFacts& facts, Chain chain)
{
    if (!isCurrent(chain))
        return;
    if (chain.source == UsageSource::cookie)
        renewCookie(facts, chain);
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
    if (step.rejectToken)
        m_claudeCode->refuse(chain.credential);
    fail(step.message, chain);
}

void UsageService::renewCookie(const ReplyFacts& facts, Chain& chain)
{
    const std::optional<QString> renewed =
        CookieRenewal::renewed(chain.credential, facts.setCookies, m_requests.origin(), m_clock());
    if (!renewed)
        return;
    // Kept like the browser keeps its session; a user's save or clear made later is
    // queued after this one and wins.
    chain.credential = *renewed;
    m_keyring.save(*renewed, this, [](bool) {});
}

void UsageService::decodeInBackground(RequestKind kind, const QByteArray& body, const Chain& chain)
{
    if (kind == RequestKind::organizations) {
        Background::run(
            this, [body] { return parseOrganizations(body); },
            [this, chain](const OrganizationResult& result) { applyOrganization(result, chain); });
    } else {
        Background::run(
            this, [body, clock = m_clock] { return parseUsageData(body, clock); },
            [this, chain](const UsageParseResult& result) { applyUsage(result, chain); });
    }
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
        fail(result.error.isEmpty() ? FetchMessages::organizationNotFound()
                                    : FetchMessages::organizationsParseFailed(result.error),
             chain);
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
    next.usageData->owner = chain.source == UsageSource::claudeCode
                                ? UsageData::claudeCodeOwner
                                : m_organizationId.value_or(QString());
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

UsageService::State UsageService::beginUserAction()
{
    ++m_generation;
    State next = m_state;
    next.isLoading = false;
    return next;
}

void UsageService::saveCookie(const QString& cookie, const std::optional<QString>& organizationId,
                              const QString& cookieOrigin)
{
    apply(beginUserAction());
    const int generation = m_generation;
    m_keyring.save(cookie, this,
                   [this, generation, cookie, organizationId, cookieOrigin](bool saved) {
                       // A later save or clear decides.
                       if (generation == m_generation)
                           onCookieSaved(saved, cookie, organizationId, cookieOrigin);
                   });
}

void UsageService::onCookieSaved(bool saved, const QString& cookie,
                                 const std::optional<QString>& organization,
                                 const QString& cookieOrigin)
{
    State next = m_state;
    if (!saved) {
        next.error = FetchMessages::saveFailed();
        apply(next);
        return;
    }
    if (organization) {
        // Read by the chain below; no second fetch for the change.
        m_chosenOrganization = organization;
        AccountStore::setOrganization(m_defaults, m_accountId, *organization);
    }
    AccountStore::setCookieOrigin(m_defaults, m_accountId, cookieOrigin);
    m_organizationId.reset();
    m_rateLimitedUntil.reset();
    next.hasCookie = true;
    startAutoRefresh();
    State withSource = next;
    readClaudeCode(withSource, false);
    withSource.source = UsageSources::choose(chosenSource(), SecretState::found,
                                             withSource.claudeCodePlan.has_value());
    if (withSource.source == UsageSource::cookie) {
        beginChain(withSource, UsageSource::cookie, cookie);
        return;
    }
    // Claude Code is the chosen source: the cookie waits until it is chosen.
    apply(withSource);
}

void UsageService::clearCookie()
{
    State next = beginUserAction();
    stopAutoRefresh();
    apply(next);
    const int generation = m_generation;
    m_keyring.remove(this, [this, generation](SecretState left) {
        if (generation == m_generation)
            onCookieRemoved(left);
    });
}

void UsageService::onCookieRemoved(SecretState left)
{
    State next = m_state;
    if (left != SecretState::absent) {
        // The keyring kept it: still connected, and the user is told why.
        next.error = FetchMessages::removeFailed(left == SecretState::locked);
        startAutoRefresh();
        apply(next);
        return;
    }
    m_organizationId.reset();
    m_rateLimitedUntil.reset();
    next.hasCookie = false;
    next.organizations.clear();
    next.organization.reset();
    next.usageData.reset();
    ++next.snapshot;
    next.error.reset();
    next.source = UsageSource::none;
    apply(next);
    // Claude Code's sign-in takes over where the setting lets it.
    if (isConnected()) {
        startAutoRefresh();
        fetchUsage();
    }
}

void UsageService::onClaudeCodeChanged()
{
    State next = m_state;
    readClaudeCode(next, false);
    apply(next);
    // Figures at once when Claude Code's sign-in is (or may now be) what they come from.
    if (m_state.source == UsageSource::cookie || !isConnected())
        return;
    if (!m_refreshTimer.isActive())
        startAutoRefresh();
    scheduledFetch();
}

void UsageService::startAutoRefresh()
{
    m_refreshTimer.start(timerMilliseconds(m_refreshInterval));
}

void UsageService::stopAutoRefresh()
{
    m_refreshTimer.stop();
    m_spacingTimer.stop();
}

void UsageService::apply(State next)
{
    const bool newData = next.snapshot != m_state.snapshot;
    const bool newLoading = next.isLoading != m_state.isLoading;
    const bool newError = next.error != m_state.error;
    const bool newCookie = next.hasCookie != m_state.hasCookie;
    const bool newOrganizations =
        next.organizations != m_state.organizations || next.organization != m_state.organization;
    const bool newSource =
        next.source != m_state.source || next.claudeCodePlan != m_state.claudeCodePlan;
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
    if (newSource)
        Q_EMIT sourceChanged();
    if (newData || newLoading || newError || newCookie || newOrganizations || newSource)
        Q_EMIT changed();
}
