#pragma once

#include "models/usage_window.h"

#include <QColor>
#include <QString>

// What one usage row shows; the texts the row derives are decided here, without a widget.
struct UsageRow {
    WindowFigure figure;

    QString icon() const { return figure.kind.icon; }
    QString title() const { return figure.kind.title; }
    QString subtitle() const { return figure.kind.subtitle; }
    QString percentText() const { return UsageWindows::rowPercentText(figure.percent); }
    QString resetText() const { return UsageWindows::resetText(figure); }
    // The bar's filled share of its width, from 0 to 1 whatever the percentage.
    qreal fillFraction() const;
    QColor severityColor() const;
    // Title, percentage and reset text in reading order, for screen readers.
    QString accessibleText() const;
};
