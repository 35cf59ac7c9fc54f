// The usage service's side of the stored cookie: the user's save and clear, applied once
// the keyring has done them.
#include "services/accounts/account_choice.h"
#include "services/fetch/fetch_messages.h"
#include "services/fetch/usage_chain.h"
#include "services/fetch/usage_service.h"
#include "services/keyring/keyring_service.h"
#include "services/parsing/claude_code_credentials.h"

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
        m_choice->setOrganization(*organization);
    }
    m_choice->setCookieOrigin(cookieOrigin);
    // A session the service paused stays paused, however its side cookies changed.
    m_chain->forgetOrganization();
    next.hasCookie = true;
    startAutoRefresh();
    const QList<Candidate> list =
        candidates({SecretState::found, cookie}, readClaudeCode(next, false));
    if (list.isEmpty()) {
        // Claude Code is chosen and has no sign-in: the cookie is kept until it is chosen.
        next.source = UsageSource::none;
        next.error = FetchMessages::noClaudeCodeSignIn();
        apply(next);
        return;
    }
    if (list.first().source == UsageSource::cookie) {
        attempt(next, {FetchTrigger::saved, list.first().source, list, {}});
        return;
    }
    // Claude Code is the chosen source: the cookie waits until it is chosen.
    next.source = list.first().source;
    apply(next);
}

void UsageService::clearCookie(bool leaving)
{
    State next = beginUserAction();
    stopAutoRefresh();
    m_leaving = leaving;
    apply(next);
    const int generation = m_generation;
    m_keyring.remove(this, [this, generation, leaving](SecretState left) {
        if (generation == m_generation)
            onCookieRemoved(left, leaving);
    });
}

void UsageService::onCookieRemoved(SecretState left, bool leaving)
{
    State next = m_state;
    if (left != SecretState::absent) {
        m_leaving = false;
        // The keyring kept it: still connected, and the user is told why.
        next.error = FetchMessages::removeFailed(left == SecretState::locked);
        startAutoRefresh();
        apply(next);
        Q_EMIT cookieRemoved(left);
        return;
    }
    // The session's pause stays with the session: another account may read it.
    m_chain->forgetOrganization();
    next.hasCookie = false;
    next.organizations.clear();
    next.organization.reset();
    next.usageData.reset();
    ++next.snapshot;
    next.error.reset();
    next.source = UsageSource::none;
    apply(next);
    // Claude Code's sign-in takes over where the setting lets it.
    if (!leaving && isConnected()) {
        startAutoRefresh();
        request(FetchTrigger::choice);
    }
    Q_EMIT cookieRemoved(left);
}
