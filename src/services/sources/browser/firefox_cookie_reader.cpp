#include "services/sources/browser/firefox_cookie_reader.h"

#include "services/sources/browser/cookie_database_copy.h"

#include <QDir>
#include <QFileInfo>
#include <QTimeZone>

namespace {

// Firefox wrote seconds until it moved to milliseconds; no cookie lives to the year 5000.
QDateTime expiryOf(qint64 stored)
{
    if (stored <= 0)
        return {};
    const qint64 ms = stored > 100'000'000'000 ? stored : stored * 1000;
    return QDateTime::fromMSecsSinceEpoch(ms, QTimeZone::utc());
}

QList<CookieRow> rowsOf(const QList<QVariantList>& table)
{
    QList<CookieRow> rows;
    for (const QVariantList& r : table) {
        rows.append(
            {r.value(0).toByteArray(), r.value(1).toByteArray(), r.value(2).toByteArray(), false,
             expiryOf(r.value(3).toLongLong()),
             QDateTime::fromMSecsSinceEpoch(r.value(4).toLongLong() / 1000, QTimeZone::utc()),
             r.value(5).toByteArray(), r.value(6).toByteArray(), r.value(7).toLongLong()});
    }
    return rows;
}

} // namespace

ProfileReading FirefoxCookieReader::read(const QString& profileDirectory,
                                         const CookieRequest& request, const QDateTime& now)
{
    const QString path = QDir(profileDirectory).filePath(QStringLiteral("cookies.sqlite"));
    if (!QFileInfo(path).isFile())
        return {};

    const CookieDatabaseCopy copy(path);
    if (copy.problem())
        return {std::nullopt, copy.problem()};
    // originAttributes names the container or partition; empty for the default jar.
    const CookieDatabaseCopy::Rows table = copy.select(
        QStringLiteral("SELECT host, name, value, expiry, lastAccessed, path, originAttributes, "
                       "creationTime FROM moz_cookies WHERE host IN (%1)")
            .arg(QStringList(request.hosts.size(), QStringLiteral("?")).join(QLatin1String(", "))),
        request.hosts);
    if (table.problem)
        return {std::nullopt, table.problem};
    const QList<CookieRow> rows = rowsOf(table.rows);

    // Firefox keeps values as they are.
    return CookieRows::session(rows, request, now, [](const CookieRow& row) { return row.value; });
}
