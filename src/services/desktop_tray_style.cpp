#include "services/desktop_tray_style.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QRegularExpression>

namespace {

QString currentDesktop()
{
    return qEnvironmentVariable("XDG_CURRENT_DESKTOP");
}

int askGnomeShell()
{
    const QStringList desktops = currentDesktop().toLower().split(QLatin1Char(':'));
    if (!desktops.contains(QLatin1String("gnome")) && !desktops.contains(QLatin1String("ubuntu")))
        return 0;
    QDBusMessage get = QDBusMessage::createMethodCall(
        QStringLiteral("org.gnome.Shell"), QStringLiteral("/org/gnome/Shell"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QStringLiteral("org.gnome.Shell") << QStringLiteral("ShellVersion");
    get.setAutoStartService(false);
    // The shell answers at once; one that does not must not hold up the start.
    constexpr int answerMs = 500;
    const QDBusMessage reply = QDBusConnection::sessionBus().call(get, QDBus::Block, answerMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return 0;
    const QString version = reply.arguments().first().value<QDBusVariant>().variant().toString();
    static const QRegularExpression major(QStringLiteral("^(\\d{1,4})\\."));
    const QRegularExpressionMatch match = major.match(version);
    return match.hasMatch() ? match.captured(1).toInt() : 0;
}

} // namespace

namespace DesktopTrayStyle {

int gnomeShellMajor()
{
    // Asked again until the shell answers: at login Gaugery may be up before it is.
    static int known = 0;
    if (known == 0)
        known = askGnomeShell();
    return known;
}

TrayStyle chosen(const QString& setting)
{
    // The shell is asked only when nothing is stored.
    if (const std::optional<TrayStyle> stored = TrayStyles::fromSetting(setting))
        return *stored;
    return TrayStyles::defaultFor(currentDesktop(), gnomeShellMajor());
}

} // namespace DesktopTrayStyle
