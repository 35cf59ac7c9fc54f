#pragma once

#include "app/platform/global_hotkey.h"

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QList>
#include <QPair>
#include <QString>
#include <QVariantMap>

class QDBusPendingCallWatcher;

// An a(sa{sv}) entry of the GlobalShortcuts portal: the shortcut id and its properties.
using PortalShortcut = QPair<QString, QVariantMap>;
using PortalShortcutList = QList<PortalShortcut>;

// The shortcut through the desktop's GlobalShortcuts portal. Every step is asynchronous;
// a portal that is missing, refuses or is cancelled simply leaves no shortcut.
class PortalHotkey : public GlobalHotkey {
    Q_OBJECT

public:
    static inline const QString shortcutId = QStringLiteral("toggle-dashboard");

    // Where the portal publishes the Response of a request made with this handle token.
    static QString requestPath(const QString& uniqueName, const QString& token);
    static PortalShortcutList shortcuts();

    PortalHotkey(const QDBusConnection& bus, QObject* parent = nullptr);
    ~PortalHotkey() override;

private Q_SLOTS:
    // QDBusConnection::connect only takes slots by name.
    void onSessionCreated(uint code, const QVariantMap& results);
    void onShortcutsBound(uint code, const QVariantMap& results);
    void onActivated(const QDBusObjectPath& session, const QString& id, qulonglong timestamp,
                     const QVariantMap& options);

private:
    void createSession();
    void bindShortcuts();
    QString nextToken();
    QDBusMessage portalCall(const QString& interface, const QString& method) const;
    // Subscribes slot to the Response at the predicted path, makes the call, and moves the
    // subscription if the portal answers with another path.
    void request(const QDBusMessage& call, const QString& token, const char* slot);
    bool subscribeResponse(const QString& path, const char* slot);
    void unsubscribeResponse(const QString& path, const char* slot);

    QDBusConnection m_bus;
    QString m_session;
    QString m_pendingRequest;
    int m_tokens = 0;
    bool m_bindRequested = false;
};
