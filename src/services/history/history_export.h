#pragma once

#include "models/history_point.h"

#include <QList>
#include <QString>

#include <optional>

// The stored figures as files for spreadsheets and scripts: the History window's export
// and gaugery-status --history.
namespace HistoryExport {

// A header row "time,window,utilization,resets_at", then one row per point: times in
// ISO 8601 UTC ("2026-02-09T12:00:00Z"), the utilization with a dot and no grouping, an
// empty resets_at when unknown. Lines end in "\n".
QString csv(const QList<HistoryPoint>& points);

// One JSON array of objects with the same four members, resets_at null when unknown.
QString json(const QList<HistoryPoint>& points);

// A span written as a whole number of hours or days ("24h", "7d", "30d") in seconds;
// nothing for anything else.
std::optional<qint64> spanSeconds(const QString& text);

} // namespace HistoryExport
