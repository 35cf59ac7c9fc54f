#include "models/tray_presentation.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

namespace {

// The context this file's texts are translated in.
class Texts {
    Q_DECLARE_TR_FUNCTIONS(TrayPresentation)
};

} // namespace

namespace TrayStyles {

namespace {

struct Setting {
    TrayStyle style;
    QLatin1String value;
};

constexpr Setting settings[] = {
    {TrayStyle::label, QLatin1String("label")},
    {TrayStyle::figureInIcon, QLatin1String("icon")},
    {TrayStyle::gauge, QLatin1String("gauge")},
};

} // namespace

std::optional<TrayStyle> fromSetting(const QString& value)
{
    for (const Setting& setting : settings) {
        if (value == setting.value)
            return setting.style;
    }
    return std::nullopt;
}

QString settingOf(TrayStyle style)
{
    for (const Setting& setting : settings) {
        if (setting.style == style)
            return setting.value;
    }
    return {};
}

TrayStyle defaultFor(const QString& currentDesktop)
{
    // Only these hosts draw an item's label; everywhere else it would be lost.
    static const QStringList labelDesktops{QStringLiteral("gnome"), QStringLiteral("ubuntu"),
                                           QStringLiteral("unity"), QStringLiteral("budgie")};
    const QStringList desktops = currentDesktop.toLower().split(QLatin1Char(':'));
    for (const QString& desktop : desktops) {
        if (labelDesktops.contains(desktop))
            return TrayStyle::label;
    }
    return TrayStyle::figureInIcon;
}

TrayStyle chosen(const QString& setting, const QString& currentDesktop)
{
    return fromSetting(setting).value_or(defaultFor(currentDesktop));
}

} // namespace TrayStyles

namespace {

double filledShare(double percent)
{
    return percent > 0 ? std::min(percent / 100, 1.0) : 0;
}

TrayIcon iconFor(TrayStyle style, const std::optional<UsageData>& usage, const WindowFigure& shown)
{
    TrayIcon icon;
    if (!usage)
        return icon;
    switch (style) {
    case TrayStyle::label:
        icon.besideLabel = true;
        break;
    case TrayStyle::figureInIcon:
        icon.kind = TrayIcon::Kind::figure;
        icon.figure = UsageWindows::wholeText(shown.percent);
        icon.severity = UsageWindows::severityOf(shown.percent);
        break;
    case TrayStyle::gauge:
        icon.kind = TrayIcon::Kind::gauge;
        for (double percent : {usage->sessionUsagePercent, usage->weeklyUsagePercent})
            icon.gauges.append({filledShare(percent), UsageWindows::severityOf(percent)});
        break;
    }
    return icon;
}

QString toolTipOf(const WindowFigure& shown, const TrayInput& input)
{
    QString headline =
        shown.kind.title + QStringLiteral(": ") + UsageWindows::wholeText(shown.percent) + u'%';
    if (const QString reset = UsageWindows::resetPhrase(shown); !reset.isEmpty())
        headline += QStringLiteral(", ") + reset;
    QStringList lines{headline};
    if (!shown.resetsAt.isValid() || !shown.resetNote.isEmpty())
        return lines.join(u'\n');
    lines << UsagePace::resetsInText(input.now, shown.resetsAt);
    const QList<UsageSample> samples =
        input.samples ? input.samples(shown.kind.id) : QList<UsageSample>();
    if (const std::optional<QDateTime> full = UsagePace::fullAt(samples, shown.resetsAt))
        lines << Texts::tr("at this pace: full at %1").arg(UsageWindows::timeOfDayText(*full));
    return lines.join(u'\n');
}

} // namespace

TrayPresentation presentTray(const TrayInput& input)
{
    TrayPresentation presentation;
    if (!input.usage) {
        presentation.toolTip = Texts::tr("Gaugery");
        presentation.accessibleDescription = Texts::tr("Gaugery");
        return presentation;
    }
    const WindowFigure shown = UsageWindows::shownFigure(*input.usage, input.metric);
    const QString percent = UsageWindows::wholeText(shown.percent) + u'%';
    if (input.style == TrayStyle::label)
        presentation.label = u' ' + percent;
    presentation.icon = iconFor(input.style, input.usage, shown);
    presentation.fallbackIcon =
        iconFor(input.style == TrayStyle::gauge ? TrayStyle::gauge : TrayStyle::figureInIcon,
                input.usage, shown);
    presentation.toolTip = toolTipOf(shown, input);
    presentation.accessibleDescription =
        Texts::tr("Gaugery: %1 %2").arg(shown.kind.title.toLower(), percent);
    presentation.shownWindow = shown.kind.id;
    presentation.figureText = percent;
    presentation.severity = UsageWindows::severityOf(shown.percent);
    return presentation;
}
