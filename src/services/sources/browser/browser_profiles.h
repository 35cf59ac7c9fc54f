#pragma once

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

    // As the user knows them: "Firefox", "default-release".
    QString browser;
    QString profile;
    QString directory;
    Family family = Family::Firefox;
    // Chromium family: the names its Safe Storage item may carry in the Secret Service.
    QStringList keyringApplications;
};

namespace BrowserProfiles {

// Every profile of every known browser, browser by browser in a fixed order.
QList<BrowserProfile> find(const BrowserLocations& locations);

// The names of every browser that is looked for, for telling the user.
QStringList knownBrowsers();

} // namespace BrowserProfiles
