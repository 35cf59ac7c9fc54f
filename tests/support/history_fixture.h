#pragma once

#include "models/usage_data.h"

#include <QByteArray>
#include <QDateTime>
#include <QTimeZone>

class HistoryStore;

// A day of figures as the agent keeps them, refreshing every 5 minutes up to a fixed
// now: the session climbing through its 5-hour periods, the weekly windows rising
// slowly. For the History window's tests and screenshots.
namespace HistoryFixture {

inline const QDateTime now(QDate(2026, 2, 9), QTime(12, 0), QTimeZone::utc());
// The session's current period ends here; earlier ones every 5 hours before.
inline const QDateTime sessionReset(QDate(2026, 2, 9), QTime(15, 5), QTimeZone::utc());
inline const QDateTime weeklyReset(QDate(2026, 2, 12), QTime(8, 0), QTimeZone::utc());
inline const QDateTime sonnetReset(QDate(2026, 2, 13), QTime(14, 0), QTimeZone::utc());

UsageData snapshotAt(const QDateTime& at);
// The owner's snapshots every 5 minutes from now - hours to now.
void fill(HistoryStore& store, const QString& owner, int hours = 24);
// Overwrites the last page of a closed history file: the newest rows of a series.
bool damageLastPage(const QString& path);
// The usage body the service answers at now.
QByteArray usageBody();

} // namespace HistoryFixture
