#pragma once

#include "build_config.h"

#include <QDBusConnection>
#include <QObject>

// One Gaugery per session: the first start owns the bus name com.gaugery.app, a later
// start asks that one to toggle its dashboard instead of showing a second tray item.
class SingleInstance : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.gaugery.app.Dashboard")

public:
    static inline const QString serviceName = QString::fromLatin1(BuildConfig::appId);
    static inline const QString objectPath = QStringLiteral("/com/gaugery/app");

    enum class Role {
        Primary,
        // Another instance owns the name: forward to it and exit.
        Secondary,
        // No session bus, so nothing can guard against a second instance.
        Unguarded,
    };

    explicit SingleInstance(const QDBusConnection& bus = QDBusConnection::sessionBus(),
                            QObject* parent = nullptr);

    Role claim();
    // From a secondary start: asks the primary to toggle, passing on the launcher's
    // activation token so the compositor lets the dashboard take the focus.
    bool forwardToggle();

public Q_SLOTS:
    Q_SCRIPTABLE void Toggle(const QString& activationToken);

Q_SIGNALS:
    void toggleRequested();

private:
    QDBusConnection m_bus;
};
