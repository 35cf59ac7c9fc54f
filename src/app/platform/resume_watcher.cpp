#include "app/platform/resume_watcher.h"

ResumeWatcher::ResumeWatcher(const QDBusConnection& bus, QObject* parent) : QObject(parent)
{
    // Connected even before logind is up: QtDBus follows the name's owner.
    QDBusConnection connection = bus;
    if (connection.isConnected())
        connection.connect(QStringLiteral("org.freedesktop.login1"),
                           QStringLiteral("/org/freedesktop/login1"),
                           QStringLiteral("org.freedesktop.login1.Manager"),
                           QStringLiteral("PrepareForSleep"), this, SLOT(onPrepareForSleep(bool)));
}

void ResumeWatcher::onPrepareForSleep(bool sleeping)
{
    if (!sleeping)
        Q_EMIT resumed();
}
