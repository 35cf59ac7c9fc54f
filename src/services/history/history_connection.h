#pragma once

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QVariant>

// One Qt SQL connection to the history file (or to memory) under a name of its own,
// closed and forgotten with this object: Qt SQL wants a name for every connection, and a
// connection belongs to the thread that opened it.
class HistoryConnection {
public:
    static inline const QString inMemory = QStringLiteral(":memory:");

    // options: Qt's SQLite connect options ("QSQLITE_BUSY_TIMEOUT=2000").
    HistoryConnection(const QString& databaseName, const QString& options);
    ~HistoryConnection();
    HistoryConnection(const HistoryConnection&) = delete;
    HistoryConnection& operator=(const HistoryConnection&) = delete;

    bool isOpen() const { return m_db.isOpen(); }
    QSqlDatabase& db() { return m_db; }
    const QSqlDatabase& db() const { return m_db; }

private:
    QString m_name;
    QSqlDatabase m_db;
};

namespace HistorySql {

// SQLite's words for an error, or Qt's when SQLite said nothing.
QString describe(const QSqlError& error);
// SQLITE_CORRUPT or SQLITE_NOTADB: the file is damaged.
bool isDamage(const QSqlError& error);
// SQLITE_BUSY: another connection is writing.
bool isBusy(const QSqlError& error);
// The text to bind: Qt binds a null QString as NULL, and an unknown owner is "".
QVariant text(const QString& value);

} // namespace HistorySql
