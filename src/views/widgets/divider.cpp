#include "views/widgets/divider.h"

#include "views/widgets/claude_colors.h"

#include <QPainter>

Divider::Divider(int horizontalPadding, int verticalPadding, QWidget* parent)
    : QWidget(parent), m_horizontalPadding(horizontalPadding), m_verticalPadding(verticalPadding)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize Divider::sizeHint() const
{
    return QSize(2 * m_horizontalPadding + 1, 2 * m_verticalPadding + 1);
}

void Divider::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(
        QRect(m_horizontalPadding, m_verticalPadding, width() - 2 * m_horizontalPadding, 1),
        ClaudeColors::primaryTint(palette(), 0.15));
}
