#include "services/sources/browser/kwallet_passwords.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>

#include <optional>

namespace {

// Who asks, as KWallet's prompts and its lists of allowed and denied programs show it.
const QString applicationId = QStringLiteral("Gaugery");

struct Daemon {
    const char* service;
    const char* path;
};

// Plasma 6's daemon first; it answers under the older name too.
constexpr Daemon daemons[] = {
    {"org.kde.kwalletd6", "/modules/kwalletd6"},
    {"org.kde.kwalletd5", "/modules/kwalletd5"},
};

// Closing the wallet this opened is worth a moment even after the deadline.
constexpr int closeTimeoutMs = 2'000;

class Wallet {
public:
    Wallet(const Daemon& daemon, bool start) : m_daemon(daemon), m_start(start) {}

    // The reply's first value; nothing on an error or once the time is up.
    std::optional<QVariant> call(const char* method, const QVariantList& arguments,
                                 QDeadlineTimer deadline) const
    {
        const qint64 remaining = deadline.remainingTime();
        if (remaining <= 0)
            return std::nullopt;
        QDBusMessage message = QDBusMessage::createMethodCall(
            QLatin1String(m_daemon.service), QLatin1String(m_daemon.path),
            QStringLiteral("org.kde.KWallet"), QLatin1String(method));
        message.setArguments(arguments);
        // Never start a daemon the desktop does not use: it would greet with its wizard.
        message.setAutoStartService(m_start);
        const QDBusMessage reply =
            QDBusConnection::sessionBus().call(message, QDBus::Block, int(remaining));
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            return std::nullopt;
        return reply.arguments().first();
    }

private:
    const Daemon& m_daemon;
    const bool m_start;
};

// The daemon that runs, else on a KDE desktop the one the bus would start.
std::optional<Wallet> findWallet()
{
    const QDBusConnection bus = QDBusConnection::sessionBus();
    const QDBusConnectionInterface* names = bus.isConnected() ? bus.interface() : nullptr;
    if (!names)
        return std::nullopt;
    for (const Daemon& daemon : daemons) {
        if (names->isServiceRegistered(QLatin1String(daemon.service)).value())
            return Wallet(daemon, false);
    }
    if (!KWalletPasswords::isKdeDesktop())
        return std::nullopt;
    const QStringList startable = names->activatableServiceNames().value();
    for (const Daemon& daemon : daemons) {
        if (startable.contains(QLatin1String(daemon.service)))
            return Wallet(daemon, true);
    }
    return std::nullopt;
}

} // namespace

bool KWalletPasswords::isKdeDesktop()
{
    return qEnvironmentVariable("XDG_CURRENT_DESKTOP")
        .split(QLatin1Char(':'))
        .contains(QLatin1String("KDE"), Qt::CaseInsensitive);
}

KWalletPasswords::Answer KWalletPasswords::lookup(const QStringList& names, QDeadlineTimer deadline)
{
    Answer answer;
    const std::optional<Wallet> wallet = findWallet();
    if (!wallet)
        return answer;
    answer.status = Answer::Status::Unreachable;
    const auto name = wallet->call("networkWallet", {}, deadline);
    const auto handle =
        name ? wallet->call("open", {name->toString(), qlonglong(0), applicationId}, deadline)
             : std::nullopt;
    if (!handle)
        return answer;
    if (handle->toInt() < 0) {
        answer.status = Answer::Status::Refused;
        return answer;
    }

    bool failed = false;
    for (const QString& name : names) {
        const auto password = wallet->call("readPassword",
                                           {*handle, name + QStringLiteral(" Keys"),
                                            name + QStringLiteral(" Safe Storage"), applicationId},
                                           deadline);
        failed = failed || !password;
        if (password && !password->toString().isEmpty())
            answer.passwords.append(password->toString().toUtf8());
    }
    wallet->call("close", {*handle, false, applicationId}, QDeadlineTimer(closeTimeoutMs));

    if (!answer.passwords.isEmpty())
        answer.status = Answer::Status::Found;
    else if (!failed)
        answer.status = Answer::Status::Missing;
    return answer;
}
