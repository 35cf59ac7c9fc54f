#pragma once

#include <QDateTime>
#include <QStringView>

#include <optional>

// Reads an RFC 3339 date-time ("2026-02-09T12:00:00.462679+00:00", "2025-01-15T10:30:00Z")
// into a UTC instant. Anything else (a date alone, a word, a missing offset, out-of-range
// fields, trailing text) yields nothing. QDateTime::fromString accepts more than this.
// Fractional digits beyond milliseconds are dropped, as QDateTime holds no finer time.
std::optional<QDateTime> parseRfc3339(QStringView text);
