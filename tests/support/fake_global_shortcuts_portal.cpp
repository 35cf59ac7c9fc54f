#include "fake_global_shortcuts_portal.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString shortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

QString senderElement(const QString& uniqueName)
{
    return uniqueName.mid(1).replace(QLatin1Char('.'), QLatin1Char('_'));
}

int connectionCount = 0;

} // namespace

FakeGlobalShortcutsPortal::FakeGlobalShortcutsPortal(Behaviour behaviour)
    : m_behaviour(behaviour),
      m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                          QStringLiteral("fake-portal-%1").arg(++connectionCount)))
{
    m_repeat.setInterval(20);
}

FakeGlobalShortcutsPortal::~FakeGlobalShortcutsPortal()
{
    m_bus.unregisterObject(portalPath);
    m_bus.unregisterService(portalService);
    QDBusConnection::disconnectFromBus(m_bus.name());
}

bool FakeGlobalShortcutsPortal::start()
{
    return m_bus.isConnected() && m_bus.registerVirtualObject(portalPath, this) &&
           m_bus.registerService(portalService);
}

void FakeGlobalShortcutsPortal::emitActivated(const QString& session, const QString& id)
{
    QDBusMessage signal =
        QDBusMessage::createSignal(portalPath, shortcutsInterface, QStringLiteral("Activated"));
    signal << QVariant::fromValue(QDBusObjectPath(session)) << id << qulonglong(1234)
           << QVariantMap();
    m_bus.send(signal);
}

QString FakeGlobalShortcutsPortal::introspect(const QString&) const
{
    return {};
}

bool FakeGlobalShortcutsPortal::handleMessage(const QDBusMessage& message, const QDBusConnection&)
{
    if (message.type() != QDBusMessage::MethodCallMessage)
        return false;
    const QString member = message.member();
    if (message.interface() == QLatin1String("org.freedesktop.host.portal.Registry") &&
        member == QLatin1String("Register")) {
        calls.append(member);
        if (m_behaviour == Behaviour::NoRegistry) {
            m_bus.send(message.createErrorReply(QDBusError::UnknownInterface,
                                                QStringLiteral("No such interface")));
            return true;
        }
        registeredAppId = message.arguments().value(0).toString();
        m_bus.send(message.createReply());
        return true;
    }
    if (message.interface() != shortcutsInterface)
        return false;
    if (member == QLatin1String("CreateSession")) {
        calls.append(member);
        createSession(message);
        return true;
    }
    if (member == QLatin1String("BindShortcuts")) {
        calls.append(member);
        bindShortcuts(message);
        return true;
    }
    return false;
}

void FakeGlobalShortcutsPortal::createSession(const QDBusMessage& message)
{
    if (m_behaviour == Behaviour::RefuseSession) {
        m_bus.send(message.createErrorReply(QDBusError::AccessDenied, QStringLiteral("No")));
        return;
    }
    sessionOptions = qdbus_cast<QVariantMap>(message.arguments().value(0));
    const QString sender = senderElement(message.service());
    sessionPath = portalPath + QLatin1String("/session/") + sender + QLatin1Char('/') +
                  sessionOptions.value(QStringLiteral("session_handle_token")).toString();
    QString token = sessionOptions.value(QStringLiteral("handle_token")).toString();
    if (m_behaviour == Behaviour::MoveSessionRequest)
        token = QStringLiteral("moved");
    const QString request =
        portalPath + QLatin1String("/request/") + sender + QLatin1Char('/') + token;
    m_bus.send(message.createReply(QVariant::fromValue(QDBusObjectPath(request))));

    const uint code = m_behaviour == Behaviour::CancelSession ? 1 : 0;
    const QVariantMap results{{QStringLiteral("session_handle"), sessionPath}};
    respond(request, code, results);
    if (m_behaviour == Behaviour::MoveSessionRequest) {
        connect(&m_repeat, &QTimer::timeout, this, [this, request, results, left = 250]() mutable {
            if (calls.contains(QLatin1String("BindShortcuts")) || --left == 0)
                m_repeat.stop();
            else
                respond(request, 0, results);
        });
        m_repeat.start();
    }
}

void FakeGlobalShortcutsPortal::bindShortcuts(const QDBusMessage& message)
{
    const QList<QVariant> args = message.arguments();
    boundSession = args.value(0).value<QDBusObjectPath>().path();
    boundShortcuts.clear();
    args.value(1).value<QDBusArgument>() >> boundShortcuts;
    parentWindow = args.value(2).toString();
    bindOptions = qdbus_cast<QVariantMap>(args.value(3));
    const QString request = portalPath + QLatin1String("/request/") +
                            senderElement(message.service()) + QLatin1Char('/') +
                            bindOptions.value(QStringLiteral("handle_token")).toString();
    m_bus.send(message.createReply(QVariant::fromValue(QDBusObjectPath(request))));
    respond(request, 0, {});
}

void FakeGlobalShortcutsPortal::respond(const QString& requestPath, uint code,
                                        const QVariantMap& results)
{
    QDBusMessage response = QDBusMessage::createSignal(
        requestPath, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
    response << code << results;
    m_bus.send(response);
}
