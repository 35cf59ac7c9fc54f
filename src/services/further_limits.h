#pragma once

#include "models/usage_window.h"

#include <QJsonObject>
#include <QList>
#include <QLocale>

// The limits a usage body reports beyond the four windows the program knows by name:
// any other member holding a numeric "utilization", the scoped entries of "limits" that
// no member already covers, and extra usage when it is enabled. Anything else, or of
// another shape, gives no row. In display order: by key, extra usage last.
QList<WindowFigure> parseFurtherLimits(const QJsonObject& body,
                                       const QLocale& locale = QLocale::system());

// An amount in minor units as money in the locale's style: 4000 with 2 places in "EUR"
// reads "€40.00" in English. A currency the platform does not know keeps its code.
QString moneyText(double minorUnits, int decimalPlaces, const QString& currency,
                  const QLocale& locale);
