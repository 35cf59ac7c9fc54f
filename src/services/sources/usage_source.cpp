#include "services/sources/usage_source.h"

namespace UsageSources {

UsageSource choose(const QString& setting, SecretState cookie, bool claudeCodeSignedIn)
{
    const bool hasCookie = cookie == SecretState::found || cookie == SecretState::locked;
    if (setting == UsageSources::cookie)
        return hasCookie ? UsageSource::cookie : UsageSource::none;
    if (setting == UsageSources::claudeCode)
        return claudeCodeSignedIn ? UsageSource::claudeCode : UsageSource::none;
    if (hasCookie)
        return UsageSource::cookie;
    return claudeCodeSignedIn ? UsageSource::claudeCode : UsageSource::none;
}

QList<UsageSource> order(const QString& setting, SecretState cookie, bool claudeCodeSignedIn)
{
    const UsageSource first = choose(setting, cookie, claudeCodeSignedIn);
    if (first == UsageSource::none)
        return {};
    const bool pinned = setting == UsageSources::cookie || setting == UsageSources::claudeCode;
    const bool both =
        (cookie == SecretState::found || cookie == SecretState::locked) && claudeCodeSignedIn;
    if (pinned || !both)
        return {first};
    return {first, first == UsageSource::cookie ? UsageSource::claudeCode : UsageSource::cookie};
}

} // namespace UsageSources
