#include "services/organizations_parser.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray body(reinterpret_cast<const char*>(data), qsizetype(size));
    const OrganizationResult result = parseOrganizationId(body);
    if (result.organizationId.has_value() == !result.error.isEmpty())
        std::abort();
    return 0;
}
