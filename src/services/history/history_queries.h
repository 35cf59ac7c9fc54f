#pragma once

#include "models/history_point.h"
#include "models/usage_data.h"
#include "models/usage_pace.h"

#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QStringList>

// What a read of the history found, or why it could not: a damaged file must not pass
// for a short history.
template <typename T> struct HistoryRead {
    // Empty when the read failed.
    T rows{};
    // Empty when the read succeeded.
    QString error;

    bool ok() const { return error.isEmpty(); }
};

// The stored series through one connection, each the figures of one owner: an
// organization's id, or UsageData::claudeCodeOwner.
class HistoryQueries {
public:
    explicit HistoryQueries(QSqlDatabase db) : m_db(std::move(db)) {}

    // The window's figures taken within [from, to], oldest first.
    HistoryRead<QList<HistoryPoint>> points(const QString& owner, const QString& windowId,
                                            const QDateTime& from, const QDateTime& to) const;
    // Every window's, by time, then window.
    HistoryRead<QList<HistoryPoint>> points(const QString& owner, const QDateTime& from,
                                            const QDateTime& to) const;
    // Every window with stored figures.
    HistoryRead<QStringList> windowIds(const QString& owner) const;
    // The figures of the window's current period (those of its newest figure's reset,
    // give or take a minute), oldest first, for the pace forecast.
    HistoryRead<QList<UsageSample>> samples(const QString& owner, const QString& windowId) const;
    // Whose figures were recorded last; empty when there are none.
    HistoryRead<QString> newestOwner() const;
    // Every owner's newest snapshot, as far as the file keeps it (figures and resets, not
    // the detail lines), newest first.
    HistoryRead<QList<UsageData>> latestSnapshots() const;

private:
    QSqlDatabase m_db;
};
