#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// The password a Chromium-family browser keeps in the desktop's secret store ("Safe
// Storage"), from which its "v11" cookie key is derived. The passwords are secret.
struct SafeStorageKey {
    enum class Status {
        Found,
        // No item in the Secret Service, and no KWallet to ask.
        Missing,
        // Neither the Secret Service nor KWallet holds one.
        MissingInKWallet,
        // The Secret Service did not answer in time, or refused.
        Unreachable,
        // KWallet would not open its wallet.
        KWalletRefused,
        // KWallet did not answer in time, or failed.
        KWalletUnreachable,
    };

    Status status = Status::Missing;
    // Every matching item's secret, the Secret Service's first (the newest schema's
    // first), then KWallet's.
    QList<QByteArray> passwords;
};

// Where a Chromium-family program keeps its Safe Storage password.
struct SafeStorageItem {
    // The Secret Service item's "application" attribute, the program's own name first;
    // empty for a program whose attribute is not known,
    QStringList applications;
    // whose item is then found by its label ("Claude Safe Storage").
    QString label;
    // Its KWallet entries: "Chromium" is the key "Chromium Safe Storage" in the folder
    // "Chromium Keys".
    QStringList kwalletNames;
};

// Looks up the item; blocks, so call it off the GUI thread.
using SafeStorageLookup = std::function<SafeStorageKey(const SafeStorageItem& item)>;

namespace BrowserSafeStorage {

// Through a private Secret Service connection on the calling thread, then, when that
// has none or the desktop is KDE, through KWallet; each bounded by a deadline so that a
// prompt nobody answers cannot hold it forever.
SafeStorageKey lookup(const SafeStorageItem& item);

} // namespace BrowserSafeStorage
