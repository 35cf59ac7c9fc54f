#pragma once

#include <QByteArray>

// What a browser cookie value must look like before it goes into the Cookie header.
namespace CookieValue {

// Printable ASCII without spaces, quotes, commas, semicolons or backslashes (the
// characters a cookie value may hold); never empty.
bool isAcceptable(const QByteArray& value);

} // namespace CookieValue
