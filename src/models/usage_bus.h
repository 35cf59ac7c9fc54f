#pragma once

#include "models/usage_window.h"

#include <QString>
#include <QVariantMap>

// The usage export on the session bus: where it is, and how one window travels in its
// "Windows" list. The agent writes it; gaugery-status and status bars read it back.
namespace UsageBus {

inline const QString objectPath = QStringLiteral("/com/gaugery/app/Usage");
// Also the export's D-Bus interface class info, which must be a literal.
inline const QString interfaceName = QStringLiteral("com.gaugery.app.Usage");

// The property holding the windows, each an entry below.
inline const QString windowsProperty = QStringLiteral("Windows");

// Every account's own state, each entry holding the properties that speak of one account
// under their own names ("Account" its name, "Error", "LastUpdated", "HasData",
// "HasCookie", "Loading") and "Id" its id: what one account shows in place of the tray's.
inline const QString accountsProperty = QStringLiteral("Accounts");
inline const QString accountIdKey = QStringLiteral("Id");

// With more than one account, each window's entry also names its account.
inline const QString accountKey = QStringLiteral("account");
inline const QString accountNameKey = QStringLiteral("accountName");

// id, title, subtitle, percent, resetsAt (ISO 8601 UTC, "" when unknown), timeOfDay,
// note, detail.
QVariantMap entryOf(const WindowFigure& figure);
// The window back in the program's own terms; a percent that is not a number is NaN.
WindowFigure figureOf(const QVariantMap& entry);

} // namespace UsageBus
