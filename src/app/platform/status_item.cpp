#include "app/platform/status_item.h"

#include "app/platform/status_notifier_adaptor.h"
#include "app/platform/tray_icon_art.h"
#include "app/platform/tray_menu.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QTextDocument>

namespace {

const QString watcherService = QStringLiteral("org.kde.StatusNotifierWatcher");

QList<SniPixmap> sniPixmaps(const QList<QImage>& images)
{
    QList<SniPixmap> pixmaps;
    for (const QImage& image : images)
        pixmaps.append(sniPixmap(image));
    return pixmaps;
}

} // namespace

StatusItem::StatusItem(const QDBusConnection& bus, QObject* parent)
    : QObject(parent), m_bus(bus), m_presentation(presentTray({}))
{
    // Before the first update: it may already emit signals carrying pixmaps.
    registerSniTypes();
    m_adaptor = new StatusNotifierAdaptor(this, m_bus, [this](const QRect& anchor) {
        if (!anchor.isEmpty())
            m_lastClick = anchor;
        Q_EMIT activated(anchor);
    });
    m_adaptor->update(sniPixmaps(TrayIconArt::renderAll(m_presentation.icon)),
                      m_presentation.toolTip, m_presentation.label,
                      m_presentation.accessibleDescription);

    TrayMenu::registerTypes();
    auto* menu = new QObject(this);
    auto* entries = new TrayMenu(menu);
    // Opened from the menu, the item's position is whatever is known of it.
    connect(entries, &TrayMenu::openRequested, this, [this] { Q_EMIT activated(QRect()); });
    connect(entries, &TrayMenu::quitRequested, this, &StatusItem::quitRequested);
    m_exported =
        m_bus.isConnected() &&
        m_bus.registerObject(TrayMenu::objectPath(), menu, QDBusConnection::ExportAdaptors) &&
        m_bus.registerObject(StatusNotifierAdaptor::objectPath(), this,
                             QDBusConnection::ExportAdaptors);

    auto* watcher = new QDBusServiceWatcher(watcherService, m_bus,
                                            QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& newOwner) {
                onWatcherOwnerChanged(newOwner);
            });

    const bool present =
        m_bus.isConnected() && m_bus.interface()->isServiceRegistered(watcherService).value();
    onWatcherOwnerChanged(present ? watcherService : QString());
}

void StatusItem::setPresentation(const TrayPresentation& presentation)
{
    if (presentation == m_presentation)
        return;
    const bool iconChanged = presentation.icon != m_presentation.icon;
    const bool fallbackChanged = presentation.fallbackIcon != m_presentation.fallbackIcon;
    m_presentation = presentation;

    // Drawing happens only here, when what the icon shows has changed.
    const QList<SniPixmap> pixmaps = iconChanged
                                         ? sniPixmaps(TrayIconArt::renderAll(m_presentation.icon))
                                         : m_adaptor->iconPixmap();
    m_adaptor->update(pixmaps, m_presentation.toolTip, m_presentation.label,
                      m_presentation.accessibleDescription);

    // The XEmbed icon is drawn only once it exists: most sessions never have one.
    if (m_trayIcon) {
        if (fallbackChanged)
            m_trayIcon->setIcon(fallbackIcon());
        m_trayIcon->setToolTip(plainToolTip());
    }
}

QRect StatusItem::anchor() const
{
    if (m_backend == Backend::XEmbed && !m_trayIcon->geometry().isEmpty())
        return m_trayIcon->geometry();
    return m_lastClick;
}

QString StatusItem::plainToolTip() const
{
    // Qt's tooltip guesses rich text from the text itself; a name the service sends must
    // never become markup.
    return Qt::convertFromPlainText(m_presentation.toolTip, Qt::WhiteSpaceNormal);
}

QIcon StatusItem::fallbackIcon() const
{
    return TrayIconArt::icon(TrayIconArt::renderAll(m_presentation.fallbackIcon));
}

void StatusItem::onWatcherOwnerChanged(const QString& newOwner)
{
    m_watcherPresent = !newOwner.isEmpty();
    if (m_watcherPresent && m_exported) {
        useStatusNotifier();
        registerWithWatcher();
    } else {
        useFallback();
    }
}

void StatusItem::registerWithWatcher()
{
    const int registration = ++m_registration;
    QDBusMessage call = QDBusMessage::createMethodCall(
        watcherService, QStringLiteral("/StatusNotifierWatcher"), watcherService,
        QStringLiteral("RegisterStatusNotifierItem"));
    // By path: the watcher pairs it with our unique name, which works in a sandbox too.
    call << StatusNotifierAdaptor::objectPath();
    auto* pending = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this, registration](QDBusPendingCallWatcher* reply) {
                reply->deleteLater();
                if (reply->isError() && registration == m_registration)
                    useFallback();
            });
}

void StatusItem::useStatusNotifier()
{
    if (m_trayIcon)
        m_trayIcon->hide();
    setBackend(Backend::StatusNotifier);
}

void StatusItem::useFallback()
{
    // Before the icon exists, asking Qt while a watcher (one that refused us) is present
    // would make Qt settle on a D-Bus icon of its own for the rest of the process.
    const bool trayAvailable =
        (m_trayIcon || !m_watcherPresent) && QSystemTrayIcon::isSystemTrayAvailable();
    if (!trayAvailable) {
        if (m_trayIcon)
            m_trayIcon->hide();
        setBackend(Backend::None);
        return;
    }
    if (!m_trayIcon) {
        m_trayIcon = new QSystemTrayIcon(fallbackIcon(), this);
        m_trayIcon->setToolTip(plainToolTip());
        connect(m_trayIcon, &QSystemTrayIcon::activated, this, &StatusItem::onTrayActivated);
    }
    m_trayIcon->show();
    setBackend(Backend::XEmbed);
}

void StatusItem::onTrayActivated(QSystemTrayIcon::ActivationReason reason)
{
    // A double click also delivers its first press as Trigger; the middle button is unused.
    if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::Context)
        Q_EMIT activated(m_trayIcon->geometry());
}

void StatusItem::setBackend(Backend backend)
{
    if (backend == m_backend)
        return;
    m_backend = backend;
    Q_EMIT backendChanged(m_backend);
}
