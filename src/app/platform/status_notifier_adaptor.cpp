#include "app/platform/status_notifier_adaptor.h"

#include <QDBusMessage>

namespace {

// Hosts without global coordinates (Wayland) send 0,0.
QRect anchorAt(int x, int y)
{
    return x == 0 && y == 0 ? QRect() : QRect(x, y, 1, 1);
}

} // namespace

StatusNotifierAdaptor::StatusNotifierAdaptor(QObject* item, const QDBusConnection& bus,
                                             ActivationHandler onActivation)
    : QDBusAbstractAdaptor(item), m_bus(bus), m_onActivation(std::move(onActivation))
{
}

void StatusNotifierAdaptor::update(const QList<SniPixmap>& icon, const QString& toolTip,
                                   const QString& label, const QString& accessibleDescription)
{
    // Hosts show the title in bold and the description under it. The description is a
    // subset of HTML (Plasma renders it as rich text), so names the service sends are
    // escaped there; the entities read the same in the hosts that take Pango markup.
    const QString toolTipTitle = toolTip.section(QLatin1Char('\n'), 0, 0);
    const QString toolTipDescription = toolTip.section(QLatin1Char('\n'), 1)
                                           .replace(u'&', QStringLiteral("&amp;"))
                                           .replace(u'<', QStringLiteral("&lt;"))
                                           .replace(u'>', QStringLiteral("&gt;"));
    QVariantMap changed;
    const bool iconChanged = icon != m_icon;
    const bool toolTipChanged =
        toolTipTitle != m_toolTip.title || toolTipDescription != m_toolTip.text;
    const bool labelChanged = label != m_label;
    const QString oldGuide = labelGuide();
    if (iconChanged) {
        m_icon = icon;
        changed.insert(QStringLiteral("IconPixmap"), QVariant::fromValue(m_icon));
    }
    if (toolTipChanged) {
        m_toolTip.title = toolTipTitle;
        m_toolTip.text = toolTipDescription;
        changed.insert(QStringLiteral("ToolTip"), QVariant::fromValue(m_toolTip));
    }
    if (labelChanged) {
        m_label = label;
        changed.insert(QStringLiteral("XAyatanaLabel"), m_label);
        if (labelGuide() != oldGuide)
            changed.insert(QStringLiteral("XAyatanaLabelGuide"), labelGuide());
    }
    // No signal of its own: hosts re-read it with the icon or from PropertiesChanged.
    if (accessibleDescription != m_accessibleDescription) {
        m_accessibleDescription = accessibleDescription;
        changed.insert(QStringLiteral("IconAccessibleDesc"), m_accessibleDescription);
        changed.insert(QStringLiteral("AttentionAccessibleDesc"), m_accessibleDescription);
    }
    if (changed.isEmpty())
        return;

    if (iconChanged)
        Q_EMIT NewIcon();
    if (toolTipChanged)
        Q_EMIT NewToolTip();
    if (labelChanged)
        Q_EMIT XAyatanaNewLabel(m_label, labelGuide());
    emitPropertiesChanged(changed);
}

QString StatusNotifierAdaptor::labelGuide() const
{
    // The widest figure a host should make room for; nothing to reserve without a label.
    return m_label.isEmpty() ? QString() : QStringLiteral(" 100%");
}

void StatusNotifierAdaptor::Activate(int x, int y)
{
    m_onActivation(anchorAt(x, y));
}

void StatusNotifierAdaptor::SecondaryActivate(int, int) {}

void StatusNotifierAdaptor::ContextMenu(int x, int y)
{
    // There is no menu; a right click opens the dashboard like a left one.
    m_onActivation(anchorAt(x, y));
}

void StatusNotifierAdaptor::Scroll(int, const QString&) {}

void StatusNotifierAdaptor::ProvideXdgActivationToken(const QString& token)
{
    qputenv("XDG_ACTIVATION_TOKEN", token.toUtf8());
}

void StatusNotifierAdaptor::emitPropertiesChanged(const QVariantMap& changed)
{
    QDBusMessage signal =
        QDBusMessage::createSignal(objectPath(), QStringLiteral("org.freedesktop.DBus.Properties"),
                                   QStringLiteral("PropertiesChanged"));
    signal << interfaceName() << changed << QStringList();
    m_bus.send(signal);
}
