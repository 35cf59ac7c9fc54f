#include "views/settings/link_row.h"

#include "views/widgets/claude_colors.h"
#include "views/widgets/symbol_painter.h"
#include "views/widgets/view_fonts.h"

#include <QKeyEvent>
#include <QPainter>

namespace {

constexpr int arrowSize = 10;
constexpr int spacing = 8;
constexpr int verticalPadding = 3;

} // namespace

LinkRow::LinkRow(const QString& text, QWidget* parent) : KeyButton(parent)
{
    setText(text);
    setFont(ViewFonts::font(13));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize LinkRow::sizeHint() const
{
    const QFontMetrics metrics(font());
    return QSize(metrics.horizontalAdvance(text()) + spacing + arrowSize,
                 qMax(metrics.height(), arrowSize) + 2 * verticalPadding);
}

void LinkRow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (isDown())
        painter.setOpacity(0.7);
    painter.setPen(ClaudeColors::primaryText(palette()));
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter, text());
    const QRectF arrow(width() - arrowSize, 0, arrowSize, height());
    SymbolPainter::draw(painter, arrow, QStringLiteral("arrow.up.right"), arrowSize,
                        ClaudeColors::secondaryText(palette()));
    drawFocusRing(painter, QRectF(rect()), 3);
}
