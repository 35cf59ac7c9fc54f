#include "views/accounts/account_header.h"

#include "views/widgets/claude_colors.h"
#include "views/widgets/view_fonts.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int paddingX = 14;
constexpr int paddingY = 5;
constexpr int spacing = 8;
constexpr int chevronFrame = 10;

QFont nameFont()
{
    return ViewFonts::font(12, QFont::DemiBold);
}

// A title that opens nothing reads as text, not as a button that does nothing.
QAccessibleInterface* headerAccessible(const QString& key, QObject* object)
{
    if (key != QLatin1String("AccountHeader") || !object->isWidgetType())
        return nullptr;
    auto* header = static_cast<AccountHeader*>(object);
    return header->isCollapsible() ? nullptr
                                   : new QAccessibleWidget(header, QAccessible::StaticText);
}

// Pointing right while closed, down while open.
void drawChevron(QPainter& painter, const QRectF& frame, bool open, const QColor& color)
{
    const QPointF c = frame.center();
    const qreal r = 3;
    QPainterPath path;
    if (open) {
        path.moveTo(c.x() - r, c.y() - r / 2);
        path.lineTo(c.x(), c.y() + r / 2);
        path.lineTo(c.x() + r, c.y() - r / 2);
    } else {
        path.moveTo(c.x() - r / 2, c.y() - r);
        path.lineTo(c.x() + r / 2, c.y());
        path.lineTo(c.x() - r / 2, c.y() + r);
    }
    painter.setPen(QPen(color, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
}

} // namespace

AccountHeader::AccountHeader(bool collapsible, QWidget* parent)
    : KeyButton(parent), m_collapsible(collapsible)
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(headerAccessible);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    setFont(nameFont());
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFocusPolicy(collapsible ? Qt::StrongFocus : Qt::NoFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents, !collapsible);
}

void AccountHeader::setName(const QString& name)
{
    setText(name);
    updateAccessibleName();
    updateGeometry();
    update();
}

void AccountHeader::setFigure(const QString& figure, const QColor& color)
{
    m_figure = figure;
    m_figureColor = color;
    updateAccessibleName();
    update();
}

QString AccountHeader::shownFigure() const
{
    return m_open ? QString() : m_figure;
}

void AccountHeader::setOpen(bool open)
{
    m_open = open;
    updateAccessibleName();
    update();
}

void AccountHeader::updateAccessibleName()
{
    // The figure is read with the name while the rows that hold it are hidden.
    const QString figure = shownFigure();
    setAccessibleName(figure.isEmpty() ? text() : text() + QStringLiteral(", ") + figure);
}

QSize AccountHeader::sizeHint() const
{
    const QFontMetrics metrics(font());
    return QSize(2 * paddingX + metrics.horizontalAdvance(text()), 2 * paddingY + metrics.height());
}

void AccountHeader::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (m_collapsible)
        painter.fillRect(rect(), hoverColor());
    QRect label = rect().adjusted(paddingX, paddingY, -paddingX, -paddingY);
    if (m_collapsible) {
        drawChevron(
            painter,
            QRectF(label.right() - chevronFrame + 1, label.top(), chevronFrame, label.height()),
            m_open, ClaudeColors::secondaryText(palette()));
        label.setRight(label.right() - chevronFrame - spacing);
    }
    const QString figure = shownFigure();
    if (!figure.isEmpty()) {
        painter.setPen(m_figureColor);
        painter.drawText(label, Qt::AlignRight | Qt::AlignVCenter, figure);
        label.setRight(label.right() - painter.fontMetrics().horizontalAdvance(figure) - spacing);
    }
    painter.setPen(ClaudeColors::primaryText(palette()));
    painter.drawText(label, Qt::AlignLeft | Qt::AlignVCenter,
                     painter.fontMetrics().elidedText(text(), Qt::ElideRight, label.width()));
    drawFocusRing(painter, QRectF(rect()).adjusted(2, 0, -2, 0), 4);
}
