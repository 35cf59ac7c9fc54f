#include "views/widgets/key_button.h"

#include "views/widgets/claude_colors.h"

#include <QKeyEvent>
#include <QPainter>

bool KeyButton::showsFocusRing() const
{
    // Set on the window by Tab and Backtab, cleared by a mouse press.
    return hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange);
}

void KeyButton::drawFocusRing(QPainter& painter, const QRectF& rect, qreal radius) const
{
    if (!showsFocusRing())
        return;
    painter.save();
    painter.setOpacity(1);
    painter.setPen(QPen(palette().color(QPalette::Highlight), 1.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(rect.adjusted(0.75, 0.75, -0.75, -0.75), radius, radius);
    painter.restore();
}

void KeyButton::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        click();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

QColor KeyButton::hoverColor() const
{
    return m_hovered ? ClaudeColors::primaryTint(palette(), 0.08) : QColor(Qt::transparent);
}

void KeyButton::enterEvent(QEnterEvent* event)
{
    setHovered(true);
    QAbstractButton::enterEvent(event);
}

void KeyButton::leaveEvent(QEvent* event)
{
    setHovered(false);
    QAbstractButton::leaveEvent(event);
}

void KeyButton::setHovered(bool hovered)
{
    if (m_hovered == hovered)
        return;
    m_hovered = hovered;
    update();
}
