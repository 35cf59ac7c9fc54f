#include "services/fetch/retry_after.h"

#include <QLocale>
#include <QTimeZone>

#include <algorithm>

namespace {

constexpr qint64 longestWaitSeconds = 24 * 60 * 60;

std::optional<QDateTime> parseHttpDate(const QByteArray& value)
{
    // The preferred form, "Sun, 06 Nov 1994 08:49:37 GMT"; Qt's RFC 2822 reader knows no "GMT".
    const QString text = QString::fromLatin1(value);
    QDateTime date =
        QLocale::c().toDateTime(text, QStringLiteral("ddd, dd MMM yyyy HH:mm:ss 'GMT'"));
    if (!date.isValid())
        return std::nullopt;
    date.setTimeZone(QTimeZone::utc());
    return date;
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
