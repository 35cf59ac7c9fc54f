#pragma once

#include "models/history_chart.h"

#include <QColor>
#include <QWidget>

// Draws a ChartData: a line per window in its colour, the resets as dashed marks, the
// projection at the current pace as a dashed continuation, and under the pointer the
// time and figure of the nearest point. Painted by hand: one widget of a few lines
// instead of Qt Charts, its OpenGL libraries and their memory.
class HistoryChartView : public QWidget {
    Q_OBJECT

public:
    explicit HistoryChartView(QWidget* parent = nullptr);

    void setChart(const ChartData& chart);
    const ChartData& chart() const { return m_chart; }
    // The colour of the nth line.
    QColor lineColor(int line) const { return m_colors.value(line); }

    // Where the instant and the figure are drawn, in widget coordinates.
    QPointF positionOf(const QDateTime& at, double percent) const;
    QRectF plotArea() const;
    // The read-out under the pointer ("Session 42% · Mon 2:05 PM"); empty when no point
    // is near.
    QString hoverText() const;

    QSize sizeHint() const override { return {600, 300}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void drawAxes(QPainter& painter) const;
    void drawLine(QPainter& painter, int index) const;
    void drawHover(QPainter& painter) const;
    const HistoryPoint* hovered() const;

    ChartData m_chart;
    QList<QColor> m_colors;
    int m_hoverLine = -1;
    qsizetype m_hoverPoint = -1;
};
