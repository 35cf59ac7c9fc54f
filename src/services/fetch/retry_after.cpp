#include "services/fetch/retry_after.h"

#include <QLocale>
#include <QTimeZone>

#include <algorithm>

namespace {

constexpr qint64 longestWaitSeconds = 24 * 60 * 60;

std::optional<QDateTime> parseHttpDate(const QByteArray& value)
{
    // The preferred form, "Sun, 06 Nov 1994 08:49:37 GMT"; Qt's RFC 2822 reader knows no "GMT".
    // Day and time are read apart: read together they are a local time, and one that the
    // local clock skips in spring would be no time at all.
    const QString text = QString::fromLatin1(value);
    if (text.size() != 29 || text.at(16) != u' ' || !text.endsWith(QLatin1String(" GMT")))
        return std::nullopt;
    const QDate day = QLocale::c().toDate(text.first(16), QStringLiteral("ddd, dd MMM yyyy"));
    const QTime time = QLocale::c().toTime(text.sliced(17, 8), QStringLiteral("HH:mm:ss"));
    if (!day.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(day, time, QTimeZone::utc());
}

} // namespace

std::optional<QDateTime> parseRetryAfter(const QByteArray& value, const QDateTime& now)
{
    const QByteArray trimmed = value.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    const bool digits =
        std::all_of(trimmed.begin(), trimmed.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (digits) {
        // A day at most: a server asking for more must not silence the meter for good.
        const qint64 seconds = trimmed.size() > 6
                                   ? longestWaitSeconds
                                   : std::min(trimmed.toLongLong(), longestWaitSeconds);
        return now.addSecs(seconds);
    }
    const std::optional<QDateTime> date = parseHttpDate(trimmed);
    if (!date)
        return std::nullopt;
    return std::min(*date, now.addSecs(longestWaitSeconds));
}
