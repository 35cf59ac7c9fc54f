#pragma once

#include "services/sources/browser/browser_cookie_reading.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariantList>

#include <optional>

// A private copy of a browser's cookie database, read-only through Qt's SQLite driver.
// A running browser keeps its database locked and its latest writes in the -wal file,
// so the database is copied with its -wal and -shm files into a folder only the user
// can enter; the copy and its connection go when this object does. Use it on one thread.
class CookieDatabaseCopy {
public:
    struct Rows {
        QList<QVariantList> rows;
        std::optional<CookieReadProblem> problem;
    };

    explicit CookieDatabaseCopy(const QString& database);
    ~CookieDatabaseCopy();

    CookieDatabaseCopy(const CookieDatabaseCopy&) = delete;
    CookieDatabaseCopy& operator=(const CookieDatabaseCopy&) = delete;

    // Set when the copy could not be made or opened, or holds no tables at all.
    std::optional<CookieReadProblem> problem() const { return m_problem; }

    // The rows of one SELECT, with these values bound to its placeholders in order:
    // UnknownLayout when its tables or columns are missing, Unreadable when the file is
    // damaged.
    Rows select(const QString& sql, const QStringList& values = {}) const;

private:
    bool copyFiles(const QString& database);
    void open();

    QTemporaryDir m_folder;
    QString m_connection;
    std::optional<CookieReadProblem> m_problem;
};
