#include "services/firefox_cookie_reader.h"

#include "services/cookie_database_copy.h"
#include "services/cookie_value.h"

#include <QDir>
#include <QFileInfo>

namespace {

// Firefox wrote seconds until it moved to milliseconds; no cookie lives to the year 5000.
QDateTime expiryOf(qint64 stored)
{
    if (stored <= 0)
        return {};
    const qint64 ms = stored > 100'000'000'000 ? stored : stored * 1000;
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
}

QList<CookieRow> rowsOf(const QList<QVariantList>& table)
{
    QList<CookieRow> rows;
    for (const QVariantList& r : table) {
        rows.append({r.value(0).toByteArray(), r.value(1).toByteArray(), r.value(2).toByteArray(),
                     false, expiryOf(r.value(3).toLongLong()),
                     QDateTime::fromMSecsSinceEpoch(r.value(4).toLongLong() / 1000, Qt::UTC)});
    }
    return rows;
}

} // namespace

ProfileReading FirefoxCookieReader::read(const QString& profileDirectory, const QStringList& hosts,
                                         const QDateTime& now)
{
    ProfileReading reading;
    const QString path = QDir(profileDirectory).filePath(QStringLiteral("cookies.sqlite"));
    if (!QFileInfo(path).isFile())
        return reading;

    const CookieDatabaseCopy copy(path);
    if (copy.problem()) {
        reading.problem = copy.problem();
        return reading;
    }
    const CookieDatabaseCopy::Rows table = copy.select(
        QStringLiteral("SELECT host, name, value, expiry, lastAccessed FROM moz_cookies "
                       "WHERE name IN ('sessionKey', 'lastActiveOrg')"));
    if (table.problem) {
        reading.problem = table.problem;
        return reading;
    }
    const QList<CookieRow> rows = rowsOf(table.rows);

    const CookieRows::Choice session =
        CookieRows::newest(rows, CookieRows::sessionName, hosts, now);
    if (!session.row) {
        if (session.onlyExpired)
            reading.problem = CookieReadProblem::Expired;
        return reading;
    }
    if (!CookieValue::isAcceptable(session.row->value)) {
        reading.problem = CookieReadProblem::NotACookieValue;
        return reading;
    }
    StoredSession found{session.row->value, session.row->lastUsed, std::nullopt};
    const CookieRows::Choice organization =
        CookieRows::newest(rows, CookieRows::organizationName, hosts, now);
    if (organization.row && CookieValue::isAcceptable(organization.row->value))
        found.organizationId = QString::fromLatin1(organization.row->value);
    reading.session = found;
    return reading;
}
