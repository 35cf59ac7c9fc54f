#include "app/dashboard_popup.h"

#include "app/platform/compositor.h"
#include "app/platform/session_check.h"
#include "app/popup_placement.h"
#include "views/dashboard/dashboard_shape.h"

#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLayout>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

namespace {

// Layouts catch up with a change on posted events, a few turns of the loop later; the
// dashboard is measured, shown and placed at once, so its layouts are brought up to date
// here: every cached size dropped, then each layout run, parents before their children.
void invalidateLayouts(QWidget* root)
{
    const QList<QWidget*> all = root->findChildren<QWidget*>();
    for (QWidget* widget : all) {
        if (QLayout* layout = widget->layout())
            layout->invalidate();
    }
    if (root->layout())
        root->layout()->invalidate();
}

void activateLayouts(QWidget* root)
{
    if (root->layout())
        root->layout()->activate();
    // Depth first, each parent before its children.
    for (QWidget* widget : root->findChildren<QWidget*>()) {
        if (QLayout* layout = widget->layout())
            layout->activate();
    }
}

} // namespace

DashboardPopup::DashboardPopup(QWidget* content, int reopenGuardMs)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_content(content), m_reopenGuardMs(reopenGuardMs), m_composited(Compositor::isActive())
{
    setWindowTitle(QStringLiteral("Gaugery"));
    if (m_composited)
        setAttribute(Qt::WA_TranslucentBackground);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_content);
    fitContent();
}

void DashboardPopup::toggle(const QRect& anchor, Trigger trigger)
{
    if (isVisible()) {
        dismiss();
        return;
    }
    // Only the tray click that took the focus away is swallowed, never the shortcut.
    const bool justClosed =
        m_sinceFocusLoss.isValid() && m_sinceFocusLoss.elapsed() < m_reopenGuardMs;
    m_sinceFocusLoss.invalidate();
    if (justClosed && trigger == Trigger::trayClick)
        return;
    open(anchor);
}

void DashboardPopup::open(const QRect& anchor)
{
    m_anchor = anchor.isEmpty() ? QRect(QCursor::pos(), QSize(1, 1)) : anchor;
    fitContent();
    place();
    show();
    raise();
    activateWindow();
    // On Wayland this hands the compositor the activation token the tray host gave us.
    if (QWindow* window = windowHandle())
        window->requestActivate();
}

void DashboardPopup::fitContent()
{
    invalidateLayouts(m_content);
    // Laid out once before measuring: a widget changed while hidden has had no layout run,
    // and its parent's cached heights still hold what it was.
    activateLayouts(this);
    fitHeight();
    activateLayouts(this);
}

void DashboardPopup::fitHeight()
{
    // Wrapped text makes the height depend on the width, which is fixed.
    const int wanted = m_content->hasHeightForWidth()
                           ? m_content->heightForWidth(DashboardShape::width)
                           : m_content->sizeHint().height();
    const int height =
        qBound(1, qMax(wanted, m_content->minimumHeight()), DashboardShape::tallestHeight);
    if (size() != QSize(DashboardShape::width, height)) {
        setFixedSize(DashboardShape::width, height);
        if (isVisible())
            place();
    }
}

void DashboardPopup::place()
{
    // Wayland clients cannot place their windows; the compositor does.
    if (SessionCheck::isWayland())
        return;
    QScreen* screen = QGuiApplication::screenAt(m_anchor.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen)
        move(popupGeometry(m_anchor, size(), screen->geometry(), screen->availableGeometry())
                 .topLeft());
}

void DashboardPopup::dismiss()
{
    // Hiding takes the focus away too; that is not the focus loss that guards reopening.
    m_dismissing = true;
    hide();
    m_dismissing = false;
}

void DashboardPopup::closeAfterFocusLoss()
{
    hide();
    m_sinceFocusLoss.start();
}

bool DashboardPopup::event(QEvent* event)
{
    // Qt has invalidated what changed; invalidating every layout here again would post
    // the next request, for ever.
    if (event->type() == QEvent::LayoutRequest)
        fitHeight();
    return QWidget::event(event);
}

void DashboardPopup::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange && !m_dismissing && isVisible() &&
        !isActiveWindow())
        closeAfterFocusLoss();
    QWidget::changeEvent(event);
}

void DashboardPopup::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        dismiss();
        return;
    }
    QWidget::keyPressEvent(event);
}

void DashboardPopup::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(DashboardShape::outline(rect()), palette().window());
}

void DashboardPopup::resizeEvent(QResizeEvent* event)
{
    // Without a compositor there is no translucency, so the corners are cut instead.
    if (!m_composited)
        setMask(QRegion(DashboardShape::outline(rect()).toFillPolygon().toPolygon()));
    QWidget::resizeEvent(event);
}
