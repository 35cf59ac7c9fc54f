#pragma once

#include "models/account.h"
#include "models/organization.h"
#include "models/usage_window.h"
#include "services/sources/usage_source.h"

#include <QList>
#include <QString>
#include <QVariant>

#include <optional>

// The options of the settings pickers and which one a stored value selects.
namespace SettingsChoices {

struct Option {
    QString label;
    QVariant value;
};

// The options of the setting with this key: "menuBarMetric" (without further windows),
// "trayStyle", "refreshInterval", "usageSource".
const QList<Option>& optionsFor(const QString& key);
// The "Display Metric" options: the metric windows and "Highest", then each of these
// further windows by its name ("Fable (7 day)", "Extra usage").
QList<Option> metricOptions(const QList<WindowFigure>& furtherWindows);

// The option shown: the stored value's, none (-1) for a value no option has (an edited
// file, or a window the service does not report now, is shown as it is rather than
// guessed at), and while nothing is stored the one of what applies then.
int shownIndex(const QString& key, const std::optional<QVariant>& stored, const QVariant& applied);
int shownIndex(const QList<Option>& options, const std::optional<QVariant>& stored,
               const QVariant& applied);

// The connection row: which sign-in the figures come from (a browser session, the one of
// the desktop app the cookie came from, Claude Code), with Claude Code's plan or the
// organization read with the session.
QString connectionText(UsageSource source, const QString& plan,
                       const std::optional<Organization>& organization,
                       const QString& cookieOrigin = {});

// What an account in the accounts list reads: "Browser session · Acme Team",
// "Claude Desktop · Acme Team" or "Claude Code · Max"; the listed source until the first
// refresh decides.
QString accountText(const Account& account, UsageSource source, const QString& plan,
                    const std::optional<Organization>& organization);

// "Tray shows": each account by name, then "Highest of all".
QList<Option> trayAccountOptions(const QList<Account>& accounts);
// The option of the stored "trayAccount"; an id no account has shows the first, which is
// what the tray shows then.
int trayAccountIndex(const QList<Option>& options, const QString& stored);

} // namespace SettingsChoices
