#pragma once

#include "services/sources/browser/browser_safe_storage.h"

#include <QList>
#include <QString>
#include <QStringList>

// Where browsers keep their profiles on this desktop.
struct BrowserLocations {
    QString home;
    // $XDG_CONFIG_HOME, or ~/.config.
    QString configHome;

    static BrowserLocations fromEnvironment();
};

struct BrowserProfile {
    enum class Family { Firefox, Chromium };

    // As the user knows them: "Firefox", "default-release"; the desktop app has no
    // profiles, and an empty profile name.
    QString browser;
    QString profile;
    QString directory;
    Family family = Family::Firefox;
    // Chromium family: where its Safe Storage password is kept.
    SafeStorageItem keyringItem;
    // The service's own desktop app rather than a browser.
    bool isDesktopApp = false;
};

namespace BrowserProfiles {

// The service's desktop app, as the user knows it.
inline const QString desktopAppName = QStringLiteral("Claude Desktop");

// Every profile of every known browser, browser by browser in a fixed order, then the
// service's desktop app.
QList<BrowserProfile> find(const BrowserLocations& locations);

// The names of every browser that is looked for, for telling the user.
QStringList knownBrowsers();

} // namespace BrowserProfiles
