#pragma once

#include "models/organization.h"
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

// The options of the setting with this key: "menuBarMetric", "trayStyle",
// "refreshInterval", "usageSource".
const QList<Option>& optionsFor(const QString& key);

// The option shown: the stored value's, none (-1) for a value no option has (an edited
// file is shown as it is rather than guessed at), and while nothing is stored the one of
// what applies then.
int shownIndex(const QString& key, const std::optional<QVariant>& stored, const QVariant& applied);

// The connection row: which sign-in the figures come from, with Claude Code's plan or the
// organization read with the browser session.
QString connectionText(UsageSource source, const QString& plan,
                       const std::optional<Organization>& organization);

} // namespace SettingsChoices
