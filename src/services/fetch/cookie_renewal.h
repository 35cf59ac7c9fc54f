#pragma once

#include <QDateTime>
#include <QList>
#include <QNetworkCookie>
#include <QString>
#include <QUrl>

#include <optional>

namespace CookieRenewal {

// The stored Cookie header with what the service set in a response applied, as a browser
// would keep its session: a cookie the header holds takes its new value in its place, one
// the service clears goes, and one the header does not hold is not added. A sessionKey the
// service clears stays: the 401 that follows says the session is over. Nothing when the
// header does not change.
std::optional<QString> renewed(const QString& header, const QList<QNetworkCookie>& set,
                               const QUrl& origin, const QDateTime& now);

// Whether two stored Cookie headers are one browser session: the same sessionKey, or,
// without one in either, the same text.
// The sessionKey a cookie header holds: what the service counts as one session.
std::optional<QString> sessionOf(const QString& header);
bool sameSession(const QString& one, const QString& other);

} // namespace CookieRenewal
