#include "services/sources/browser/cookie_database_copy.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <atomic>

namespace {

const QString driver = QStringLiteral("QSQLITE");
const QString copyName = QStringLiteral("cookies.db");

QString uniqueConnectionName()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("gaugery-cookie-copy-%1").arg(counter.fetch_add(1));
}

// SQLITE_ERROR is what a missing table or column gives; anything else is the file.
CookieReadProblem problemOf(const QSqlError& error)
{
    return error.nativeErrorCode() == QLatin1String("1") ? CookieReadProblem::UnknownLayout
                                                         : CookieReadProblem::Unreadable;
}

} // namespace

CookieDatabaseCopy::CookieDatabaseCopy(const QString& database)
{
    if (!QSqlDatabase::isDriverAvailable(driver)) {
        m_problem = CookieReadProblem::DriverMissing;
        return;
    }
    if (!copyFiles(database)) {
        m_problem = CookieReadProblem::Unreadable;
        return;
    }
    open();
}

CookieDatabaseCopy::~CookieDatabaseCopy()
{
    if (m_connection.isEmpty())
        return;
    QSqlDatabase::database(m_connection, false).close();
    QSqlDatabase::removeDatabase(m_connection);
}

bool CookieDatabaseCopy::copyFiles(const QString& database)
{
    // QTemporaryDir makes its folder with mode 0700; say so in case that ever changes.
    if (!m_folder.isValid() ||
        !QFile::setPermissions(m_folder.path(),
                               QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
        return false;
    const QString target = m_folder.filePath(copyName);
    if (!QFile::copy(database, target))
        return false;
    for (const QLatin1String suffix : {QLatin1String("-wal"), QLatin1String("-shm")}) {
        if (QFile::exists(database + suffix) && !QFile::copy(database + suffix, target + suffix))
            return false;
    }
    return true;
}

void CookieDatabaseCopy::open()
{
    m_connection = uniqueConnectionName();
    QSqlDatabase db = QSqlDatabase::addDatabase(driver, m_connection);
    db.setDatabaseName(m_folder.filePath(copyName));
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    if (!db.open()) {
        m_problem = CookieReadProblem::Unreadable;
        return;
    }
    // An empty or foreign file opens fine; its first read tells.
    const Rows tables = select(QStringLiteral("SELECT count(*) FROM sqlite_master"));
    if (tables.problem || tables.rows.isEmpty() || tables.rows.first().value(0).toInt() == 0)
        m_problem = CookieReadProblem::Unreadable;
}

CookieDatabaseCopy::Rows CookieDatabaseCopy::select(const QString& sql,
                                                    const QStringList& values) const
{
    Rows result;
    if (m_connection.isEmpty()) {
        result.problem = m_problem.value_or(CookieReadProblem::Unreadable);
        return result;
    }
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    const bool prepared = query.prepare(sql);
    for (const QString& value : values)
        query.addBindValue(value);
    if (!prepared || !query.exec()) {
        result.problem = problemOf(query.lastError());
        return result;
    }
    while (query.next()) {
        QVariantList row;
        const int columns = query.record().count();
        for (int i = 0; i < columns; ++i)
            row.append(query.value(i));
        result.rows.append(row);
    }
    // A damaged page shows only when the read reaches it.
    if (query.lastError().isValid())
        result.problem = CookieReadProblem::Unreadable;
    return result;
}
