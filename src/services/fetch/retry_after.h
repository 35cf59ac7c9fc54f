#pragma once

#include <QByteArray>
#include <QDateTime>

#include <optional>

// The instant a Retry-After header value names: whole seconds from now, or an HTTP date.
// Nothing for an unreadable value.
std::optional<QDateTime> parseRetryAfter(const QByteArray& value, const QDateTime& now);
