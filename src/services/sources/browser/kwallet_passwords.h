#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QList>
#include <QStringList>

// The Safe Storage password a Chromium-family browser keeps in KWallet, which speaks its
// own D-Bus protocol (org.kde.KWallet), not the Secret Service.
namespace KWalletPasswords {

struct Answer {
    enum class Status {
        // No KWallet daemon runs and the desktop would not start one.
        NoWallet,
        Found,
        // The wallet opened and holds no entry of these names.
        Missing,
        // The daemon would not open the wallet: the user turned the prompt down or
        // denies Gaugery for good.
        Refused,
        // The daemon did not answer before the deadline, or failed.
        Unreachable,
    };

    Status status = Status::NoWallet;
    // Secret.
    QList<QByteArray> passwords;
};

// Asks the running daemon (kwalletd6, else kwalletd5), or the one a KDE desktop starts on
// demand, for the entries of these names: "Chromium" is the key "Chromium Safe Storage" in
// the folder "Chromium Keys", as Chromium's code names them. Blocking
// calls on the session bus, bounded by the deadline, which leaves room for KWallet's
// prompts: call it off the GUI thread.
Answer lookup(const QStringList& names, QDeadlineTimer deadline);

// Whether the desktop is KDE, whose browsers keep their keys in KWallet.
bool isKdeDesktop();

} // namespace KWalletPasswords
