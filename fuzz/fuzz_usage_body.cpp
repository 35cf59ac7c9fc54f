#include "services/parsing/usage_parser.h"

#include <cmath>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray body(reinterpret_cast<const char*>(data), qsizetype(size));
    const UsageParseResult result = parseUsageData(body);
    // Exactly one of a snapshot or a description, and the snapshot's texts can be built.
    if (result.data.has_value() == !result.error.isEmpty())
        std::abort();
    if (result.data) {
        for (const WindowFigure& figure : UsageWindows::figures(*result.data))
            (void)UsageWindows::resetText(figure);
        // A reset the body does not name stays unknown; the snapshot's own time never is.
        if (!result.data->lastUpdated.isValid())
            std::abort();
    }
    return 0;
}
