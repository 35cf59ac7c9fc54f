#include "services/fetch/usage_chain.h"

#include "services/background.h"
#include "services/diagnostics.h"
#include "services/fetch/bounded_get.h"
#include "services/fetch/cookie_renewal.h"
#include "services/fetch/fetch_messages.h"
#include "services/parsing/organizations_parser.h"
#include "services/parsing/usage_parser.h"
#include "services/sources/claude_code/claude_code_version.h"

UsageChain::UsageChain(const UsageEndpoints& endpoints, Clock clock,
                       std::function<std::optional<QString>()> chosen, QObject* parent)
    : QObject(parent), m_requests(endpoints.origin, endpoints.apiOrigin), m_clock(std::move(clock)),
      m_chosen(std::move(chosen)), m_network(new QNetworkAccessManager(this)),
      m_claudeCodeOwner(endpoints.claudeCodeOwner)
{
}

bool UsageChain::begin(UsageSource source, const QString& credential)
{
    const Run run{source, credential, m_generation, {}, {}};
    if (!RequestBuilder::isHeaderSafe(credential)) {
        fail(source == UsageSource::cookie ? FetchMessages::invalidCookie()
                                           : FetchMessages::claudeCodeExpired(),
             run);
        return false;
    }
    if (source == UsageSource::claudeCode) {
        // The token belongs to one account: no organizations to list.
        send(
            RequestKind::oauthUsage,
            m_requests.createOAuthUsageRequest(credential, ClaudeCodeVersion::userAgent(m_version)),
            run);
    } else if (m_organizationId) {
        fetchUsageData(run);
    } else {
        fetchOrganizations(run);
    }
    return true;
}

void UsageChain::drop()
{
    ++m_generation;
}

void UsageChain::fetchOrganizations(const Run& run)
{
    const QUrl url = m_requests.organizationsUrl();
    if (!url.isValid()) {
        fail(FetchMessages::invalidUrl(), run);
        return;
    }
    send(RequestKind::organizations, m_requests.createRequest(url, run.credential), run);
}

void UsageChain::fetchUsageData(const Run& run)
{
    const std::optional<QUrl> url = m_requests.usageUrl(*m_organizationId);
    if (!url) {
        fail(FetchMessages::invalidUrl(), run);
        return;
    }
    send(RequestKind::usage, m_requests.createRequest(*url, run.credential), run);
}

void UsageChain::send(RequestKind kind, const QNetworkRequest& request, const Run& run)
{
    BoundedGet::send(*m_network, request, this, [this, kind, run](const ReplyFacts& facts) {
        onReplyFinished(kind, facts, run);
    });
}

void UsageChain::onReplyFinished(RequestKind kind, const ReplyFacts& facts, Run run)
{
    if (!isCurrent(run))
        return;
    if (run.source == UsageSource::cookie)
        renewCookie(facts, run);
    const ReplyStep step = classifyReply(kind, facts);
    if (step.diagnostic)
        printDiagnostic(*step.diagnostic);
    if (step.action == ReplyStep::Action::decode) {
        decodeInBackground(kind, facts.body, run);
        return;
    }
    if (step.forgetOrganization)
        m_organizationId.reset();
    ChainOutcome outcome;
    outcome.retryAfter = step.retryAfter;
    outcome.tokenRefused = step.rejectToken;
    outcome.refusal = step.refusal;
    fail(step.message, run, std::move(outcome));
}

void UsageChain::renewCookie(const ReplyFacts& facts, Run& run)
{
    const std::optional<QString> renewed =
        CookieRenewal::renewed(run.credential, facts.setCookies, m_requests.origin(), m_clock());
    if (!renewed)
        return;
    const QString before = run.credential;
    run.credential = *renewed;
    Q_EMIT cookieRenewed(before, *renewed);
}

void UsageChain::decodeInBackground(RequestKind kind, const QByteArray& body, const Run& run)
{
    if (kind == RequestKind::organizations) {
        Background::run(
            this, [body] { return parseOrganizations(body); },
            [this, run](const OrganizationResult& result) { applyOrganization(result, run); });
    } else {
        Background::run(
            this, [body, clock = m_clock] { return parseUsageData(body, clock); },
            [this, run](const UsageParseResult& result) { applyUsage(result, run); });
    }
}

void UsageChain::applyOrganization(const OrganizationResult& result, const Run& run)
{
    if (!isCurrent(run))
        return;
    const std::optional<QString> chosen = m_chosen();
    const std::optional<Organization> read = Organizations::choose(result.organizations, chosen);
    Run listed = run;
    listed.organizations = result.organizations;
    if (!read && chosen && !result.organizations.isEmpty()) {
        // The choice is kept, for a passing hiccup of the list; the user is told.
        ChainOutcome outcome;
        outcome.unlistedOrganization = chosen;
        fail(FetchMessages::organizationNotListed(*chosen), listed, std::move(outcome));
        return;
    }
    if (!read) {
        fail(result.error.isEmpty() ? FetchMessages::organizationNotFound()
                                    : FetchMessages::organizationsParseFailed(result.error),
             run);
        return;
    }
    m_organizationId = read->id;
    listed.organization = read;
    fetchUsageData(listed);
}

void UsageChain::applyUsage(const UsageParseResult& result, const Run& run)
{
    if (!isCurrent(run))
        return;
    if (!result.data) {
        fail(FetchMessages::usageParseFailed(result.error), run);
        return;
    }
    ChainOutcome outcome;
    outcome.data = result.data;
    outcome.data->owner = run.source == UsageSource::claudeCode
                              ? m_claudeCodeOwner
                              : m_organizationId.value_or(QString());
    Q_EMIT finished(outcomeOf(run, std::move(outcome)));
}

void UsageChain::fail(const QString& message, const Run& run, ChainOutcome outcome)
{
    outcome.error = message;
    Q_EMIT finished(outcomeOf(run, std::move(outcome)));
}

ChainOutcome UsageChain::outcomeOf(const Run& run, ChainOutcome outcome) const
{
    outcome.source = run.source;
    outcome.credential = run.credential;
    outcome.organizations = run.organizations;
    outcome.organization = run.organization;
    return outcome;
}
