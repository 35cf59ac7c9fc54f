#include "services/parsing/cookie_value.h"

#include <algorithm>

bool CookieValue::isAcceptable(const QByteArray& value)
{
    // Printable ASCII only, so nothing here can break the header either.
    const bool octets = std::all_of(value.begin(), value.end(), [](char c) {
        return c > 0x20 && c < 0x7f && c != '"' && c != ',' && c != ';' && c != '\\';
    });
    return !value.isEmpty() && octets;
}
