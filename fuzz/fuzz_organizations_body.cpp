#include "services/parsing/organizations_parser.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray body(reinterpret_cast<const char*>(data), qsizetype(size));
    const OrganizationResult result = parseOrganizations(body);
    // Never a list and a decoder's description at once, and every name can be shown.
    if (!result.organizations.isEmpty() && !result.error.isEmpty())
        std::abort();
    for (const Organization& organization : result.organizations)
        (void)organization.displayName();
    return 0;
}
