#include "services/sources/browser/browser_profiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <map>

namespace {

struct FirefoxFamilyBrowser {
    const char* name;
    const char* folder;
};

// Relative to the home folder.
constexpr FirefoxFamilyBrowser firefoxFamily[] = {
    {"Firefox", ".mozilla/firefox"},
    {"Firefox (Snap)", "snap/firefox/common/.mozilla/firefox"},
    {"Firefox (Flatpak)", ".var/app/org.mozilla.firefox/.mozilla/firefox"},
    {"LibreWolf", ".librewolf"},
};

struct ChromiumFamilyBrowser {
    const char* name;
    // Relative to the configuration folder.
    const char* folder;
    // The browser's own name first; the others are names forks have been seen to keep.
    std::initializer_list<const char*> keyringApplications;
    // The names its KWallet entries may carry; the forks without names of their own keep
    // Chromium's or Chrome's.
    std::initializer_list<const char*> kwalletNames;
};

const ChromiumFamilyBrowser chromiumFamily[] = {
    {"Chromium", "chromium", {"chromium"}, {"Chromium"}},
    {"Google Chrome", "google-chrome", {"chrome"}, {"Chrome"}},
    {"Brave", "BraveSoftware/Brave-Browser", {"brave", "chromium"}, {"Brave", "Chromium"}},
    {"Microsoft Edge", "microsoft-edge", {"microsoft-edge", "chromium"}, {"Chromium"}},
    {"Vivaldi", "vivaldi", {"vivaldi", "chrome"}, {"Chrome"}},
    {"Opera", "opera", {"opera", "chromium"}, {"Chromium"}},
};

// The desktop app (an Electron program) keeps one Chromium cookie store at the top of
// its data folder, and its key under its own program name, whose keyring attribute is
// not known: the item is found by its label.
const QString desktopAppFolder = QStringLiteral("Claude");
const QString desktopAppProgram = QStringLiteral("Claude");

QStringList namesOf(std::initializer_list<const char*> names)
{
    QStringList list;
    for (const char* name : names)
        list.append(QLatin1String(name));
    return list;
}

using IniSections = std::map<QString, std::map<QString, QString>>;

// By hand: QSettings would split values at commas and undo backslashes, which
// profiles.ini does not mean.
IniSections readIni(const QString& path)
{
    IniSections sections;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return sections;
    QString section;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            section = line.mid(1, line.size() - 2);
        } else if (const qsizetype equals = line.indexOf(QLatin1Char('=')); equals > 0) {
            sections[section][line.left(equals).trimmed()] = line.mid(equals + 1).trimmed();
        }
    }
    return sections;
}

void addFirefoxProfiles(const QString& browser, const QDir& root, QList<BrowserProfile>& profiles)
{
    for (const auto& [section, keys] : readIni(root.filePath(QStringLiteral("profiles.ini")))) {
        const auto path = keys.find(QStringLiteral("Path"));
        if (!section.startsWith(QLatin1String("Profile")) || path == keys.end())
            continue;
        const auto relative = keys.find(QStringLiteral("IsRelative"));
        const bool isRelative = relative == keys.end() || relative->second != QLatin1String("0");
        const QString directory = isRelative ? root.filePath(path->second) : path->second;
        const auto name = keys.find(QStringLiteral("Name"));
        profiles.append({browser,
                         name != keys.end() ? name->second : path->second,
                         QDir::cleanPath(directory),
                         BrowserProfile::Family::Firefox,
                         {}});
    }
}

bool hasCookieDatabase(const QDir& profile)
{
    return QFileInfo(profile.filePath(QStringLiteral("Network/Cookies"))).isFile() ||
           QFileInfo(profile.filePath(QStringLiteral("Cookies"))).isFile();
}

void addChromiumProfiles(const ChromiumFamilyBrowser& browser, const QDir& root,
                         QList<BrowserProfile>& profiles)
{
    const SafeStorageItem item{
        namesOf(browser.keyringApplications), {}, namesOf(browser.kwalletNames)};
    const QString name = QLatin1String(browser.name);
    // Opera keeps its one profile in the folder itself.
    if (hasCookieDatabase(root))
        profiles.append(
            {name, root.dirName(), root.path(), BrowserProfile::Family::Chromium, item});
    QStringList folders = root.entryList({QStringLiteral("Profile *")}, QDir::Dirs);
    std::sort(folders.begin(), folders.end(), [](const QString& a, const QString& b) {
        return a.mid(8).toInt() < b.mid(8).toInt();
    });
    folders.prepend(QStringLiteral("Default"));
    for (const QString& folder : folders) {
        const QDir profile(root.filePath(folder));
        if (hasCookieDatabase(profile))
            profiles.append({name, folder, profile.path(), BrowserProfile::Family::Chromium, item});
    }
}

} // namespace

BrowserLocations BrowserLocations::fromEnvironment()
{
    const QString home = QDir::homePath();
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    return {home, config.isEmpty() ? QDir(home).filePath(QStringLiteral(".config")) : config};
}

QList<BrowserProfile> BrowserProfiles::find(const BrowserLocations& locations)
{
    QList<BrowserProfile> profiles;
    const QDir home(locations.home);
    for (const FirefoxFamilyBrowser& browser : firefoxFamily)
        addFirefoxProfiles(QLatin1String(browser.name),
                           QDir(home.filePath(QLatin1String(browser.folder))), profiles);
    const QDir config(locations.configHome);
    for (const ChromiumFamilyBrowser& browser : chromiumFamily)
        addChromiumProfiles(browser, QDir(config.filePath(QLatin1String(browser.folder))),
                            profiles);
    const QDir app(config.filePath(desktopAppFolder));
    if (hasCookieDatabase(app)) {
        const QString label = desktopAppProgram + QStringLiteral(" Safe Storage");
        profiles.append({desktopAppName, QString(), app.path(), BrowserProfile::Family::Chromium,
                         SafeStorageItem{{}, label, {desktopAppProgram}}, true});
    }
    return profiles;
}

QStringList BrowserProfiles::knownBrowsers()
{
    return {QStringLiteral("Firefox"),
            QStringLiteral("LibreWolf"),
            QStringLiteral("Chromium"),
            QStringLiteral("Google Chrome"),
            QStringLiteral("Brave"),
            QStringLiteral("Microsoft Edge"),
            QStringLiteral("Vivaldi"),
            QStringLiteral("Opera"),
            desktopAppName};
}
