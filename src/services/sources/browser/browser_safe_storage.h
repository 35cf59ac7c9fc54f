#pragma once

#include <QByteArray>
#include <QList>
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

// Looks up the item of a browser known to the Secret Service under these application
// names; blocks, so call it off the GUI thread.
using SafeStorageLookup = std::function<SafeStorageKey(const QStringList& applications)>;

namespace BrowserSafeStorage {

// Through a private Secret Service connection on the calling thread, then, when that
// has none or the desktop is KDE, through KWallet; each bounded by a deadline so that a
// prompt nobody answers cannot hold it forever.
SafeStorageKey lookup(const QStringList& applications);

} // namespace BrowserSafeStorage
