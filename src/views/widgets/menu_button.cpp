#include "views/widgets/menu_button.h"

#include "views/widgets/claude_colors.h"
#include "views/widgets/symbol_painter.h"
#include "views/widgets/view_fonts.h"

#include <QPainter>

namespace {
constexpr int paddingX = 12;
constexpr int paddingY = 6;
constexpr int iconFrame = 14;
constexpr qreal symbolSize = 11;
constexpr int spacing = 8;
} // namespace

MenuButton::MenuButton(const QString& icon, const QString& title, bool destructive, QWidget* parent)
    : KeyButton(parent), m_icon(icon), m_destructive(destructive)
{
    setText(title);
    setFont(ViewFonts::font(12));
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void MenuButton::setDestructive(bool destructive)
{
    m_destructive = destructive;
    update();
}

QColor MenuButton::iconColor() const
{
    return m_destructive ? ClaudeColors::destructive() : ClaudeColors::secondaryText(palette());
}

QColor MenuButton::titleColor() const
{
    return m_destructive ? ClaudeColors::destructive() : ClaudeColors::primaryText(palette());
}

QColor MenuButton::backgroundColor() const
{
    return hoverColor();
}

QSize MenuButton::sizeHint() const
{
    const QFontMetrics metrics(font());
    return QSize(2 * paddingX + iconFrame + spacing + metrics.horizontalAdvance(text()),
                 2 * paddingY + metrics.height());
}

void MenuButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), backgroundColor());
    const QRect label = rect().adjusted(paddingX, paddingY, -paddingX, -paddingY);
    SymbolPainter::draw(painter, QRect(label.left(), label.top(), iconFrame, label.height()),
                        m_icon, symbolSize, iconColor());
    painter.setPen(titleColor());
    painter.drawText(label.adjusted(iconFrame + spacing, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                     text());
    drawFocusRing(painter, QRectF(rect()).adjusted(2, 0, -2, 0), 4);
}
