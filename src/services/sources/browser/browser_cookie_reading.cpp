#include "services/sources/browser/browser_cookie_reading.h"

#include "services/parsing/cookie_value.h"

#include <algorithm>

namespace {

bool isExpired(const CookieRow& row, const QDateTime& now)
{
    return row.expires.isValid() && row.expires <= now;
}

// A cookie name is an HTTP token.
bool isToken(const QByteArray& name)
{
    static const QByteArray separators = QByteArrayLiteral("!#$%&'*+-.^_`|~");
    return !name.isEmpty() && std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               separators.contains(c);
    });
}

// Whether a cookie with this path goes with a request for that path.
bool pathMatches(const QByteArray& cookiePath, const QByteArray& requestPath)
{
    const QByteArray path = cookiePath.isEmpty() ? QByteArrayLiteral("/") : cookiePath;
    if (!requestPath.startsWith(path))
        return false;
    return path.size() == requestPath.size() || path.endsWith('/') ||
           requestPath.at(path.size()) == '/';
}

} // namespace

CookieRows::Choice CookieRows::newest(const QList<CookieRow>& rows, const QByteArray& name,
                                      const QStringList& hosts, const QDateTime& now)
{
    Choice choice;
    for (const CookieRow& row : rows) {
        if (row.name != name || !hosts.contains(QString::fromUtf8(row.host)))
            continue;
        if (isExpired(row, now)) {
            choice.onlyExpired = !choice.row;
            continue;
        }
        if (!choice.row || row.lastUsed > choice.row->lastUsed)
            choice.row = row;
        choice.onlyExpired = false;
    }
    return choice;
}

ProfileReading CookieRows::session(const QList<CookieRow>& rows, const CookieRequest& request,
                                   const QDateTime& now, const Decoder& decode)
{
    ProfileReading reading;
    const Choice session = newest(rows, sessionName, request.hosts, now);
    if (!session.row) {
        if (session.onlyExpired)
            reading.problem = CookieReadProblem::Expired;
        return reading;
    }
    const Decoded value = decode(*session.row);
    if (const auto* problem = std::get_if<CookieReadProblem>(&value)) {
        reading.problem = *problem;
        return reading;
    }
    const QByteArray& plain = std::get<QByteArray>(value);
    if (!CookieValue::isAcceptable(plain)) {
        reading.problem = CookieReadProblem::NotACookieValue;
        return reading;
    }

    // The one session cookie chosen, and every other cookie the request gets from its jar;
    // browsers put longer paths first, then the earlier set.
    QList<CookieRow> sent{*session.row};
    for (const CookieRow& row : rows) {
        if (row.name != sessionName && row.jar == session.row->jar && isToken(row.name) &&
            request.hosts.contains(QString::fromUtf8(row.host)) &&
            pathMatches(row.path, request.path) && !isExpired(row, now))
            sent.append(row);
    }
    std::stable_sort(sent.begin(), sent.end(), [](const CookieRow& a, const CookieRow& b) {
        return a.path.size() != b.path.size() ? a.path.size() > b.path.size()
                                              : a.created < b.created;
    });
    QByteArrayList pairs;
    for (const CookieRow& row : sent) {
        if (row.name == sessionName) {
            pairs.append(row.name + '=' + plain);
            continue;
        }
        // A companion that cannot be read is left out; the session stands without it.
        const Decoded companion = decode(row);
        const auto* text = std::get_if<QByteArray>(&companion);
        if (text && CookieValue::isAcceptable(*text))
            pairs.append(row.name + '=' + *text);
    }

    StoredSession found{pairs.join("; "), session.row->lastUsed, std::nullopt};
    if (const Choice organization = newest(rows, organizationName, request.hosts, now);
        organization.row) {
        const Decoded id = decode(*organization.row);
        const auto* text = std::get_if<QByteArray>(&id);
        if (text && CookieValue::isAcceptable(*text))
            found.organizationId = QString::fromLatin1(*text);
    }
    reading.session = found;
    return reading;
}
