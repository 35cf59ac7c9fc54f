#pragma once

#include <QSqlError>
#include <QString>

#include <optional>

class QSqlDatabase;

// The history file's tables and how a file of an older shape is brought up to date.
namespace HistorySchema {

// PRAGMA user_version of the current shape; 0 is a new, empty file.
constexpr int currentVersion = 3;

struct Problem {
    QString what;
    QSqlError error;
};

// The version the file says it has.
std::optional<int> versionOf(QSqlDatabase& db, Problem* problem);

// Creates the tables of an empty file, or migrates an older one a version at a time,
// each step in its own transaction. A newer file is left as it is (a problem). Rows from
// before figures carried their owner become priorOwner's, the organization chosen now
// (empty: unknown yet).
std::optional<Problem> bringUpToDate(QSqlDatabase& db, const QString& priorOwner);

} // namespace HistorySchema
