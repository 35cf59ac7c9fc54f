#include "views/widgets/busy_indicator.h"

#include "views/widgets/claude_colors.h"

#include <QPainter>

namespace {
constexpr int spokes = 8;
}

BusyIndicator::BusyIndicator(int diameter, QWidget* parent) : QWidget(parent), m_diameter(diameter)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(tr("Loading"));
    m_timer.setInterval(100);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_step = (m_step + 1) % spokes;
        update();
    });
}

QSize BusyIndicator::sizeHint() const
{
    return QSize(m_diameter, m_diameter);
}

void BusyIndicator::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(QRectF(rect()).center());
    const qreal radius = m_diameter / 2.0;
    QPen pen;
    pen.setWidthF(qMax(1.5, m_diameter / 9.0));
    pen.setCapStyle(Qt::RoundCap);
    for (int i = 0; i < spokes; ++i) {
        // The spoke of the current step is darkest; the ones behind it fade out.
        const int age = (m_step - i + spokes) % spokes;
        pen.setColor(ClaudeColors::primaryTint(palette(), 0.75 - 0.6 * age / (spokes - 1)));
        painter.setPen(pen);
        painter.save();
        painter.rotate(360.0 * i / spokes);
        painter.drawLine(QPointF(0, -radius * 0.45), QPointF(0, -radius + pen.widthF() / 2));
        painter.restore();
    }
}

void BusyIndicator::showEvent(QShowEvent* event)
{
    m_timer.start();
    QWidget::showEvent(event);
}

void BusyIndicator::hideEvent(QHideEvent* event)
{
    m_timer.stop();
    QWidget::hideEvent(event);
}
