#include "views/settings/settings_choices.h"

#include "models/tray_presentation.h"
#include "models/usage_window.h"
#include "services/settings.h"
#include "services/sources/browser/browser_profiles.h"
#include "services/sources/claude_code/claude_code_homes.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

// The context this file's texts are translated in.
class Texts {
    Q_DECLARE_TR_FUNCTIONS(SettingsChoices)
};

} // namespace

namespace SettingsChoices {

namespace {

// "Session (5 hour)", or the title alone when the window's length is unknown.
QString labelOf(const UsageWindowKind& kind)
{
    return kind.subtitle.isEmpty() ? kind.title
                                   : QStringLiteral("%1 (%2)").arg(kind.title, kind.subtitle);
}

QList<Option> trayStyleOptions()
{
    return {
        {Texts::tr("Label"), TrayStyles::settingOf(TrayStyle::label)},
        {Texts::tr("Figure in icon"), TrayStyles::settingOf(TrayStyle::figureInIcon)},
        {Texts::tr("Gauge"), TrayStyles::settingOf(TrayStyle::gauge)},
    };
}

QList<Option> intervalOptions()
{
    return {
        {Texts::tr("1 minute"), 60},     {Texts::tr("5 minutes"), 300},
        {Texts::tr("10 minutes"), 600},  {Texts::tr("15 minutes"), 900},
        {Texts::tr("30 minutes"), 1800},
    };
}

QList<Option> sourceOptions()
{
    return {
        {Texts::tr("Automatic"), UsageSources::automatic},
        {Texts::tr("Browser session"), UsageSources::cookie},
        {Texts::tr("Claude Code"), UsageSources::claudeCode},
    };
}

bool sameValue(const QVariant& option, const QVariant& value)
{
    // Numbers come back from the file as text: 300 and "300" are one interval.
    bool numeric = false;
    const double number = value.toDouble(&numeric);
    if (option.typeId() == QMetaType::Int)
        return numeric && number == option.toDouble();
    return option.toString() == value.toString();
}

} // namespace

const QList<Option>& optionsFor(const QString& key)
{
    static const QList<Option> metric = metricOptions({});
    static const QList<Option> trayStyle = trayStyleOptions();
    static const QList<Option> interval = intervalOptions();
    static const QList<Option> source = sourceOptions();
    static const QList<Option> none;
    if (key == Settings::menuBarMetricKey)
        return metric;
    if (key == Settings::trayStyleKey)
        return trayStyle;
    if (key == Settings::refreshIntervalKey)
        return interval;
    if (key == Settings::usageSourceKey)
        return source;
    return none;
}

QList<Option> metricOptions(const QList<WindowFigure>& furtherWindows)
{
    QList<Option> options;
    for (const UsageWindowKind& kind : UsageWindows::known()) {
        if (kind.isMetric)
            options.append({labelOf(kind), kind.id});
    }
    options.append({Texts::tr("Highest"), UsageWindows::highestMetric});
    for (const WindowFigure& figure : furtherWindows)
        options.append({labelOf(figure.kind), figure.kind.id});
    return options;
}

int shownIndex(const QString& key, const std::optional<QVariant>& stored, const QVariant& applied)
{
    return shownIndex(optionsFor(key), stored, applied);
}

int shownIndex(const QList<Option>& options, const std::optional<QVariant>& stored,
               const QVariant& applied)
{
    const QVariant value = stored.value_or(applied);
    const auto found = std::find_if(options.begin(), options.end(),
                                    [&](const Option& o) { return sameValue(o.value, value); });
    return found == options.end() ? -1 : static_cast<int>(found - options.begin());
}

QString connectionText(UsageSource source, const QString& plan,
                       const std::optional<Organization>& organization, const QString& cookieOrigin)
{
    if (source == UsageSource::claudeCode) {
        const QString text = Texts::tr("Connected through Claude Code");
        return plan.isEmpty() ? text : text + QStringLiteral(" · ") + plan;
    }
    const QString text =
        cookieOrigin == Accounts::desktopAppOrigin
            ? Texts::tr("Connected through %1").arg(BrowserProfiles::desktopAppName)
            : Texts::tr("Connected through your browser session");
    return organization ? text + QStringLiteral(" · ") + organization->displayName() : text;
}

QString accountText(const Account& account, UsageSource source, const QString& plan,
                    const std::optional<Organization>& organization)
{
    const bool claudeCode =
        source == UsageSource::claudeCode ||
        (source == UsageSource::none && account.source == Account::Source::claudeCode);
    if (claudeCode) {
        const QString text = account.claudeCodeFolder.isEmpty()
                                 ? Texts::tr("Claude Code")
                                 : Texts::tr("Claude Code in %1")
                                       .arg(ClaudeCodeHomes::shown(account.claudeCodeFolder));
        return plan.isEmpty() ? text : text + QStringLiteral(" · ") + plan;
    }
    const QString text = account.cookieOrigin == Accounts::desktopAppOrigin
                             ? BrowserProfiles::desktopAppName
                             : Texts::tr("Browser session");
    return organization ? text + QStringLiteral(" · ") + organization->displayName() : text;
}

QList<Option> trayAccountOptions(const QList<Account>& accounts)
{
    QList<Option> options;
    for (const Account& account : accounts)
        options.append({account.name, account.id});
    options.append({Texts::tr("Highest of all"), Accounts::highestOfAll});
    return options;
}

int trayAccountIndex(const QList<Option>& options, const QString& stored)
{
    const auto found = std::find_if(options.begin(), options.end(),
                                    [&](const Option& o) { return o.value.toString() == stored; });
    return found == options.end() ? 0 : static_cast<int>(found - options.begin());
}

} // namespace SettingsChoices
