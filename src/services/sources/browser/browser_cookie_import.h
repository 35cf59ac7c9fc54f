#pragma once

#include "services/sources/browser/browser_cookie_reading.h"
#include "services/sources/browser/browser_profiles.h"
#include "services/sources/browser/browser_safe_storage.h"

#include <QUrl>

#include <functional>

// A session found in one browser profile. The header is secret: never print, log or
// show it; it goes only into the cookie editor.
struct ImportedSession {
    QString browser;
    QString profile;
    // The Cookie header the browser would send to the usage API.
    QByteArray header;
    std::optional<QString> organizationId;
    QDateTime lastUsed;
    // Read from the service's desktop app rather than a browser.
    bool fromDesktopApp = false;

    // What the cookie editor receives.
    QString cookieText() const;
    // "Firefox, profile default-release", or "Claude Desktop"
    QString source() const;
};

struct ImportProblem {
    QString browser;
    QString profile;
    CookieReadProblem kind;

    QString text() const;
};

struct BrowserImportResult {
    // Most recently used first.
    QList<ImportedSession> sessions;
    QList<ImportProblem> problems;
    // Browsers with at least one profile, in the order they were looked in.
    QStringList browsers;

    // What to tell the user: where the one session came from, that there is a choice, or
    // why there is none.
    QString message() const;
};

using BrowserImportFunction = std::function<BrowserImportResult()>;

// Looks for the service's session in every browser profile of the user. Reads files and
// may wait on the keyring or KWallet: run it off the GUI thread.
class BrowserCookieImport {
public:
    BrowserCookieImport(const QUrl& origin, BrowserLocations locations,
                        SafeStorageLookup safeStorage = &BrowserSafeStorage::lookup);

    BrowserImportResult run(const QDateTime& now = QDateTime::currentDateTimeUtc()) const;

    // The cookie hosts that reach the origin: its host, and the host and each parent
    // domain with a leading dot.
    static QStringList cookieHosts(const QUrl& origin);

private:
    CookieRequest m_request;
    BrowserLocations m_locations;
    SafeStorageLookup m_safeStorage;
};
