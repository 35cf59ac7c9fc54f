#pragma once

#include "services/sources/browser/browser_cookie_reading.h"

// The session in a Firefox-family profile's cookies.sqlite (plain values).
namespace FirefoxCookieReader {

// Nothing found and no problem when the profile has no cookie database yet.
ProfileReading read(const QString& profileDirectory, const CookieRequest& request,
                    const QDateTime& now);

} // namespace FirefoxCookieReader
