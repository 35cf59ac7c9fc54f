#pragma once

#include <QList>
#include <QString>

#include <optional>

// The options of the settings pickers and which one a stored value selects.
namespace SettingsChoices {

struct MetricOption {
    QString label;
    QString value;
};

struct IntervalOption {
    QString label;
    int seconds;
};

const QList<MetricOption>& metricOptions();
const QList<IntervalOption>& intervalOptions();

// The option shown for a stored value: the default's while nothing is stored, none (-1)
// for a value no option has, so an edited file is shown as it is rather than guessed at.
int metricIndex(const std::optional<QString>& stored);
int intervalIndex(const std::optional<double>& stored);

// The global shortcut as this platform's keyboards label it.
QString shortcutText();

} // namespace SettingsChoices
