#include "app/popover.h"

#include "app/platform/compositor.h"
#include "app/popover_placement.h"

#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

namespace {

constexpr qreal cornerRadius = 10;

QPainterPath roundedShape(const QRect& rect)
{
    QPainterPath path;
    path.addRoundedRect(QRectF(rect), cornerRadius, cornerRadius);
    return path;
}

} // namespace

Popover::Popover(QWidget* content, int reopenGuardMs)
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

void Popover::toggle(const QRect& anchor)
{
    if (isVisible()) {
        dismiss();
        return;
    }
    if (m_sinceFocusLoss.isValid() && m_sinceFocusLoss.elapsed() < m_reopenGuardMs) {
        m_sinceFocusLoss.invalidate();
        return;
    }
    open(anchor);
}

void Popover::open(const QRect& anchor)
{
    fitContent();
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        // Wayland clients cannot place their windows; the compositor does.
        show();
    } else {
        const QRect at = anchor.isEmpty() ? QRect(QCursor::pos(), QSize(1, 1)) : anchor;
        QScreen* screen = QGuiApplication::screenAt(at.center());
        if (!screen)
            screen = QGuiApplication::primaryScreen();
        if (screen)
            move(popoverGeometry(at, size(), screen->geometry(), screen->availableGeometry())
                     .topLeft());
        show();
        raise();
    }
    activateWindow();
    // On Wayland this hands the compositor the activation token the tray host gave us.
    if (QWindow* window = windowHandle())
        window->requestActivate();
}

void Popover::fitContent()
{
    // Wrapped text makes the height depend on the width, which is fixed.
    const int wanted = m_content->hasHeightForWidth() ? m_content->heightForWidth(dashboardWidth)
                                                      : m_content->sizeHint().height();
    const int height = qBound(1, qMax(wanted, m_content->minimumHeight()), tallestHeight);
    setFixedSize(dashboardWidth, height);
}

void Popover::dismiss()
{
    // Hiding takes the focus away too; that is not the focus loss that guards reopening.
    m_dismissing = true;
    hide();
    m_dismissing = false;
}

void Popover::closeAfterFocusLoss()
{
    hide();
    m_sinceFocusLoss.start();
}

bool Popover::event(QEvent* event)
{
    if (event->type() == QEvent::LayoutRequest)
        fitContent();
    return QWidget::event(event);
}

void Popover::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange && !m_dismissing && isVisible() &&
        !isActiveWindow())
        closeAfterFocusLoss();
    QWidget::changeEvent(event);
}

void Popover::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        dismiss();
        return;
    }
    QWidget::keyPressEvent(event);
}

void Popover::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(roundedShape(rect()), palette().window());
}

void Popover::resizeEvent(QResizeEvent* event)
{
    // Without a compositor there is no translucency, so the corners are cut instead.
    if (!m_composited)
        setMask(QRegion(roundedShape(rect()).toFillPolygon().toPolygon()));
    QWidget::resizeEvent(event);
}
