#pragma once

#include <QColor>
#include <QString>

// What one usage row shows; the texts the row derives are decided here, without a widget.
struct UsageRow {
    QString icon;
    QString title;
    QString subtitle;
    double percentage = 0;
    QString resetText;

    // Truncated toward zero, e.g. "69%" for 69.99. Negative values show as 0%, values
    // beyond the 64-bit range as its limit, and NaN as "–%", so the row always draws.
    QString percentText() const;
    // The reset text without its "at " words: "at 3:05 PM" shows as "3:05 PM".
    QString shownResetText() const;
    // The bar's filled share of its width, from 0 to 1 whatever the percentage.
    qreal fillFraction() const;
    QColor severityColor() const;
    // Title, percentage and reset text in reading order, for screen readers.
    QString accessibleText() const;
};
