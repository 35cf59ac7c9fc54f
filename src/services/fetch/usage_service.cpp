#include "services/fetch/usage_service.h"

#include "services/accounts/account_choice.h"
#include "services/fetch/fetch_messages.h"
#include "services/fetch/usage_chain.h"
#include "services/keyring/keyring_service.h"
#include "services/parsing/claude_code_credentials.h"
#include "services/sources/claude_code/claude_code_homes.h"
#include "services/sources/claude_code/claude_code_source.h"

UsageService::UsageService(KeyringService& keyring, Settings& defaults, UsageEndpoints endpoints,
                           Clock clock, std::shared_ptr<SignInLimits> limits, QObject* parent)
    : QObject(parent), m_keyring(keyring), m_clock(std::move(clock)),
      m_choice(new AccountChoice(defaults, this)),
      m_chain(new UsageChain(
          endpoints, m_clock, [this] { return m_choice->organization(); }, this)),
      m_claudeCode(new ClaudeCodeSource(endpoints.claudeCodeFile, m_clock, this)),
      m_gate(new FetchGate(defaults,
                           limits ? std::move(limits) : std::make_shared<SignInLimits>(m_clock),
                           m_clock, this)),
      m_statusLine(defaults, ClaudeCodeHomes::folderOf(endpoints.claudeCodeFile))
{
    connect(m_chain, &UsageChain::finished, this, &UsageService::onChainFinished);
    // Kept like the browser keeps its session; a user's save or clear made later is
    // queued after this one and wins.
    connect(m_chain, &UsageChain::cookieRenewed, this,
            [this](const QString& before, const QString& after) {
                m_keyring.save(after, this, [](bool) {});
                Q_EMIT cookieRenewed(before, after);
            });
    connect(m_gate, &FetchGate::due, this, &UsageService::scheduledFetch);
    connect(m_claudeCode, &ClaudeCodeSource::changed, this, &UsageService::onClaudeCodeChanged);
    connect(m_choice, &AccountChoice::edited, this, &UsageService::onChoiceEdited);
}

UsageService::~UsageService() = default;

void UsageService::setAccountId(const QString& id)
{
    m_choice->setAccountId(id);
}

const QString& UsageService::accountId() const
{
    return m_choice->accountId();
}

void UsageService::setClaudeCodeVersion(const ClaudeCodeVersion& version)
{
    m_chain->setClaudeCodeVersion(&version);
}

void UsageService::onChoiceEdited(bool otherOrganization, bool otherSource)
{
    if (!(otherOrganization && m_state.hasCookie) && !otherSource)
        return;
    State next = beginUserAction();
    // Another organization picked: its figures at once, and none of the last one's, also
    // while a pause holds its request back.
    if (otherOrganization && m_state.hasCookie) {
        m_chain->forgetOrganization();
        next.usageData.reset();
        ++next.snapshot;
    }
    apply(next);
    request(FetchTrigger::choice);
}

bool UsageService::isConnected() const
{
    return UsageSources::choose(chosenSource(),
                                m_state.hasCookie ? SecretState::found : SecretState::absent,
                                hasClaudeCode()) != UsageSource::none;
}

QString UsageService::owner() const
{
    return m_state.usageData ? m_state.usageData->owner : figuresOwner();
}

QString UsageService::figuresOwner() const
{
    const SecretState cookie = m_state.hasCookie ? SecretState::found : SecretState::absent;
    const QList<UsageSource> order = UsageSources::order(chosenSource(), cookie, hasClaudeCode());
    // Before its sign-in is read, an account reads what its setting names.
    const UsageSource first = !order.isEmpty()                             ? order.first()
                              : chosenSource() == UsageSources::claudeCode ? UsageSource::claudeCode
                                                                           : UsageSource::cookie;
    if (first == UsageSource::claudeCode)
        return m_chain->claudeCodeOwner();
    return m_chain->organizationId().value_or(m_choice->organization().value_or(QString()));
}

QString UsageService::ownerOfFiguresReadBy(UsageSource source) const
{
    // A session whose organization was never listed: the figures are the token's own.
    const QString owner = figuresOwner();
    return !owner.isEmpty() || source != UsageSource::claudeCode ? owner
                                                                 : m_chain->claudeCodeOwner();
}

QString UsageService::chosenSource() const
{
    return m_choice->source();
}

bool UsageService::readsEither() const
{
    const SecretState cookie = m_state.hasCookie ? SecretState::found : SecretState::absent;
    return UsageSources::order(chosenSource(), cookie, hasClaudeCode()).size() > 1;
}

void UsageService::start()
{
    request(FetchTrigger::start);
}

void UsageService::scheduledFetch()
{
    request(FetchTrigger::timer);
}

void UsageService::fetchUsage()
{
    request(FetchTrigger::refresh);
}

void UsageService::request(FetchTrigger trigger)
{
    const bool scheduled = trigger == FetchTrigger::timer || trigger == FetchTrigger::wake ||
                           trigger == FetchTrigger::claudeCodeChanged;
    // Those that come by themselves need a sign-in to read with; an account on its way
    // out asks nothing.
    if (m_leaving || (scheduled && !isConnected()))
        return;
    readCookie([this, trigger](const CookieRead& read) { onCookieRead(read, trigger); });
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
    next.claudeCodeExpiredSince.reset();
    next.claudeCodeSignInEnds.reset();
    if (signIn) {
        next.claudeCodePlan = ClaudeCodeCredentials::planName(signIn->subscriptionType);
        next.claudeCodeExpiredSince = m_claudeCode->expiredSince(*signIn);
        if (signIn->signInEndsAt.isValid())
            next.claudeCodeSignInEnds = signIn->signInEndsAt;
    }
    return signIn;
}

QList<UsageService::Candidate>
UsageService::candidates(const CookieRead& read,
                         const std::optional<ClaudeCodeSignIn>& claudeCode) const
{
    QList<Candidate> list;
    for (UsageSource source :
         UsageSources::order(chosenSource(), read.state, claudeCode.has_value())) {
        Candidate candidate{source, {}, {}};
        if (source == UsageSource::cookie && read.state == SecretState::found)
            candidate.credential = read.cookie;
        else if (source == UsageSource::cookie)
            // There is a cookie; the keyring will be unlocked, and the timer tries again.
            candidate.problem = FetchMessages::keyringLocked();
        else if (const auto since = m_claudeCode->expiredSince(*claudeCode))
            candidate.problem = FetchMessages::claudeCodeExpired(*since, m_clock());
        else
            candidate.credential = claudeCode->accessToken;
        list.append(candidate);
    }
    return list;
}

void UsageService::onCookieRead(const CookieRead& read, FetchTrigger trigger)
{
    const bool startUp = trigger == FetchTrigger::start;
    State next = m_state;
    next.hasCookie = read.state == SecretState::found || read.state == SecretState::locked;
    const bool wanted = chosenSource() == UsageSources::claudeCode || !next.hasCookie;
    const QList<Candidate> list = candidates(read, readClaudeCode(next, wanted));
    if (!list.isEmpty()) {
        if (startUp)
            startAutoRefresh();
        attempt(next, {trigger, list.first().source, list, {}});
        return;
    }
    next.source = UsageSource::none;
    if (!startUp)
        next.error = chosenSource() == UsageSources::claudeCode
                         ? FetchMessages::noClaudeCodeSignIn()
                         : FetchMessages::noCookie();
    apply(next);
}

void UsageService::attempt(State next, Fallback plan)
{
    // A trigger while a chain runs leaves its fallback as it is: it is what the chain goes
    // on with when refused.
    while (!plan.rest.isEmpty()) {
        const Candidate candidate = plan.rest.takeFirst();
        QString why = candidate.problem;
        if (why.isEmpty() && sparesToken(candidate.source))
            continue;
        if (why.isEmpty()) {
            const FetchGate::Verdict verdict =
                m_gate->ask(plan.trigger, candidate.source, candidate.credential);
            if (verdict.goes()) {
                next.source = candidate.source;
                m_fallback = plan;
                beginChain(next, candidate);
                return;
            }
            // A chain running, the spacing, or another account's request with the same
            // sign-in: asked again when they are over.
            if (verdict.kind != FetchGate::Verdict::Kind::paused) {
                next.isLoading = verdict.kind == FetchGate::Verdict::Kind::running;
                apply(next);
                return;
            }
            why = FetchMessages::rateLimited(verdict.nextTry);
        }
        if (plan.problem.isEmpty())
            plan.problem = why;
    }
    // None can be read now: the first one's reason is what the user can act on.
    next.source = plan.first;
    next.isLoading = false;
    // None when the status line alone brings the figures.
    next.error = plan.problem.isEmpty() ? next.error : std::optional(plan.problem);
    apply(next);
}

void UsageService::beginChain(State next, const Candidate& candidate)
{
    next.isLoading = true;
    next.error.reset();
    apply(next);
    if (!m_chain->begin(candidate.source, candidate.credential))
        return;
    m_gate->sent(candidate.source, candidate.credential);
    m_statusLine.sent(candidate.source, m_clock());
}

void UsageService::onChainFinished(const ChainOutcome& outcome)
{
    m_gate->over();
    std::optional<QDateTime> pausedUntil;
    if (outcome.retryAfter)
        pausedUntil = m_gate->rateLimited(outcome.source, *outcome.retryAfter, outcome.credential);
    State next = m_state;
    QString error = pausedUntil ? FetchMessages::rateLimited(*pausedUntil) : outcome.error;
    if (outcome.tokenRefused) {
        m_claudeCode->refuse(outcome.credential);
        next.claudeCodeExpiredSince = m_clock();
        error = FetchMessages::claudeCodeExpired(m_clock(), m_clock());
    }
    if (outcome.unlistedOrganization) {
        error = FetchMessages::organizationNotListed(nameOf(*outcome.unlistedOrganization));
        // Figures of the organization read before are not the chosen one's.
        if (next.usageData && next.usageData->owner != *outcome.unlistedOrganization) {
            next.usageData.reset();
            ++next.snapshot;
        }
    }
    if (outcome.organizations) {
        next.organizations = *outcome.organizations;
        next.organization = outcome.organization;
    }
    const std::optional<Fallback> fallback = std::exchange(m_fallback, std::nullopt);
    if (!outcome.data && outcome.refusal != Refusal::none && fallback &&
        !fallback->rest.isEmpty()) {
        // The other sign-in reads the figures until this one answers again.
        m_gate->setRunning(false);
        Fallback rest = *fallback;
        if (rest.problem.isEmpty())
            rest.problem = error;
        attempt(next, rest);
        return;
    }
    next.isLoading = false;
    if (outcome.data) {
        // The service answered: whatever pause it asked for earlier is over.
        m_gate->answered(outcome.credential);
        next.usageData = outcome.data;
        next.usageData->owner = ownerOfFiguresReadBy(outcome.source);
        ++next.snapshot;
        next.error.reset();
        next.passedOver = fallback ? fallback->problem : QString();
    } else if (fallback && !fallback->problem.isEmpty()) {
        // Neither answered: the first one's reason is what the user can act on.
        next.source = fallback->first;
        next.error = fallback->problem;
    } else {
        next.error = error;
    }
    apply(next);
}

QString UsageService::nameOf(const QString& organizationId) const
{
    for (const Organization& organization : m_state.organizations) {
        if (organization.id == organizationId)
            return organization.displayName();
    }
    return Organization{organizationId, {}}.displayName();
}

void UsageService::dropRunning()
{
    ++m_generation;
    m_chain->drop();
    m_gate->over();
    m_fallback.reset();
}

UsageService::State UsageService::beginUserAction()
{
    dropRunning();
    State next = m_state;
    next.isLoading = false;
    return next;
}

void UsageService::onClaudeCodeChanged()
{
    State next = m_state;
    readClaudeCode(next, false);
    apply(next);
    // Figures at once when Claude Code's sign-in is (or may now be) what they come from.
    if (m_state.source == UsageSource::cookie || !isConnected())
        return;
    if (!m_gate->refreshTimer().isActive())
        startAutoRefresh();
    request(FetchTrigger::claudeCodeChanged);
}

void UsageService::apply(State next)
{
    const bool newData = next.snapshot != m_state.snapshot;
    const bool newLoading = next.isLoading != m_state.isLoading;
    const bool newError = next.error != m_state.error;
    const bool newCookie = next.hasCookie != m_state.hasCookie;
    const bool newOrganizations =
        next.organizations != m_state.organizations || next.organization != m_state.organization;
    const bool newSource = next.source != m_state.source ||
                           next.claudeCodePlan != m_state.claudeCodePlan ||
                           next.claudeCodeExpiredSince != m_state.claudeCodeExpiredSince ||
                           next.claudeCodeSignInEnds != m_state.claudeCodeSignInEnds ||
                           next.passedOver != m_state.passedOver;
    m_state = std::move(next);
    m_gate->setRunning(m_state.isLoading);
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

void UsageService::showRemembered(const UsageData& data)
{
    if (m_state.usageData)
        return;
    State next = m_state;
    next.usageData = data;
    ++next.snapshot;
    m_rememberedSnapshot = next.snapshot;
    apply(next);
}

bool UsageService::isRemembered() const
{
    // Any snapshot since, or none, ends it.
    return m_state.usageData && m_rememberedSnapshot == m_state.snapshot;
}

Freshness UsageService::freshness(const QDateTime& now) const
{
    return Freshness::of(m_state.usageData ? m_state.usageData->lastUpdated : QDateTime(),
                         isRemembered(), m_state.error, m_gate->interval(), now);
}
