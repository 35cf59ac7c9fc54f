#pragma once

#include <QList>
#include <QString>

// One account Gaugery watches: a browser session with the organization chosen, or the
// Claude Code sign-in of one configuration folder, under a name the user can change.
struct Account {
    enum class Source { cookie, claudeCode };

    QString id;
    QString name;
    Source source = Source::cookie;
    // The organization a browser session reads; empty: the first the service lists.
    QString organizationId;
    // Where the browser session was imported from: Accounts::desktopAppOrigin, or empty
    // for a browser or a pasted cookie.
    QString cookieOrigin = {};
    // The configuration folder whose Claude Code sign-in the account reads; empty: the
    // default one ($CLAUDE_CONFIG_DIR as set at start, else ~/.claude).
    QString claudeCodeFolder = {};

    bool operator==(const Account&) const = default;
};

namespace Accounts {

// The first account, whose cookie is the keyring item of before there were accounts and
// whose source and organization are still the "usageSource" and "organizationId" settings.
inline const QString defaultId = QStringLiteral("default");
// The "cookieOrigin" of a session read from the service's desktop app.
inline const QString desktopAppOrigin = QStringLiteral("desktopApp");
// The "trayAccount" value that shows the highest figure of every account.
inline const QString highestOfAll = QStringLiteral("highest");

// "cookie" and "claudeCode", as the accounts list keeps them.
QString sourceName(Account::Source source);
Account::Source sourceOf(const QString& name);

// "accountN" with N above `handedOut` (the highest number ever given) and above every
// number in the list: an id is never given twice, so nothing left behind by a removed
// account (a keyring item, the tray's choice, a status bar's) reaches a new one.
QString newId(const QList<Account>& accounts, qint64 handedOut);
// N of "accountN"; 0 for any other id, and for numbers no count of accounts reaches.
qint64 idNumber(const QString& id);
// "Account 2" for the second, and so on: a name no account has yet.
QString newName(const QList<Account>& accounts);
// Why no account can be added to a list of `most`.
QString listFull(int most);

} // namespace Accounts
