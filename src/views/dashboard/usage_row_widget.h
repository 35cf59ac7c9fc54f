#pragma once

#include "views/dashboard/usage_row.h"

#include <QWidget>

// One usage window of the dashboard: icon, title and subtitle over the bar on the left,
// the percentage over the reset time on the right; a reset text too long for that column
// ("Reset at 3:05 PM, waiting for figures") takes a line of its own under the bar. Painted by hand,
// because the bar and the two columns share one baseline grid that stacked labels would not keep.
class UsageRowWidget : public QWidget {
    Q_OBJECT

public:
    explicit UsageRowWidget(const UsageRow& row, QWidget* parent = nullptr);

    const UsageRow& row() const { return m_row; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // The bar's track and fill in this widget's coordinates.
    QRectF trackRect() const;
    QRectF fillRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Geometry {
        QRect icon;
        QRect title;
        QRect subtitle;
        QRectF track;
        QRect percent;
        QRect reset;
        QRect detail;
    };
    bool hasDetail() const { return !m_row.figure.detail.isEmpty(); }
    // The reset text goes under the bar, across the row: too long for the right column,
    // and no detail there.
    bool resetBelow() const;
    Geometry geometry() const;
    int rightColumnWidth() const;

    UsageRow m_row;
};
