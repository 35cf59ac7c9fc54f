#pragma once

#include "services/sources/browser/browser_cookie_reading.h"
#include "services/sources/browser/browser_safe_storage.h"

#include <functional>

// The session in a Chromium-family profile's cookie database (encrypted values).
namespace ChromiumCookieReader {

// The browser's Safe Storage password; asked for only when a value needs it.
using KeyringPasswords = std::function<SafeStorageKey()>;

// Network/Cookies, or Cookies in older profiles; empty when the profile has neither.
QString databasePath(const QString& profileDirectory);

ProfileReading read(const QString& database, const CookieRequest& request, const QDateTime& now,
                    const KeyringPasswords& passwords);

} // namespace ChromiumCookieReader
