#include "app/platform/global_hotkey.h"

#include "app/platform/portal_hotkey.h"
#include "app/platform/session_check.h"
#include "app/platform/x11_hotkey.h"

#include <QDBusConnection>
#include <QGuiApplication>

std::unique_ptr<GlobalHotkey> GlobalHotkey::install(QObject* parent)
{
    if (!qGuiApp)
        return nullptr;
    // The offscreen platform can hold an X connection too; only xcb's windows take input.
    if (QGuiApplication::platformName() == QLatin1String("xcb") &&
        qGuiApp->nativeInterface<QNativeInterface::QX11Application>())
        return std::make_unique<X11Hotkey>(parent);
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (SessionCheck::isWayland() && bus.isConnected())
        return std::make_unique<PortalHotkey>(bus, parent);
    return nullptr;
}

void GlobalHotkey::activateLater()
{
    QMetaObject::invokeMethod(this, &GlobalHotkey::activated, Qt::QueuedConnection);
}
