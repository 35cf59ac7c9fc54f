#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <variant>

// Why one browser profile gave no session cookie although it has a cookie database.
enum class CookieReadProblem {
    DriverMissing,
    Unreadable,
    UnknownLayout,
    Expired,
    KeyMissing,
    KeyInKWallet,
    KeyUnreachable,
    NotDecrypted,
    NotACookieValue,
};

// The session cookie of one profile. The value is secret: never print or log it.
struct StoredSession {
    QByteArray value;
    QDateTime lastUsed;
    std::optional<QString> organizationId;
};

struct ProfileReading {
    std::optional<StoredSession> session;
    std::optional<CookieReadProblem> problem;
};

// One row of a browser's cookie table, its value still as stored.
struct CookieRow {
    QByteArray host;
    QByteArray name;
    QByteArray value;
    // The value is still as the browser encrypted it.
    bool encrypted = false;
    // Invalid for a cookie that ends with the browser session.
    QDateTime expires;
    QDateTime lastUsed;
};

namespace CookieRows {

inline const QByteArray sessionName = QByteArrayLiteral("sessionKey");
inline const QByteArray organizationName = QByteArrayLiteral("lastActiveOrg");

struct Choice {
    std::optional<CookieRow> row;
    // Matching rows existed, all of them expired.
    bool onlyExpired = false;
};

// The most recently used unexpired row with this name on one of the hosts.
Choice newest(const QList<CookieRow>& rows, const QByteArray& name, const QStringList& hosts,
              const QDateTime& now);

// A row's value in plain text, or why it has none.
using Decoded = std::variant<QByteArray, CookieReadProblem>;
using Decoder = std::function<Decoded(const CookieRow&)>;

// The profile's session from its cookie rows: the newest session cookie, decoded and
// checked, with the organization cookie found beside it.
ProfileReading session(const QList<CookieRow>& rows, const QStringList& hosts, const QDateTime& now,
                       const Decoder& decode);

} // namespace CookieRows
