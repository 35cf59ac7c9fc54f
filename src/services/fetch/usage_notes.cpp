#include "services/fetch/usage_notes.h"

#include "services/fetch/fetch_messages.h"
#include "services/fetch/status_line_notes.h"
#include "services/fetch/usage_service.h"

namespace UsageNotes {

namespace {

// Claude Code cannot renew its token after its login ends; its user can act before.
constexpr qint64 warnSeconds = 3 * 24 * 60 * 60;

} // namespace

QStringList of(const UsageService& service, const QDateTime& now)
{
    QStringList lines;
    if (const std::optional<QDateTime> until = service.pausedUntil())
        lines << FetchMessages::rateLimited(*until);
    const bool either = service.readsEither();
    const UsageSource source = service.source();
    if (either && source != UsageSource::none)
        lines << FetchMessages::figuresFrom(source);
    if (!service.passedOver().isEmpty())
        lines << service.passedOver();
    const std::optional<QDateTime>& expired = service.claudeCodeExpiredSince();
    if (either && source == UsageSource::cookie && expired)
        lines << FetchMessages::claudeCodeExpiredMeanwhile(*expired, now);
    const std::optional<QDateTime>& ends = service.claudeCodeSignInEnds();
    const bool readsClaudeCode = either || source == UsageSource::claudeCode;
    if (readsClaudeCode && ends && *ends > now && now.secsTo(*ends) <= warnSeconds)
        lines << FetchMessages::claudeCodeSignInEnds(*ends);
    return lines + StatusLineNotes::of(service, now);
}

} // namespace UsageNotes
