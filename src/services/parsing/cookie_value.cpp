#include "services/parsing/cookie_value.h"

#include "services/fetch/request_builder.h"

#include <algorithm>

bool CookieValue::isAcceptable(const QByteArray& value)
{
    const bool octets = std::all_of(value.begin(), value.end(), [](char c) {
        return c > 0x20 && c < 0x7f && c != '"' && c != ',' && c != ';' && c != '\\';
    });
    return !value.isEmpty() && octets && RequestBuilder::isHeaderSafe(QString::fromLatin1(value));
}
