#include "views/dashboard/usage_row_widget.h"

#include "views/dashboard/dashboard_shape.h"
#include "views/widgets/claude_colors.h"
#include "views/widgets/symbol_painter.h"
#include "views/widgets/view_fonts.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int paddingX = 14;
constexpr int paddingY = 6;
constexpr int iconFrame = 16;
constexpr int spacing = 10;
constexpr int titleSpacing = 4;
constexpr int leftSpacing = 3;
constexpr int rightSpacing = 2;
constexpr qreal barHeight = 3;
constexpr qreal barRadius = 2;
// The right column may take at most this share of the row, so the bar keeps some room.
constexpr qreal rightColumnShare = 0.45;

QFont titleFont()
{
    return ViewFonts::font(11, QFont::Medium);
}
QFont subtitleFont()
{
    return ViewFonts::font(10);
}
QFont percentFont()
{
    return ViewFonts::font(12, QFont::DemiBold);
}
QFont resetFont()
{
    return ViewFonts::font(9);
}

QString bracketed(const QString& subtitle)
{
    if (subtitle.isEmpty())
        return subtitle;
    return QLatin1Char('(') + subtitle + QLatin1Char(')');
}

int leftColumnHeight(bool withDetail)
{
    const int detail = withDetail ? leftSpacing + QFontMetrics(resetFont()).height() : 0;
    return QFontMetrics(titleFont()).height() + leftSpacing + qCeil(barHeight) + detail;
}

int rightColumnHeight()
{
    return QFontMetrics(percentFont()).height() + rightSpacing + QFontMetrics(resetFont()).height();
}

// The most the right column may take in a row this wide.
int rightColumnCap(int rowWidth)
{
    return qFloor((rowWidth - 2 * paddingX - iconFrame - spacing) * rightColumnShare);
}

QAccessibleInterface* rowAccessible(const QString& key, QObject* object)
{
    if (key == QLatin1String("UsageRowWidget") && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::StaticText);
    return nullptr;
}

void fillBar(QPainter& painter, const QRectF& rect, const QColor& color)
{
    if (rect.width() <= 0)
        return;
    QPainterPath path;
    const qreal radius = qMin(barRadius, qMin(rect.width(), rect.height()) / 2);
    path.addRoundedRect(rect, radius, radius);
    painter.fillPath(path, color);
}

} // namespace

UsageRowWidget::UsageRowWidget(const UsageRow& row, QWidget* parent) : QWidget(parent), m_row(row)
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(rowAccessible);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAccessibleName(m_row.accessibleText());
}

QSize UsageRowWidget::sizeHint() const
{
    const int height =
        2 * paddingY + qMax(leftColumnHeight(hasDetail() || resetBelow()), rightColumnHeight());
    return QSize(2 * paddingX + iconFrame + 3 * spacing + 2 * rightColumnWidth(), height);
}

QSize UsageRowWidget::minimumSizeHint() const
{
    return QSize(2 * paddingX + iconFrame + 3 * spacing, sizeHint().height());
}

bool UsageRowWidget::resetBelow() const
{
    // Decided at the dashboard's width, so the row's height never depends on its own.
    return !hasDetail() && QFontMetricsF(resetFont()).horizontalAdvance(m_row.resetText()) + 2 >
                               rightColumnCap(DashboardShape::width);
}

int UsageRowWidget::rightColumnWidth() const
{
    // Measured in fractions and rounded up: at a device pixel ratio above 1 the painted
    // text can come out a little wider than the integer metrics say, and would be elided.
    const qreal percent = QFontMetricsF(percentFont()).horizontalAdvance(m_row.percentText());
    const qreal reset =
        resetBelow() ? 0 : QFontMetricsF(resetFont()).horizontalAdvance(m_row.resetText());
    const int natural = qCeil(qMax(percent, reset)) + 2;
    const int cap = rightColumnCap(width());
    return cap > 0 ? qMin(natural, cap) : natural;
}

UsageRowWidget::Geometry UsageRowWidget::geometry() const
{
    Geometry g;
    const int top = paddingY;
    const int inner = height() - 2 * paddingY;
    g.icon = QRect(paddingX, top, iconFrame, inner);

    const int right = width() - paddingX;
    const int rightWidth = rightColumnWidth();
    const int rightTop = top + (inner - rightColumnHeight()) / 2;
    const int percentHeight = QFontMetrics(percentFont()).height();
    g.percent = QRect(right - rightWidth, rightTop, rightWidth, percentHeight);
    g.reset = QRect(right - rightWidth, rightTop + percentHeight + rightSpacing, rightWidth,
                    QFontMetrics(resetFont()).height());

    // The spacer between the columns is flexible; the bar gets the rest of the row.
    const int left = paddingX + iconFrame + spacing;
    const int leftWidth = qMax(0, right - rightWidth - 2 * spacing - left);
    const int leftTop = top + (inner - leftColumnHeight(hasDetail() || resetBelow())) / 2;
    const int titleHeight = QFontMetrics(titleFont()).height();
    const int titleWidth = QFontMetrics(titleFont()).horizontalAdvance(m_row.title());
    g.title = QRect(left, leftTop, titleWidth, titleHeight);
    g.subtitle = QRect(left + titleWidth + titleSpacing, leftTop,
                       qMax(0, leftWidth - titleWidth - titleSpacing), titleHeight);
    g.track = QRectF(left, leftTop + titleHeight + leftSpacing, leftWidth, barHeight);
    if (hasDetail() || resetBelow())
        g.detail =
            QRect(left, qCeil(g.track.bottom()) + leftSpacing,
                  resetBelow() ? right - left : leftWidth, QFontMetrics(resetFont()).height());
    if (resetBelow())
        g.reset = QRect();
    return g;
}

QRectF UsageRowWidget::trackRect() const
{
    return geometry().track;
}

QRectF UsageRowWidget::fillRect() const
{
    QRectF fill = trackRect();
    fill.setWidth(fill.width() * m_row.fillFraction());
    return fill;
}

void UsageRowWidget::paintEvent(QPaintEvent*)
{
    const Geometry g = geometry();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    SymbolPainter::draw(painter, g.icon, m_row.icon(), 12, ClaudeColors::claudeTan());

    painter.setFont(titleFont());
    painter.setPen(ClaudeColors::primaryText(palette()));
    painter.drawText(g.title, Qt::AlignLeft | Qt::AlignVCenter, m_row.title());
    painter.setFont(subtitleFont());
    painter.setPen(ClaudeColors::secondaryText(palette()));
    painter.drawText(
        g.subtitle, Qt::AlignLeft | Qt::AlignVCenter,
        QFontMetrics(subtitleFont())
            .elidedText(bracketed(m_row.subtitle()), Qt::ElideRight, g.subtitle.width()));

    fillBar(painter, g.track, ClaudeColors::primaryTint(palette(), 0.1));
    fillBar(painter, fillRect(), m_row.severityColor());

    if (hasDetail() || resetBelow()) {
        painter.setFont(resetFont());
        painter.setPen(ClaudeColors::secondaryText(palette()));
        const QString line = hasDetail() ? m_row.figure.detail : m_row.resetText();
        painter.drawText(
            g.detail, Qt::AlignLeft | Qt::AlignVCenter,
            QFontMetrics(resetFont()).elidedText(line, Qt::ElideRight, g.detail.width()));
    }

    painter.setFont(percentFont());
    painter.setPen(m_row.severityColor());
    painter.drawText(g.percent, Qt::AlignRight | Qt::AlignVCenter, m_row.percentText());
    painter.setFont(resetFont());
    painter.setPen(ClaudeColors::secondaryText(palette()));
    painter.drawText(
        g.reset, Qt::AlignRight | Qt::AlignVCenter,
        QFontMetrics(resetFont()).elidedText(m_row.resetText(), Qt::ElideRight, g.reset.width()));
}
