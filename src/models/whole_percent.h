#pragma once

#include <cstdint>
#include <optional>

// A percentage truncated toward zero, or nothing when it has no 64-bit integer form
// (NaN, infinite, out of range): a plain cast would be undefined behaviour there.
constexpr std::optional<std::int64_t> wholePercent(double percent)
{
    // 2^63 is exactly representable; every double below it in magnitude fits after truncation.
    constexpr double limit = 9223372036854775808.0;
    if (!(percent >= -limit && percent < limit))
        return std::nullopt;
    return static_cast<std::int64_t>(percent);
}
