#pragma once

#include <QString>
#include <QVariantMap>

#include <optional>

// What gaugery-status prints, from the properties the agent exports on the bus (with
// "Windows" as a list of maps).
namespace StatusFormat {

// The state as one account sees it: its windows alone, the figure the tray would show of
// it, and its own error, last update and sign-in. `name` is the account's name or id;
// empty: the account the tray shows. With one account the state is as it is; nothing for
// a name no account has.
std::optional<QVariantMap> forAccount(const QVariantMap& state, const QString& name);

// One line of JSON for a status bar's custom module: "text" the figure the tray shows,
// "tooltip" every window, "class" low, warning or critical, "percentage" a whole number,
// "stale" whether the figures are not current.
QString json(const QVariantMap& state);

// The format with {ID} or {window:ID} replaced by the whole percentage of the window
// with that id ("--" when there is none: {session}, {weekly}, {sonnet}, {opus} and every
// further window), {ID_reset} by its local reset time, {updated} by its local time of
// day, {age} by how long ago that was ("3 h"), {error} by the last error and {account} by
// the account's name. Anything else stays as written.
QString text(const QVariantMap& state, const QString& format);

} // namespace StatusFormat
