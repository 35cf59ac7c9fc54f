#include "views/widgets/symbol_view.h"

#include "views/widgets/symbol_painter.h"

#include <QPainter>
#include <QtMath>

SymbolView::SymbolView(const QString& symbol, qreal symbolSize, ColorSource tint, int frameWidth,
                       QWidget* parent)
    : QWidget(parent), m_symbol(symbol), m_symbolSize(symbolSize), m_tint(std::move(tint)),
      m_frameWidth(frameWidth > 0 ? frameWidth : qCeil(symbolSize))
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize SymbolView::sizeHint() const
{
    return QSize(m_frameWidth, qCeil(m_symbolSize));
}

void SymbolView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    SymbolPainter::draw(painter, rect(), m_symbol, m_symbolSize, m_tint(palette()));
}
