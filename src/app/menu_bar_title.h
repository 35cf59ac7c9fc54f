#pragma once

#include "models/usage_data.h"

#include <QString>

#include <optional>

// What the tray item shows: the sparkle at a point size, the figure as a label and a
// tooltip that names the figure.
struct MenuBarTitle {
    static constexpr int bareSymbolSize = 12;
    static constexpr int figureSymbolSize = 11;

    int symbolPointSize = bareSymbolSize;
    // One space, the whole percentage and "%"; absent without a snapshot.
    std::optional<QString> text;
    QString toolTip;

    bool operator==(const MenuBarTitle&) const = default;
};

// The title for a snapshot and the "menuBarMetric" setting: "weekly" and "sonnet" pick
// those figures, any other value the session figure.
MenuBarTitle menuBarTitle(const std::optional<UsageData>& usage, const QString& metric);
