#pragma once

#include <QString>
#include <QVariantMap>

// What gaugery-status prints, from the properties the agent exports on the bus.
namespace StatusFormat {

// One line of JSON for a status bar's custom module: "text" the figure the tray shows,
// "tooltip" every window, "class" low, warning or critical, "percentage" a whole number.
QString json(const QVariantMap& state);

// The format with {session} {weekly} {sonnet} {opus} replaced by whole percentages ("--"
// when unknown), {session_reset} and the like by local reset times, {updated} by HH:mm
// and {error} by the last error. Anything else stays as written.
QString text(const QVariantMap& state, const QString& format);

} // namespace StatusFormat
