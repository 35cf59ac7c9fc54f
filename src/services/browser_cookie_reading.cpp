#include "services/browser_cookie_reading.h"

#include "services/cookie_value.h"

CookieRows::Choice CookieRows::newest(const QList<CookieRow>& rows, const QByteArray& name,
                                      const QStringList& hosts, const QDateTime& now)
{
    Choice choice;
    for (const CookieRow& row : rows) {
        if (row.name != name || !hosts.contains(QString::fromUtf8(row.host)))
            continue;
        if (row.expires.isValid() && row.expires <= now) {
            choice.onlyExpired = !choice.row;
            continue;
        }
        if (!choice.row || row.lastUsed > choice.row->lastUsed)
            choice.row = row;
        choice.onlyExpired = false;
    }
    return choice;
}

ProfileReading CookieRows::session(const QList<CookieRow>& rows, const QStringList& hosts,
                                   const QDateTime& now, const Decoder& decode)
{
    ProfileReading reading;
    const Choice session = newest(rows, sessionName, hosts, now);
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
    StoredSession found{plain, session.row->lastUsed, std::nullopt};
    if (const Choice organization = newest(rows, organizationName, hosts, now); organization.row) {
        const Decoded id = decode(*organization.row);
        const auto* text = std::get_if<QByteArray>(&id);
        if (text && CookieValue::isAcceptable(*text))
            found.organizationId = QString::fromLatin1(*text);
    }
    reading.session = found;
    return reading;
}
