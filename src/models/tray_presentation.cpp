#include "models/tray_presentation.h"

#include "models/account.h"

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

TrayStyle defaultFor(const QString& currentDesktop, int gnomeShellMajor)
{
    // Only these hosts draw an item's label; everywhere else it would be lost.
    static const QStringList labelDesktops{QStringLiteral("gnome"), QStringLiteral("ubuntu"),
                                           QStringLiteral("unity"), QStringLiteral("budgie")};
    // GNOME Shell 48's extension was seen leaving the label out while drawing the icon.
    constexpr int firstUnreliableGnomeShell = 48;
    if (gnomeShellMajor >= firstUnreliableGnomeShell)
        return TrayStyle::figureInIcon;
    const QStringList desktops = currentDesktop.toLower().split(QLatin1Char(':'));
    for (const QString& desktop : desktops) {
        if (labelDesktops.contains(desktop))
            return TrayStyle::label;
    }
    return TrayStyle::figureInIcon;
}

} // namespace TrayStyles

namespace {

double filledShare(double percent)
{
    return percent > 0 ? std::min(percent / 100, 1.0) : 0;
}

// The window the tray shows; a chosen one the service stopped reporting has no figure,
// and the choice stays for when it comes back.
struct Shown {
    WindowFigure figure;
    bool reported = true;

    // "42%", or "–" without a figure.
    QString text() const
    {
        return reported ? UsageWindows::wholeText(figure.percent) + u'%'
                        : UsageWindows::unreportedText;
    }
};

Shown shownOf(const UsageData& usage, const QString& metric, const QDateTime& now)
{
    if (const std::optional<WindowFigure> figure = UsageWindows::shownFigure(usage, metric, now))
        return {*figure};
    WindowFigure missing;
    missing.kind = UsageWindows::kindOf(UsageWindows::chosenWindow(metric));
    missing.percent = std::nan("");
    return {missing, false};
}

TrayIcon iconFor(TrayStyle style, const QList<WindowFigure>& figures, const Shown& shown,
                 bool stale)
{
    TrayIcon icon;
    if (figures.isEmpty())
        return icon;
    icon.dimmed = stale;
    switch (style) {
    case TrayStyle::label:
        icon.besideLabel = true;
        break;
    case TrayStyle::figureInIcon:
        icon.kind = TrayIcon::Kind::figure;
        icon.figure = shown.reported ? UsageWindows::wholeText(shown.figure.percent)
                                     : UsageWindows::unreportedText;
        icon.severity = UsageWindows::severityOf(shown.figure.percent);
        break;
    case TrayStyle::gauge:
        icon.kind = TrayIcon::Kind::gauge;
        // The session's and the weekly window's, those the service reports.
        for (const WindowFigure& figure : figures) {
            if (figure.kind.id == UsageWindows::sessionId ||
                figure.kind.id == UsageWindows::weeklyId)
                icon.gauges.append(
                    {filledShare(figure.percent), UsageWindows::severityOf(figure.percent)});
        }
        break;
    }
    return icon;
}

// "Session: 42%, resets at 3:05 PM", or "Fable: –"
QString headlineOf(const Shown& shown)
{
    QString headline = shown.figure.kind.title + QStringLiteral(": ") + shown.text();
    if (const QString reset = UsageWindows::resetPhrase(shown.figure); !reset.isEmpty())
        headline += QStringLiteral(", ") + reset;
    return headline;
}

// "Work · Session: 42%, resets at 3:05 PM", with when it was fetched while it is not
// current, or that the account has no figures yet.
QString accountLine(const TrayAccount& account, const TrayInput& input)
{
    if (!account.usage)
        return Texts::tr("%1 · no figures yet").arg(account.name);
    const QString line = Texts::tr("%1 · %2").arg(
        account.name, headlineOf(shownOf(*account.usage, input.metric, input.now)));
    return account.freshness.stale
               ? Texts::tr("%1 (as of %2)")
                     .arg(line, UsageWindows::timeOfDayText(account.freshness.asOf))
               : line;
}

const QStringList& notesOf(const TrayInput& input, qsizetype chosen)
{
    return chosen < 0 ? input.notes : input.accounts.at(chosen).notes;
}

// The headline, how old it is and why while it is not current, then when it resets and,
// at the pace of its recent figures, when it fills, and the account's notes; with several
// accounts the first line names the account and every other account's figure follows.
QString toolTipOf(const Shown& chosenWindow, const UsageData& usage, const Freshness& freshness,
                  const TrayInput& input, qsizetype chosen)
{
    const WindowFigure& shown = chosenWindow.figure;
    QStringList lines{chosen < 0 ? headlineOf(chosenWindow)
                                 : accountLine(input.accounts.at(chosen), input)};
    if (freshness.stale) {
        // The account's line already says since when.
        if (chosen < 0)
            lines << freshness.asOfText(input.now);
        if (!freshness.reason.isEmpty())
            lines << freshness.reason;
    }
    if (!chosenWindow.reported)
        lines << Texts::tr("Claude does not report this limit now");
    if (shown.resetsAt.isValid() && shown.resetNote.isEmpty()) {
        lines << UsagePace::resetsInText(input.now, shown.resetsAt);
        const QList<UsageSample> samples =
            input.samples ? input.samples(usage.owner, shown.kind.id) : QList<UsageSample>();
        if (const std::optional<QDateTime> full = UsagePace::fullAt(samples, shown.resetsAt))
            lines << Texts::tr("at this pace: full at %1").arg(UsageWindows::timeOfDayText(*full));
    }
    // A pause is both the failure and a note: said once.
    for (const QString& note : notesOf(input, chosen)) {
        if (!lines.contains(note))
            lines << note;
    }
    for (qsizetype i = 0; i < input.accounts.size(); ++i) {
        if (i != chosen)
            lines << accountLine(input.accounts.at(i), input);
    }
    return lines.join(u'\n');
}

} // namespace

qsizetype chooseTrayAccount(const QList<TrayAccount>& accounts, const QString& trayAccount,
                            const QString& metric, const QDateTime& now)
{
    if (accounts.isEmpty())
        return -1;
    if (trayAccount != Accounts::highestOfAll) {
        const auto named = std::find_if(accounts.begin(), accounts.end(),
                                        [&](const TrayAccount& a) { return a.id == trayAccount; });
        return named == accounts.end() ? 0 : named - accounts.begin();
    }
    qsizetype best = 0;
    for (qsizetype i = 1; i < accounts.size(); ++i) {
        const std::optional<UsageData>& usage = accounts.at(i).usage;
        const std::optional<UsageData>& leader = accounts.at(best).usage;
        if (usage && (!leader || UsageWindows::nearerToLimit(shownOf(*usage, metric, now).figure,
                                                             shownOf(*leader, metric, now).figure)))
            best = i;
    }
    return best;
}

TrayPresentation presentTray(const TrayInput& input)
{
    TrayPresentation presentation;
    const bool several = input.accounts.size() > 1;
    const qsizetype chosen =
        several ? chooseTrayAccount(input.accounts, input.trayAccount, input.metric, input.now)
                : -1;
    const bool listed = several || input.accounts.size() == 1;
    const TrayAccount* account = listed ? &input.accounts.at(several ? chosen : 0) : nullptr;
    const std::optional<UsageData>& usage = account ? account->usage : input.usage;
    const Freshness& freshness = account ? account->freshness : input.freshness;
    if (several)
        presentation.shownAccount = input.accounts.at(chosen).id;
    if (!usage) {
        presentation.accessibleDescription = Texts::tr("Gaugery");
        QStringList lines{Texts::tr("Gaugery")};
        lines << notesOf(input, chosen);
        if (several) {
            for (const TrayAccount& each : input.accounts)
                lines << accountLine(each, input);
        }
        presentation.toolTip = lines.join(u'\n');
        return presentation;
    }
    const QList<WindowFigure> figures = UsageWindows::figuresAt(*usage, input.now);
    const Shown shown = shownOf(*usage, input.metric, input.now);
    const QString percent = shown.text();
    // A label cannot be drawn faded: a question mark says the same on every host.
    if (input.style == TrayStyle::label)
        presentation.label = u' ' + percent + (freshness.stale ? QStringLiteral("?") : QString());
    presentation.icon = iconFor(input.style, figures, shown, freshness.stale);
    presentation.fallbackIcon =
        iconFor(input.style == TrayStyle::gauge ? TrayStyle::gauge : TrayStyle::figureInIcon,
                figures, shown, freshness.stale);
    presentation.toolTip = toolTipOf(shown, *usage, freshness, input, chosen);
    presentation.accessibleDescription =
        several
            ? Texts::tr("Gaugery: %1, %2 %3")
                  .arg(input.accounts.at(chosen).name, shown.figure.kind.title.toLower(), percent)
            : Texts::tr("Gaugery: %1 %2").arg(shown.figure.kind.title.toLower(), percent);
    if (freshness.stale)
        presentation.accessibleDescription = Texts::tr("%1, as of %2")
                                                 .arg(presentation.accessibleDescription,
                                                      UsageWindows::timeOfDayText(freshness.asOf));
    presentation.shownWindow = shown.figure.kind.id;
    presentation.figureText = percent;
    presentation.severity = UsageWindows::severityOf(shown.figure.percent);
    return presentation;
}
