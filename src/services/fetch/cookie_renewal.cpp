#include "services/fetch/cookie_renewal.h"

#include "services/parsing/cookie_value.h"

#include <QStringList>

namespace CookieRenewal {

namespace {

const QString sessionName = QStringLiteral("sessionKey");

// A cookie set for the origin's host, or for a domain the host belongs to.
bool reaches(const QNetworkCookie& cookie, const QString& host)
{
    QString domain = cookie.domain();
    if (domain.isEmpty())
        return true;
    if (domain.startsWith(u'.'))
        domain.remove(0, 1);
    return host.compare(domain, Qt::CaseInsensitive) == 0 ||
           host.endsWith(u'.' + domain, Qt::CaseInsensitive);
}

} // namespace

std::optional<QString> sessionOf(const QString& header)
{
    for (const QString& pair : header.split(u';')) {
        const QString trimmed = pair.trimmed();
        if (trimmed.section(u'=', 0, 0) == sessionName && trimmed.contains(u'='))
            return trimmed.section(u'=', 1);
    }
    return std::nullopt;
}

bool sameSession(const QString& one, const QString& other)
{
    const std::optional<QString> session = sessionOf(one);
    return session || sessionOf(other) ? session == sessionOf(other) : one == other;
}

std::optional<QString> renewed(const QString& header, const QList<QNetworkCookie>& set,
                               const QUrl& origin, const QDateTime& now)
{
    QStringList pairs = header.split(u';');
    bool changed = false;
    for (const QNetworkCookie& cookie : set) {
        const QString name = QString::fromLatin1(cookie.name());
        if (!reaches(cookie, origin.host()) || name.isEmpty())
            continue;
        const bool cleared = cookie.expirationDate().isValid() && cookie.expirationDate() <= now;
        for (qsizetype i = 0; i < pairs.size(); ++i) {
            const QString pair = pairs.at(i).trimmed();
            if (pair.section(u'=', 0, 0) != name || !pair.contains(u'='))
                continue;
            if (cleared && name != sessionName) {
                pairs.removeAt(i);
                changed = true;
            } else if (!cleared && CookieValue::isAcceptable(cookie.value()) &&
                       pair.section(u'=', 1) != QString::fromLatin1(cookie.value())) {
                pairs[i] = name + u'=' + QString::fromLatin1(cookie.value());
                changed = true;
            }
            break;
        }
    }
    if (!changed)
        return std::nullopt;
    for (QString& pair : pairs)
        pair = pair.trimmed();
    pairs.removeAll(QString());
    return pairs.join(QStringLiteral("; "));
}

} // namespace CookieRenewal
