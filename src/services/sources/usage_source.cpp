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

} // namespace UsageSources
