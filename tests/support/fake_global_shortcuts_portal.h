#pragma once

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QList>
#include <QPair>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>

// A GlobalShortcuts desktop portal on a connection of its own that claims
// org.freedesktop.portal.Desktop on the session bus. It records what clients ask for and
// answers every request with a Response signal, the way the real portal does.
class FakeGlobalShortcutsPortal : public QDBusVirtualObject {
    Q_OBJECT

public:
    enum class Behaviour {
        Answer,
        // Without the host registry interface, as before portal 1.20.
        NoRegistry,
        // CreateSession fails with an error reply.
        RefuseSession,
        // CreateSession's Response has code 1 (the user cancelled).
        CancelSession,
        // CreateSession's Request lives at another path than the predicted one.
        MoveSessionRequest,
    };

    explicit FakeGlobalShortcutsPortal(Behaviour behaviour = Behaviour::Answer);
    ~FakeGlobalShortcutsPortal() override;

    // Connects and claims the portal name; false if another owner holds it.
    bool start();
    void emitActivated(const QString& session, const QString& id);

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

    QStringList calls;
    QString registeredAppId;
    QVariantMap sessionOptions;
    // Handed out by the last CreateSession.
    QString sessionPath;
    QString boundSession;
    QList<QPair<QString, QVariantMap>> boundShortcuts;
    QString parentWindow;
    QVariantMap bindOptions;

private:
    void createSession(const QDBusMessage& message);
    void bindShortcuts(const QDBusMessage& message);
    void respond(const QString& requestPath, uint code, const QVariantMap& results);

    Behaviour m_behaviour;
    QDBusConnection m_bus;
    // Repeats a moved Response until the client has resubscribed and so answered it.
    QTimer m_repeat;
};
