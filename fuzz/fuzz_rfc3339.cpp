#include "services/parsing/rfc3339.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::optional<QDateTime> instant = parseRfc3339(text);
    // Whatever is accepted is a valid UTC instant that reads back the same way.
    if (instant) {
        if (!instant->isValid() || instant->timeSpec() != Qt::UTC)
            std::abort();
        const QString again = instant->toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ"));
        if (instant->date().year() >= 1000 && parseRfc3339(again) != instant)
            std::abort();
    }
    return 0;
}
