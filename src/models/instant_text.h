#pragma once

#include <QDateTime>
#include <QString>

// Instants as text, and the patterns of the user's locale that the other texts use.
namespace InstantText {

// ISO 8601 in UTC ("2026-02-09T12:00:00Z"); empty for an invalid instant, as the bus and
// the exports have no other way to say unknown.
QString iso(const QDateTime& instant);

// The locale's short time of day: "h:mm AP" in English, "HH:mm" in German.
QString timeOfDayPattern();
QString timeOfDayPattern(QString shortTimePattern);
// A day of the year with the month's short name, in the locale's order: "MMM d" in
// English, "d. MMM" in German, "M月d日" in Japanese.
QString monthDayPattern();
QString monthDayPattern(const QString& longDatePattern);

} // namespace InstantText
