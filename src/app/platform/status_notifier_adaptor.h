#pragma once

#include "app/platform/sni_pixmap.h"
#include "app/platform/tray_menu.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QRect>

#include <functional>

// The tray item's D-Bus face. Qt's own tray adaptor cannot carry a label, drops the click
// position and hides the activation token, hence this one. It keeps what the host reads
// and announces each change with the item's signals and PropertiesChanged.
class StatusNotifierAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Id READ id)
    Q_PROPERTY(QString Title READ title)
    Q_PROPERTY(QString Category READ category)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(int WindowId READ windowId)
    Q_PROPERTY(QString IconName READ emptyString)
    Q_PROPERTY(QString IconThemePath READ emptyString)
    Q_PROPERTY(QList<SniPixmap> IconPixmap READ iconPixmap)
    Q_PROPERTY(QString OverlayIconName READ emptyString)
    Q_PROPERTY(QList<SniPixmap> OverlayIconPixmap READ noPixmaps)
    Q_PROPERTY(QString AttentionIconName READ emptyString)
    Q_PROPERTY(QList<SniPixmap> AttentionIconPixmap READ noPixmaps)
    Q_PROPERTY(QString AttentionMovieName READ emptyString)
    Q_PROPERTY(SniToolTip ToolTip READ toolTip)
    Q_PROPERTY(bool ItemIsMenu READ itemIsMenu)
    Q_PROPERTY(QDBusObjectPath Menu READ menu)
    Q_PROPERTY(QString XAyatanaLabel READ label)
    Q_PROPERTY(QString XAyatanaLabelGuide READ labelGuide)
    // KDE's additions for screen readers; the GNOME extension reads them on every refresh.
    Q_PROPERTY(QString IconAccessibleDesc READ accessibleDescription)
    Q_PROPERTY(QString AttentionAccessibleDesc READ accessibleDescription)

public:
    using ActivationHandler = std::function<void(const QRect& anchor)>;

    static QString objectPath() { return QStringLiteral("/StatusNotifierItem"); }
    static QString interfaceName() { return QStringLiteral("org.kde.StatusNotifierItem"); }

    // Lives on item, which is to be registered at objectPath() on bus.
    StatusNotifierAdaptor(QObject* item, const QDBusConnection& bus,
                          ActivationHandler onActivation);

    // Stores what differs from the current state and signals only that. The tooltip's
    // first line is its title, the rest its text.
    void update(const QList<SniPixmap>& icon, const QString& toolTip, const QString& label,
                const QString& accessibleDescription);

    QString id() const { return QStringLiteral("gaugery"); }
    QString title() const { return QStringLiteral("Gaugery"); }
    QString category() const { return QStringLiteral("ApplicationStatus"); }
    QString status() const { return QStringLiteral("Active"); }
    int windowId() const { return 0; }
    QString emptyString() const { return QString(); }
    QList<SniPixmap> iconPixmap() const { return m_icon; }
    QList<SniPixmap> noPixmaps() const { return {}; }
    SniToolTip toolTip() const { return m_toolTip; }
    bool itemIsMenu() const { return false; }
    QDBusObjectPath menu() const { return QDBusObjectPath(TrayMenu::objectPath()); }
    QString label() const { return m_label; }
    QString labelGuide() const;
    QString accessibleDescription() const { return m_accessibleDescription; }

public Q_SLOTS:
    void Activate(int x, int y);
    void SecondaryActivate(int x, int y);
    void ContextMenu(int x, int y);
    void Scroll(int delta, const QString& orientation);
    void ProvideXdgActivationToken(const QString& token);

Q_SIGNALS:
    void NewIcon();
    void NewToolTip();
    void XAyatanaNewLabel(const QString& label, const QString& guide);

private:
    void emitPropertiesChanged(const QVariantMap& changed);

    QDBusConnection m_bus;
    ActivationHandler m_onActivation;
    QList<SniPixmap> m_icon;
    SniToolTip m_toolTip;
    QString m_label;
    QString m_accessibleDescription;
};
