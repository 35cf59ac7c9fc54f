#include "views/history/history_chart_view.h"

#include "models/instant_text.h"
#include "views/widgets/claude_colors.h"
#include "views/widgets/view_fonts.h"

#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

// Room for the percent labels on the left and the time labels below.
constexpr QMarginsF plotMargins(44, 12, 16, 26);
// How near the pointer must come to a point for its read-out, in pixels.
constexpr qreal hoverReach = 24;

QString percentLabel(double percent)
{
    return QString::number(percent) + QLatin1Char('%');
}

// A one-pixel line on a pixel's centre stays crisp instead of smearing over two.
qreal crisp(qreal coordinate)
{
    return std::floor(coordinate) + 0.5;
}

} // namespace

HistoryChartView::HistoryChartView(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void HistoryChartView::setChart(const ChartData& chart)
{
    m_chart = chart;
    m_colors.clear();
    int further = 0;
    for (const ChartLine& line : m_chart.lines)
        m_colors.append(ClaudeColors::chartColor(line.kind, line.kind.chartColor ? 0 : further++));
    m_hoverLine = -1;
    m_hoverPoint = -1;
    update();
}

QRectF HistoryChartView::plotArea() const
{
    return QRectF(rect()).marginsRemoved(plotMargins);
}

QPointF HistoryChartView::positionOf(const QDateTime& at, double percent) const
{
    const QRectF plot = plotArea();
    const double span = double(m_chart.from.msecsTo(m_chart.to));
    const double x = span > 0 ? double(m_chart.from.msecsTo(at)) / span : 0;
    const double y = m_chart.top > 0 ? percent / m_chart.top : 0;
    return {plot.left() + x * plot.width(), plot.bottom() - y * plot.height()};
}

const HistoryPoint* HistoryChartView::hovered() const
{
    if (m_hoverLine < 0 || m_hoverLine >= m_chart.lines.size())
        return nullptr;
    const QList<HistoryPoint>& points = m_chart.lines.at(m_hoverLine).points;
    return m_hoverPoint >= 0 && m_hoverPoint < points.size() ? &points.at(m_hoverPoint) : nullptr;
}

QString HistoryChartView::hoverText() const
{
    const HistoryPoint* point = hovered();
    if (!point)
        return QString();
    return m_chart.lines.at(m_hoverLine).kind.title + QLatin1Char(' ') +
           UsageWindows::wholeText(point->percent) + QStringLiteral("% · ") +
           QLocale::system().toString(point->at.toLocalTime(),
                                      QStringLiteral("ddd ") + InstantText::timeOfDayPattern());
}

void HistoryChartView::mouseMoveEvent(QMouseEvent* event)
{
    const QPointF pointer = event->position();
    const double span = double(m_chart.from.msecsTo(m_chart.to));
    const QRectF plot = plotArea();
    const QDateTime at =
        m_chart.from.addMSecs(qint64((pointer.x() - plot.left()) / plot.width() * span));
    int bestLine = -1;
    qsizetype bestPoint = -1;
    qreal best = hoverReach;
    // Points are in time order: only the two around the pointer's instant can be nearest
    // along the time axis; the figure axis decides between lines.
    for (int line = 0; line < m_chart.lines.size(); ++line) {
        const QList<HistoryPoint>& points = m_chart.lines.at(line).points;
        const auto next = std::lower_bound(
            points.begin(), points.end(), at,
            [](const HistoryPoint& point, const QDateTime& instant) { return point.at < instant; });
        for (auto it = next == points.begin() ? next : next - 1; it != points.end() && it <= next;
             ++it) {
            const qreal distance = QLineF(pointer, positionOf(it->at, it->percent)).length();
            if (distance < best) {
                best = distance;
                bestLine = line;
                bestPoint = it - points.begin();
            }
        }
    }
    if (bestLine != m_hoverLine || bestPoint != m_hoverPoint) {
        m_hoverLine = bestLine;
        m_hoverPoint = bestPoint;
        update();
    }
}

void HistoryChartView::leaveEvent(QEvent*)
{
    m_hoverLine = -1;
    m_hoverPoint = -1;
    update();
}

void HistoryChartView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setFont(ViewFonts::font(10));
    drawAxes(painter);
    if (m_chart.lines.isEmpty()) {
        painter.setPen(ClaudeColors::secondaryText(palette()));
        painter.drawText(plotArea(), Qt::AlignCenter, tr("No figures in this span yet"));
        return;
    }
    painter.setClipRect(plotArea().adjusted(-2, -2, 2, 2));
    for (int line = 0; line < m_chart.lines.size(); ++line)
        drawLine(painter, line);
    painter.setClipping(false);
    drawHover(painter);
}

void HistoryChartView::drawAxes(QPainter& painter) const
{
    const QRectF plot = plotArea();
    const QColor grid = ClaudeColors::primaryTint(palette(), 0.12);
    const QColor label = ClaudeColors::secondaryText(palette());
    const double step = m_chart.top / 4;
    for (int i = 0; i <= 4; ++i) {
        const double y = crisp(positionOf(m_chart.from, step * i).y());
        painter.setPen(QPen(grid, 1));
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        painter.setPen(label);
        painter.drawText(QRectF(0, y - 8, plot.left() - 6, 16), Qt::AlignRight | Qt::AlignVCenter,
                         percentLabel(step * i));
    }
    const QLocale locale = QLocale::system();
    for (const QDateTime& tick : m_chart.ticks) {
        const qreal x = crisp(positionOf(tick, 0).x());
        painter.setPen(QPen(grid, 1));
        painter.drawLine(QPointF(x, plot.bottom()), QPointF(x, plot.bottom() + 4));
        painter.setPen(label);
        // Centred under the tick, but never cut by the widget's edge.
        QRectF text(x - 40, plot.bottom() + 6, 80, 16);
        text.moveRight(std::min(text.right(), qreal(width()) - 1));
        painter.drawText(text, Qt::AlignHCenter | Qt::AlignTop,
                         locale.toString(tick.toLocalTime(), m_chart.tickPattern));
    }
    // Now, where the history ends and the projections begin.
    if (m_chart.now > m_chart.from && m_chart.now < m_chart.to) {
        const qreal x = crisp(positionOf(m_chart.now, 0).x());
        painter.setPen(QPen(ClaudeColors::primaryTint(palette(), 0.35), 1, Qt::DotLine));
        painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
    }
}

void HistoryChartView::drawLine(QPainter& painter, int index) const
{
    const ChartLine& line = m_chart.lines.at(index);
    const QColor color = m_colors.value(index);
    const QRectF plot = plotArea();

    QColor mark = color;
    mark.setAlphaF(0.6f);
    painter.setPen(QPen(mark, 1, Qt::DashLine));
    for (const QDateTime& reset : line.resets) {
        const qreal x = crisp(positionOf(reset, 0).x());
        painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
    }

    QPainterPath path;
    for (qsizetype i = 0; i < line.points.size(); ++i) {
        const HistoryPoint& point = line.points.at(i);
        const QPointF at = positionOf(point.at, point.percent);
        const bool joined =
            i > 0 && line.points.at(i - 1).at.secsTo(point.at) <= HistoryChart::maxJoinedSeconds;
        if (joined)
            path.lineTo(at);
        else
            path.moveTo(at);
    }
    painter.setPen(QPen(color, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
    // A lone point would draw nothing.
    painter.setBrush(color);
    painter.setPen(Qt::NoPen);
    if (line.points.size() == 1)
        painter.drawEllipse(positionOf(line.points.first().at, line.points.first().percent), 2.5,
                            2.5);

    if (line.projection) {
        const HistoryPoint& last = line.points.last();
        painter.setPen(QPen(color, 1.5, Qt::DashLine, Qt::RoundCap));
        painter.drawLine(positionOf(last.at, last.percent),
                         positionOf(line.projection->at, line.projection->percent));
    }
}

void HistoryChartView::drawHover(QPainter& painter) const
{
    const HistoryPoint* point = hovered();
    if (!point)
        return;
    const QPointF at = positionOf(point->at, point->percent);
    const QColor color = m_colors.value(m_hoverLine);
    painter.setPen(QPen(palette().color(QPalette::Window), 2));
    painter.setBrush(color);
    painter.drawEllipse(at, 4.5, 4.5);

    const QString text = hoverText();
    const QFontMetricsF metrics(painter.font());
    QRectF box(0, 0, metrics.horizontalAdvance(text) + 16, metrics.height() + 8);
    // Beside the point, kept inside the widget.
    box.moveBottomLeft(at + QPointF(10, -10));
    if (box.right() > width() - 2)
        box.moveRight(at.x() - 10);
    if (box.top() < 2)
        box.moveTop(at.y() + 10);
    painter.setPen(QPen(ClaudeColors::primaryTint(palette(), 0.2), 1));
    painter.setBrush(palette().color(QPalette::Window));
    painter.drawRoundedRect(box, 5, 5);
    painter.setPen(ClaudeColors::primaryText(palette()));
    painter.drawText(box, Qt::AlignCenter, text);
}
