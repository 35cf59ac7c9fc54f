#include "services/sources/browser/browser_cookie_import.h"

#include "services/fetch/request_builder.h"
#include "services/sources/browser/chromium_cookie_reader.h"
#include "services/sources/browser/firefox_cookie_reader.h"

#include <QCoreApplication>
#include <QHostAddress>

#include <algorithm>
#include <map>

namespace {

// The context this file's texts are translated in.
class Texts {
    Q_DECLARE_TR_FUNCTIONS(BrowserCookieImport)
};

const QString serviceName = QStringLiteral("Claude");

QString listed(const QStringList& names)
{
    return names.join(QLatin1String(", "));
}

// Where a session was read: the browser and its profile, or a program without profiles.
QString placeOf(const QString& browser, const QString& profile)
{
    return profile.isEmpty() ? browser : Texts::tr("%1, profile %2").arg(browser, profile);
}

} // namespace

QString ImportedSession::cookieText() const
{
    return QString::fromLatin1(header);
}

QString ImportedSession::source() const
{
    return placeOf(browser, profile);
}

QString ImportProblem::text() const
{
    const QString where = placeOf(browser, profile);
    switch (kind) {
    case CookieReadProblem::DriverMissing:
        return Texts::tr("%1: cannot read cookie databases without Qt's SQLite driver.").arg(where);
    case CookieReadProblem::Unreadable:
        return Texts::tr("%1: the cookie database could not be read.").arg(where);
    case CookieReadProblem::UnknownLayout:
        return Texts::tr("%1: the cookie database has a layout Gaugery does not know.").arg(where);
    case CookieReadProblem::Expired:
        return Texts::tr("%1: the session has expired.").arg(where);
    case CookieReadProblem::KeyMissing:
        return Texts::tr("%1: the Secret Service holds no cookie key for %2.").arg(where, browser);
    case CookieReadProblem::KeyMissingInKWallet:
        return Texts::tr("%1: neither the Secret Service nor KWallet holds a cookie key for %2.")
            .arg(where, browser);
    case CookieReadProblem::KeyUnreachable:
        return Texts::tr("%1: the Secret Service did not give the cookie key of %2.")
            .arg(where, browser);
    case CookieReadProblem::KWalletRefused:
        return Texts::tr("%1: KWallet refused to open the wallet that holds the cookie key of "
                         "%2.")
            .arg(where, browser);
    case CookieReadProblem::KWalletUnreachable:
        return Texts::tr("%1: KWallet did not give the cookie key of %2.").arg(where, browser);
    case CookieReadProblem::NotDecrypted:
        return Texts::tr("%1: the session cookie could not be decrypted.").arg(where);
    case CookieReadProblem::NotACookieValue:
        return Texts::tr("%1: the session cookie is not a valid cookie value.").arg(where);
    }
    return where;
}

QString BrowserImportResult::message() const
{
    if (sessions.size() == 1)
        return Texts::tr("Found in %1.").arg(sessions.first().source());
    if (sessions.size() > 1)
        return Texts::tr("Signed-in sessions found in %1 browser profiles; choose one:")
            .arg(sessions.size());
    QStringList lines;
    if (browsers.isEmpty()) {
        lines.append(Texts::tr("No browser profile found (looked for %1).")
                         .arg(listed(BrowserProfiles::knownBrowsers())));
    } else {
        lines.append(Texts::tr("No signed-in session found in %1. Sign in to %2 in your "
                               "browser, then try again.")
                         .arg(listed(browsers), serviceName));
    }
    for (const ImportProblem& problem : problems)
        lines.append(problem.text());
    // One line for a browser whose every profile has the same trouble with its key.
    lines.removeDuplicates();
    return lines.join(QLatin1Char('\n'));
}

BrowserCookieImport::BrowserCookieImport(const QUrl& origin, BrowserLocations locations,
                                         SafeStorageLookup safeStorage)
    // Both of the program's requests go to this path or below it, so every cookie sent
    // to it goes with each of them.
    : m_request{cookieHosts(origin), RequestBuilder(origin, {}).organizationsUrl().path().toUtf8()},
      m_locations(std::move(locations)), m_safeStorage(std::move(safeStorage))
{
}

QStringList BrowserCookieImport::cookieHosts(const QUrl& origin)
{
    const QString host = origin.host();
    if (host.isEmpty())
        return {};
    QStringList hosts{host};
    if (!QHostAddress(host).isNull())
        return hosts;
    QStringList labels = host.split(QLatin1Char('.'));
    // No cookie is set on a top-level domain.
    while (labels.size() >= 2) {
        hosts.append(QLatin1Char('.') + labels.join(QLatin1Char('.')));
        labels.removeFirst();
    }
    return hosts;
}

BrowserImportResult BrowserCookieImport::run(const QDateTime& now) const
{
    BrowserImportResult result;
    // One keyring question per browser, only once a value needs it.
    std::map<QString, SafeStorageKey> keys;
    for (const BrowserProfile& profile : BrowserProfiles::find(m_locations)) {
        if (!result.browsers.contains(profile.browser))
            result.browsers.append(profile.browser);
        ProfileReading reading;
        if (profile.family == BrowserProfile::Family::Firefox) {
            reading = FirefoxCookieReader::read(profile.directory, m_request, now);
        } else {
            const auto passwords = [&] {
                const auto known = keys.find(profile.browser);
                if (known != keys.end())
                    return known->second;
                const SafeStorageKey key =
                    m_safeStorage ? m_safeStorage(profile.keyringItem) : SafeStorageKey{};
                return keys.emplace(profile.browser, key).first->second;
            };
            reading = ChromiumCookieReader::read(
                ChromiumCookieReader::databasePath(profile.directory), m_request, now, passwords);
        }
        if (reading.session) {
            result.sessions.append({profile.browser, profile.profile, reading.session->header,
                                    reading.session->organizationId, reading.session->lastUsed,
                                    profile.isDesktopApp});
        } else if (reading.problem) {
            result.problems.append({profile.browser, profile.profile, *reading.problem});
        }
    }
    std::stable_sort(
        result.sessions.begin(), result.sessions.end(),
        [](const ImportedSession& a, const ImportedSession& b) { return a.lastUsed > b.lastUsed; });
    return result;
}
