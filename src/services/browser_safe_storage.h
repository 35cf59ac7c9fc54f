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
        // No item in the Secret Service.
        Missing,
        // No item in the Secret Service, and the desktop keeps browser keys in KWallet.
        InKWallet,
        // The Secret Service did not answer in time, or refused.
        Unreachable,
    };

    Status status = Status::Missing;
    // Every matching item's secret, the newest schema's first.
    QList<QByteArray> passwords;
};

// Looks up the item of a browser known to the Secret Service under these application
// names; blocks, so call it off the GUI thread.
using SafeStorageLookup = std::function<SafeStorageKey(const QStringList& applications)>;

namespace BrowserSafeStorage {

// Through a private Secret Service connection on the calling thread, bounded by a
// deadline so that an unlock prompt nobody answers cannot hold it forever.
SafeStorageKey lookup(const QStringList& applications);

} // namespace BrowserSafeStorage
