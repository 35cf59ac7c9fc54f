#pragma once

#include "models/usage_data.h"
#include "models/usage_pace.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// How the tray item shows the figure.
enum class TrayStyle { label, figureInIcon, gauge };

namespace TrayStyles {
// The "trayStyle" setting's values: "label", "icon", "gauge"; nothing for any other.
std::optional<TrayStyle> fromSetting(const QString& value);
QString settingOf(TrayStyle style);
// "Label" where the desktop is known to draw item labels (XDG_CURRENT_DESKTOP names
// GNOME, ubuntu, Unity or Budgie), "Figure in icon" everywhere else, and on GNOME Shell
// from 48 on (`gnomeShellMajor`; 0 when unknown), whose label cannot be relied on.
TrayStyle defaultFor(const QString& currentDesktop, int gnomeShellMajor);
} // namespace TrayStyles

// What the tray icon's pixmap shows.
struct TrayIcon {
    enum class Kind { sparkle, figure, gauge };
    struct Gauge {
        double fraction = 0; // filled share, 0 to 1
        Severity severity = Severity::normal;
        bool operator==(const Gauge&) const = default;
    };

    Kind kind = Kind::sparkle;
    // The sparkle is drawn a little smaller when a label stands beside it.
    bool besideLabel = false;
    // Kind::figure: the whole percentage without its sign ("42", "100", "--").
    QString figure;
    Severity severity = Severity::normal;
    // Kind::gauge: the session's, then the weekly window's.
    QList<Gauge> gauges;

    bool operator==(const TrayIcon&) const = default;
};

// Everything the tray item, the XEmbed icon, the bus export and status bars show.
struct TrayPresentation {
    // The item's label: one space, the figure and "%" in the label style; empty otherwise.
    QString label;
    TrayIcon icon;
    // For the XEmbed tray, which never draws a label.
    TrayIcon fallbackIcon;
    // Always names the figure, its window and its reset; the first line is the title.
    QString toolTip;
    // A short text for screen readers: "Gaugery: session 42%".
    QString accessibleDescription;
    // The figure shown, for status bars: its window, "42%" and how close to the limit;
    // empty without a snapshot.
    QString shownWindow;
    QString figureText;
    Severity severity = Severity::normal;
    // The account whose figure it is; empty with one account.
    QString shownAccount;

    bool operator==(const TrayPresentation&) const = default;
};

// One account's figures, as the tray weighs them.
struct TrayAccount {
    QString id;
    QString name;
    std::optional<UsageData> usage;
    // Said under its figures when it is the one shown: a pause, the sign-in read.
    QStringList notes = {};
};

struct TrayInput {
    // With one account: its snapshot, shown as it always was, and its notes.
    std::optional<UsageData> usage;
    QStringList notes;
    // With more than one: every account, in the list's order (`usage` is then unused).
    QList<TrayAccount> accounts;
    // The "trayAccount" setting: an account's id, or "highest" for the highest of all.
    QString trayAccount;
    // The "menuBarMetric" setting.
    QString metric;
    TrayStyle style = TrayStyle::label;
    QDateTime now;
    // A window's recent figures in one owner's series, oldest first, for the pace
    // forecast; none when unset.
    std::function<QList<UsageSample>(const QString& owner, const QString& windowId)> samples;
};

// The account the tray shows: the one "trayAccount" names (the first when it names none
// of them), or for "highest" the one whose shown figure is nearest its limit; an account
// with figures wins over one without. -1 for an empty list.
qsizetype chooseTrayAccount(const QList<TrayAccount>& accounts, const QString& trayAccount,
                            const QString& metric);

TrayPresentation presentTray(const TrayInput& input);
