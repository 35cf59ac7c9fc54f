#include "views/widgets/plain_button.h"

#include "views/widgets/symbol_painter.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

PlainButton::PlainButton(const QString& text, Look look, QWidget* parent)
    : KeyButton(parent), m_look(std::move(look))
{
    setText(text);
    setFont(m_look.font);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

int PlainButton::symbolWidth() const
{
    return m_look.symbol.isEmpty() ? 0 : qCeil(m_look.symbolSize) + m_look.spacing;
}

QSize PlainButton::sizeHint() const
{
    const QFontMetrics metrics(font());
    const int height = qMax(metrics.height(), qCeil(m_look.symbolSize));
    const QSize label(symbolWidth() + metrics.horizontalAdvance(text()), height);
    return label.grownBy(m_look.padding);
}

void PlainButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (isDown())
        painter.setOpacity(0.7);
    if (m_look.fill) {
        QPainterPath shape;
        shape.addRoundedRect(QRectF(rect()), m_look.radius, m_look.radius);
        painter.fillPath(shape, *m_look.fill);
    }
    const QColor foreground = m_look.foreground(palette());
    const QRect label = rect().marginsRemoved(m_look.padding);
    if (!m_look.symbol.isEmpty()) {
        const QRectF frame(label.left(), label.top(), qCeil(m_look.symbolSize), label.height());
        SymbolPainter::draw(painter, frame, m_look.symbol, m_look.symbolSize, foreground);
    }
    painter.setPen(foreground);
    painter.drawText(label.adjusted(symbolWidth(), 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                     text());
    drawFocusRing(painter, QRectF(rect()), qMax<qreal>(m_look.radius, 3));
}
