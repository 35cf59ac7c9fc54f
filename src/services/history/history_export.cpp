#include "services/history/history_export.h"

#include "models/instant_text.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

namespace HistoryExport {

namespace {

// Window ids come from the service's body keys: quoted when they would break a row.
QString csvField(const QString& text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString numberText(double value)
{
    return QLocale::c().toString(value, 'g', QLocale::FloatingPointShortest);
}

} // namespace

QString csv(const QList<HistoryPoint>& points)
{
    QString out = QStringLiteral("time,window,utilization,resets_at\n");
    for (const HistoryPoint& point : points)
        out += InstantText::iso(point.at) + QLatin1Char(',') + csvField(point.windowId) +
               QLatin1Char(',') + numberText(point.percent) + QLatin1Char(',') +
               InstantText::iso(point.resetsAt) + QLatin1Char('\n');
    return out;
}

QString json(const QList<HistoryPoint>& points)
{
    QJsonArray array;
    for (const HistoryPoint& point : points)
        array.append(QJsonObject{
            {QStringLiteral("time"), InstantText::iso(point.at)},
            {QStringLiteral("window"), point.windowId},
            {QStringLiteral("utilization"), point.percent},
            {QStringLiteral("resets_at"), point.resetsAt.isValid()
                                              ? QJsonValue(InstantText::iso(point.resetsAt))
                                              : QJsonValue()},
        });
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

std::optional<qint64> spanSeconds(const QString& text)
{
    if (text.size() < 2)
        return std::nullopt;
    const QChar unit = text.back();
    bool number = false;
    const qint64 count = text.chopped(1).toLongLong(&number);
    // Beyond ten years the store holds nothing anyway.
    if (!number || count <= 0 || count > 3650 * 24 || !text.front().isDigit())
        return std::nullopt;
    if (unit == QLatin1Char('h'))
        return count * 3600;
    if (unit == QLatin1Char('d'))
        return count * 86400;
    return std::nullopt;
}

} // namespace HistoryExport
