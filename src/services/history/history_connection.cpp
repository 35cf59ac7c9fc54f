#include "services/history/history_connection.h"

#include <atomic>

namespace {

QString uniqueConnectionName()
{
    static std::atomic<int> next{0};
    return QStringLiteral("gaugery-history-%1").arg(next++);
}

// SQLite's result code without its extended part; -1 when there is none.
int sqliteCode(const QSqlError& error)
{
    bool number = false;
    const int code = error.nativeErrorCode().toInt(&number);
    return number ? code & 0xff : -1;
}

} // namespace

HistoryConnection::HistoryConnection(const QString& databaseName, const QString& options)
    : m_name(uniqueConnectionName())
{
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    m_db.setDatabaseName(databaseName);
    m_db.setConnectOptions(options);
    m_db.open();
}

HistoryConnection::~HistoryConnection()
{
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_name);
}

namespace HistorySql {

QString describe(const QSqlError& error)
{
    const QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    return text.trimmed();
}

bool isDamage(const QSqlError& error)
{
    return sqliteCode(error) == 11 || sqliteCode(error) == 26;
}

bool isBusy(const QSqlError& error)
{
    return sqliteCode(error) == 5;
}

QVariant text(const QString& value)
{
    return value.isNull() ? QStringLiteral("") : value;
}

} // namespace HistorySql
