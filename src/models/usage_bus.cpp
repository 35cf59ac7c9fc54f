#include "models/usage_bus.h"

#include "models/instant_text.h"

#include <cmath>

namespace UsageBus {

namespace {

const QString idKey = QStringLiteral("id");
const QString titleKey = QStringLiteral("title");
const QString subtitleKey = QStringLiteral("subtitle");
const QString percentKey = QStringLiteral("percent");
const QString resetsAtKey = QStringLiteral("resetsAt");
const QString timeOfDayKey = QStringLiteral("timeOfDay");
const QString noteKey = QStringLiteral("note");
const QString detailKey = QStringLiteral("detail");

} // namespace

QVariantMap entryOf(const WindowFigure& figure)
{
    return {{idKey, figure.kind.id},
            {titleKey, figure.kind.title},
            {subtitleKey, figure.kind.subtitle},
            {percentKey, figure.percent},
            {resetsAtKey, InstantText::iso(figure.resetsAt)},
            {timeOfDayKey, figure.kind.resetStyle == ResetStyle::timeOfDay},
            {noteKey, figure.resetNote},
            {detailKey, figure.detail}};
}

WindowFigure figureOf(const QVariantMap& entry)
{
    const QString id = entry.value(idKey).toString();
    const UsageWindowKind* known = UsageWindows::find(id);
    WindowFigure figure;
    figure.kind = known ? *known : UsageWindows::generic(id);
    figure.kind.title = entry.value(titleKey).toString();
    figure.kind.subtitle = entry.value(subtitleKey).toString();
    figure.kind.resetStyle =
        entry.value(timeOfDayKey).toBool() ? ResetStyle::timeOfDay : ResetStyle::dateAndTime;
    bool ok = false;
    figure.percent = entry.value(percentKey).toDouble(&ok);
    if (!ok)
        figure.percent = std::nan("");
    figure.resetsAt = QDateTime::fromString(entry.value(resetsAtKey).toString(), Qt::ISODate);
    figure.resetNote = entry.value(noteKey).toString();
    figure.detail = entry.value(detailKey).toString();
    return figure;
}

} // namespace UsageBus
