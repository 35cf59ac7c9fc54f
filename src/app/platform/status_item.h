#pragma once

#include "models/tray_presentation.h"

#include <QDBusConnection>
#include <QIcon>
#include <QObject>
#include <QRect>
#include <QSystemTrayIcon>

class StatusNotifierAdaptor;

// The program's one tray item. A StatusNotifierItem while a StatusNotifierWatcher owns
// its name (registering again whenever the name reappears), otherwise the XEmbed tray
// through QSystemTrayIcon where one exists.
class StatusItem : public QObject {
    Q_OBJECT

public:
    enum class Backend { StatusNotifier, XEmbed, None };
    Q_ENUM(Backend)

    explicit StatusItem(const QDBusConnection& bus = QDBusConnection::sessionBus(),
                        QObject* parent = nullptr);

    // Shows the presentation: the icon it asks for (the fallback icon on an XEmbed tray),
    // the label and the tooltip. Redraws only what changed.
    void setPresentation(const TrayPresentation& presentation);
    const TrayPresentation& presentation() const { return m_presentation; }
    Backend backend() const { return m_backend; }
    // Where the item is, as far as is known: the XEmbed icon's geometry, or the point of
    // the last click a host reported; empty while neither is known.
    QRect anchor() const;

Q_SIGNALS:
    // The user clicked the item: a 1x1 rect at the click point the host gave, the XEmbed
    // icon's geometry, or an empty QRect when the point is unknown (hosts may pass 0,0 on
    // Wayland).
    void activated(const QRect& anchor);
    void backendChanged(StatusItem::Backend backend);
    // "Quit Gaugery" in the item's menu.
    void quitRequested();

private:
    void onWatcherOwnerChanged(const QString& newOwner);
    void registerWithWatcher();
    void useStatusNotifier();
    void useFallback();
    void onTrayActivated(QSystemTrayIcon::ActivationReason reason);
    void setBackend(Backend backend);
    QIcon fallbackIcon() const;
    QString plainToolTip() const;

    QDBusConnection m_bus;
    TrayPresentation m_presentation;
    QRect m_lastClick;
    StatusNotifierAdaptor* m_adaptor = nullptr;
    bool m_exported = false;
    bool m_watcherPresent = false;
    // Tells a stale registration reply from the one for the watcher now present.
    int m_registration = 0;
    // Created only while no watcher exists: Qt decides once per process, at the first
    // tray query, whether QSystemTrayIcon is an XEmbed icon or a second D-Bus item.
    QSystemTrayIcon* m_trayIcon = nullptr;
    Backend m_backend = Backend::None;
};
