#include "app/platform/portal_hotkey.h"

#include "build_config.h"
#include "models/shortcut_keys.h"

#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString shortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");
const QString appId = QString::fromLatin1(BuildConfig::appId);

// Portals hand out object paths in a{sv} results as 's' or as 'o'.
QString pathValue(const QVariant& value)
{
    if (value.metaType() == QMetaType::fromType<QDBusObjectPath>())
        return value.value<QDBusObjectPath>().path();
    return value.toString();
}

} // namespace

QString PortalHotkey::requestPath(const QString& uniqueName, const QString& token)
{
    QString sender = uniqueName;
    if (sender.startsWith(QLatin1Char(':')))
        sender.remove(0, 1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return portalPath + QLatin1String("/request/") + sender + QLatin1Char('/') + token;
}

PortalShortcutList PortalHotkey::shortcuts()
{
    return {{shortcutId,
             {{QStringLiteral("description"), tr("Open the Gaugery dashboard")},
              {QStringLiteral("preferred_trigger"), ShortcutKeys::portalTrigger()}}}};
}

PortalHotkey::PortalHotkey(const QDBusConnection& bus, QObject* parent)
    : GlobalHotkey(parent), m_bus(bus)
{
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<PortalShortcutList>();

    // Unsandboxed programs name themselves first; older portals lack the registry, which
    // is no reason to stop.
    QDBusMessage reg = QDBusMessage::createMethodCall(
        portalService, portalPath, QStringLiteral("org.freedesktop.host.portal.Registry"),
        QStringLiteral("Register"));
    reg << appId << QVariantMap();
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(reg), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](auto* done) {
        done->deleteLater();
        createSession();
    });
}

PortalHotkey::~PortalHotkey()
{
    if (!m_session.isEmpty()) {
        m_bus.call(QDBusMessage::createMethodCall(portalService, m_session,
                                                  QStringLiteral("org.freedesktop.portal.Session"),
                                                  QStringLiteral("Close")),
                   QDBus::NoBlock);
    }
}

void PortalHotkey::createSession()
{
    const QString token = nextToken();
    QDBusMessage call = portalCall(shortcutsInterface, QStringLiteral("CreateSession"));
    call << QVariantMap{{QStringLiteral("handle_token"), token},
                        {QStringLiteral("session_handle_token"), nextToken()}};
    request(call, token, SLOT(onSessionCreated(uint, QVariantMap)));
}

void PortalHotkey::onSessionCreated(uint code, const QVariantMap& results)
{
    unsubscribeResponse(m_pendingRequest, SLOT(onSessionCreated(uint, QVariantMap)));
    m_pendingRequest.clear();
    const QString session = pathValue(results.value(QStringLiteral("session_handle")));
    if (code != 0 || session.isEmpty() || !m_session.isEmpty())
        return;
    m_session = session;
    m_bus.connect(portalService, portalPath, shortcutsInterface, QStringLiteral("Activated"), this,
                  SLOT(onActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
    bindShortcuts();
}

void PortalHotkey::bindShortcuts()
{
    // The portal accepts one BindShortcuts per session.
    if (m_bindRequested)
        return;
    m_bindRequested = true;
    const QString token = nextToken();
    QDBusMessage call = portalCall(shortcutsInterface, QStringLiteral("BindShortcuts"));
    call << QVariant::fromValue(QDBusObjectPath(m_session)) << QVariant::fromValue(shortcuts())
         << QString() << QVariantMap{{QStringLiteral("handle_token"), token}};
    request(call, token, SLOT(onShortcutsBound(uint, QVariantMap)));
}

void PortalHotkey::onShortcutsBound(uint, const QVariantMap&)
{
    // Whatever the desktop made of the binding, Activated tells whether it works.
    unsubscribeResponse(m_pendingRequest, SLOT(onShortcutsBound(uint, QVariantMap)));
    m_pendingRequest.clear();
}

void PortalHotkey::onActivated(const QDBusObjectPath& session, const QString& id, qulonglong,
                               const QVariantMap&)
{
    if (session.path() == m_session && id == shortcutId)
        activateLater();
}

QString PortalHotkey::nextToken()
{
    return QStringLiteral("gaugery%1").arg(++m_tokens);
}

QDBusMessage PortalHotkey::portalCall(const QString& interface, const QString& method) const
{
    return QDBusMessage::createMethodCall(portalService, portalPath, interface, method);
}

void PortalHotkey::request(const QDBusMessage& call, const QString& token, const char* slot)
{
    const QString predicted = requestPath(m_bus.baseService(), token);
    if (!subscribeResponse(predicted, slot))
        return;
    m_pendingRequest = predicted;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, slot](auto* done) {
        done->deleteLater();
        const QDBusPendingReply<QDBusObjectPath> reply = *done;
        if (reply.isError()) {
            unsubscribeResponse(m_pendingRequest, slot);
            m_pendingRequest.clear();
            return;
        }
        const QString returned = reply.value().path();
        if (returned != m_pendingRequest && !m_pendingRequest.isEmpty()) {
            unsubscribeResponse(m_pendingRequest, slot);
            m_pendingRequest = returned;
            subscribeResponse(returned, slot);
        }
    });
}

bool PortalHotkey::subscribeResponse(const QString& path, const char* slot)
{
    return m_bus.connect(portalService, path, requestInterface, QStringLiteral("Response"), this,
                         slot);
}

void PortalHotkey::unsubscribeResponse(const QString& path, const char* slot)
{
    m_bus.disconnect(portalService, path, requestInterface, QStringLiteral("Response"), this, slot);
}
