#pragma once

#include <QDateTime>
#include <QString>

// Instants as text where no locale pattern applies.
namespace InstantText {

// ISO 8601 in UTC ("2026-02-09T12:00:00Z"); empty for an invalid instant, as the bus and
// the exports have no other way to say unknown.
QString iso(const QDateTime& instant);
// The local time on the 24-hour clock ("14:05"), whatever the locale prefers.
QString clock(const QDateTime& instant);

} // namespace InstantText
