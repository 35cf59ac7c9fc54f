#pragma once

#include "models/usage_window.h"

#include <QJsonObject>
#include <QList>
#include <QLocale>

// One entry of the body's "limits" list, the service's own list of what it enforces.
struct ListedLimit {
    enum class Kind { session, weeklyAll, weeklyScoped };
    Kind kind = Kind::session;
    // A scoped limit's name: its model's display name, or another name its scope
    // carries; never empty for a scoped limit.
    QString name;
    double percent = 0;
    // Invalid when the entry names none.
    QDateTime resetsAt;
};

// The entries of "limits" that can be shown: a known kind, a finite percent, and for a
// scoped limit a name. Anything else gives no entry.
QList<ListedLimit> listedLimits(const QJsonObject& body);

// The limits a usage body reports beyond the four windows the program knows by name:
// any other member holding a numeric "utilization", the scoped entries of "limits" that
// neither a member nor a known window covers, and extra usage when it is enabled.
// Anything else, or of another shape, gives no row. In display order: by key, extra
// usage last.
QList<WindowFigure> parseFurtherLimits(const QJsonObject& body,
                                       const QLocale& locale = QLocale::system());

// A window member's spend ("limit_dollars", "used_dollars", "remaining_dollars") as a
// detail line like extra usage's ("$12.50 of $40.00"); empty when the amounts are null.
QString dollarsDetail(const QJsonObject& window, const QLocale& locale);

// An amount in minor units as money in the locale's style: 4000 with 2 places in "EUR"
// reads "€40.00" in English. A currency the platform does not know keeps its code.
QString moneyText(double minorUnits, int decimalPlaces, const QString& currency,
                  const QLocale& locale);
