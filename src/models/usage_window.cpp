#include "models/usage_window.h"

#include "models/instant_text.h"
#include "models/usage_data.h"
#include "models/whole_percent.h"

#include <QCoreApplication>
#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// The context this file's texts are translated in.
class Texts {
    Q_DECLARE_TR_FUNCTIONS(UsageWindows)
};

} // namespace

namespace UsageWindows {

namespace {

// A per-model window's body key is this prefix and the model's name.
const QLatin1String weeklyPrefix("seven_day_");

struct LengthPrefix {
    QLatin1String prefix;
    QString subtitle;
};

const QList<LengthPrefix>& lengthPrefixes()
{
    static const QList<LengthPrefix> prefixes{
        {QLatin1String("five_hour_"), Texts::tr("5 hour")},
        {weeklyPrefix, Texts::tr("7 day")},
    };
    return prefixes;
}

// The locale's own forms: "3:05 PM" and "Jan 15, 3:05 PM" in English, "15:05" and
// "15. Jan., 15:05" in German.
QString patternOf(ResetStyle style)
{
    const QString time = InstantText::timeOfDayPattern();
    return style == ResetStyle::timeOfDay
               ? time
               : InstantText::monthDayPattern() + QStringLiteral(", ") + time;
}

} // namespace

const QList<UsageWindowKind>& known()
{
    static const QList<UsageWindowKind> table{
        {sessionId, QStringLiteral("five_hour"), Texts::tr("Session"), Texts::tr("5 hour"),
         QStringLiteral("clock.fill"), ResetStyle::timeOfDay, true, 0xd4691e},
        {weeklyId, QStringLiteral("seven_day"), Texts::tr("Weekly"), Texts::tr("7 day"),
         QStringLiteral("calendar"), ResetStyle::dateAndTime, true, 0x3d7be0},
        {sonnetId, QStringLiteral("seven_day_sonnet"), QStringLiteral("Sonnet"), Texts::tr("7 day"),
         QStringLiteral("star.fill"), ResetStyle::dateAndTime, true, 0x23975c},
        {opusId, QStringLiteral("seven_day_opus"), QStringLiteral("Opus"), Texts::tr("7 day"),
         QStringLiteral("diamond.fill"), ResetStyle::dateAndTime, false, 0xa45fd6},
    };
    return table;
}

const UsageWindowKind* find(const QString& id)
{
    const QList<UsageWindowKind>& table = known();
    const auto found = std::find_if(table.begin(), table.end(),
                                    [&](const UsageWindowKind& kind) { return kind.id == id; });
    return found == table.end() ? nullptr : &*found;
}

UsageWindowKind generic(const QString& bodyKey)
{
    UsageWindowKind kind;
    kind.id = bodyKey;
    kind.bodyKey = bodyKey;
    kind.icon = QStringLiteral("gauge");
    QString name = bodyKey;
    for (const LengthPrefix& length : lengthPrefixes()) {
        if (name.startsWith(length.prefix) && name.size() > length.prefix.size()) {
            name = name.mid(length.prefix.size());
            kind.subtitle = length.subtitle;
            break;
        }
    }
    QStringList words = name.split(QLatin1Char('_'), Qt::SkipEmptyParts);
    for (QString& word : words)
        word[0] = word[0].toUpper();
    kind.title = words.join(QLatin1Char(' '));
    return kind;
}

UsageWindowKind scoped(const QString& name)
{
    // The id keeps letters and digits only, so it is a body key's shape whatever the name.
    QString slug;
    for (const QChar c : name.toLower()) {
        if (c.isLetterOrNumber())
            slug += c;
        else if (!slug.isEmpty() && !slug.endsWith(u'_'))
            slug += u'_';
    }
    while (slug.endsWith(u'_'))
        slug.chop(1);
    UsageWindowKind kind = generic(weeklyPrefix + slug);
    kind.title = name;
    kind.subtitle = lengthPrefixes().at(1).subtitle;
    return kind;
}

UsageWindowKind extraUsage()
{
    UsageWindowKind kind;
    kind.id = extraUsageId;
    kind.bodyKey = extraUsageId;
    kind.title = Texts::tr("Extra usage");
    kind.icon = QStringLiteral("creditcard.fill");
    return kind;
}

const UsageWindowKind* forModel(const QString& name)
{
    static const QRegularExpression nonLetters(QStringLiteral("[^a-z]+"));
    const QStringList words = name.toLower().split(nonLetters, Qt::SkipEmptyParts);
    for (const UsageWindowKind& kind : known()) {
        if (kind.bodyKey.startsWith(weeklyPrefix) &&
            words.contains(kind.bodyKey.mid(weeklyPrefix.size())))
            return &kind;
    }
    return nullptr;
}

QList<WindowFigure> figures(const UsageData& data)
{
    const QList<UsageWindowKind>& table = known();
    const auto figure = [&](int row, double percent, const QDateTime& reset) {
        const UsageWindowKind& kind = table.at(row);
        return WindowFigure{kind, percent, reset, {}, data.windowDetails.value(kind.id)};
    };
    QList<WindowFigure> list;
    if (data.sessionUsagePercent)
        list.append(figure(0, *data.sessionUsagePercent, data.sessionResetTime));
    if (data.weeklyUsagePercent)
        list.append(figure(1, *data.weeklyUsagePercent, data.weeklyResetTime));
    if (data.weeklySonnetUsagePercent)
        list.append(figure(2, *data.weeklySonnetUsagePercent, data.weeklySonnetResetTime));
    if (data.weeklyOpusUsagePercent && data.weeklyOpusResetTime)
        list.append(figure(3, *data.weeklyOpusUsagePercent, *data.weeklyOpusResetTime));
    list.append(data.furtherWindows);
    return list;
}

QList<WindowFigure> figuresAt(const UsageData& data, const QDateTime& now)
{
    QList<WindowFigure> list = figures(data);
    if (!now.isValid() || !data.lastUpdated.isValid())
        return list;
    for (WindowFigure& figure : list) {
        // A reset the service already named as passed is its own figure, not a guess.
        const QDateTime taken = data.takenAt.value(figure.kind.id, data.lastUpdated);
        if (!figure.resetsAt.isValid() || figure.resetsAt <= taken || figure.resetsAt > now)
            continue;
        figure.percent = 0;
        figure.resetNote = Texts::tr("Reset at %1, waiting for figures").arg(resetText(figure));
        figure.detail.clear();
        figure.inferred = true;
    }
    return list;
}

bool nearerToLimit(const WindowFigure& a, const WindowFigure& b)
{
    // NaN compares with nothing, so it never wins; nor does a figure of Gaugery's own.
    const auto ranked = [](const WindowFigure& f) { return !f.inferred && !std::isnan(f.percent); };
    if (ranked(a) != ranked(b))
        return ranked(a);
    return a.percent > b.percent;
}

bool choosesFurtherWindow(const QString& metric)
{
    // Ids are body keys and lower-case slugs of names; anything else an edited file may
    // hold ("Weekly", "opus", "") shows the session.
    static const QRegularExpression oneWord(QStringLiteral("^\\S+$"));
    return metric != highestMetric && !find(metric) && metric == metric.toLower() &&
           oneWord.match(metric).hasMatch();
}

UsageWindowKind kindOf(const QString& id)
{
    if (const UsageWindowKind* known = find(id))
        return *known;
    return id == extraUsageId ? extraUsage() : generic(id);
}

QString chosenWindow(const QString& metric)
{
    if (metric == highestMetric)
        return {};
    const UsageWindowKind* chosen = find(metric);
    const bool named = (chosen && chosen->isMetric) || choosesFurtherWindow(metric);
    return named ? metric : sessionId;
}

std::optional<WindowFigure> shownFigure(const QList<WindowFigure>& all, const QString& metric)
{
    if (all.isEmpty())
        return std::nullopt;
    const QString id = chosenWindow(metric);
    if (id.isEmpty())
        return *std::min_element(all.begin(), all.end(), nearerToLimit);
    const auto found = std::find_if(
        all.begin(), all.end(), [&](const WindowFigure& figure) { return figure.kind.id == id; });
    return found == all.end() ? std::nullopt : std::optional(*found);
}

std::optional<WindowFigure> shownFigure(const UsageData& data, const QString& metric,
                                        const QDateTime& now)
{
    return shownFigure(figuresAt(data, now), metric);
}

Severity severityOf(double percent)
{
    if (percent >= 90)
        return Severity::critical;
    if (percent >= 70)
        return Severity::warning;
    return Severity::normal;
}

QString severityName(Severity severity)
{
    switch (severity) {
    case Severity::critical:
        return QStringLiteral("critical");
    case Severity::warning:
        return QStringLiteral("warning");
    case Severity::normal:
        break;
    }
    return QStringLiteral("low");
}

QString wholeText(double percent)
{
    const std::optional<std::int64_t> whole = wholePercent(percent);
    return whole ? QString::number(*whole) : QStringLiteral("--");
}

QString rowPercentText(double percent)
{
    if (std::isnan(percent))
        return QStringLiteral("–%");
    const std::optional<std::int64_t> whole = wholePercent(std::max(percent, 0.0));
    return QString::number(whole.value_or(std::numeric_limits<std::int64_t>::max())) +
           QLatin1Char('%');
}

QString resetText(const WindowFigure& figure)
{
    if (!figure.resetNote.isEmpty())
        return figure.resetNote;
    if (!figure.resetsAt.isValid())
        return QString();
    return QLocale::system().toString(figure.resetsAt.toLocalTime(),
                                      patternOf(figure.kind.resetStyle));
}

QString resetPhrase(const WindowFigure& figure, bool sentence)
{
    if (!figure.resetNote.isEmpty())
        return figure.resetNote;
    const QString reset = resetText(figure);
    if (reset.isEmpty())
        return {};
    if (figure.kind.resetStyle == ResetStyle::timeOfDay)
        return (sentence ? Texts::tr("Resets at %1") : Texts::tr("resets at %1")).arg(reset);
    return (sentence ? Texts::tr("Resets %1") : Texts::tr("resets %1")).arg(reset);
}

QString updatedText(const QDateTime& lastUpdated)
{
    return Texts::tr("Updated %1").arg(timeOfDayText(lastUpdated));
}

QString timeOfDayText(const QDateTime& instant)
{
    if (!instant.isValid())
        return QString();
    return QLocale::system().toString(instant.toLocalTime(), patternOf(ResetStyle::timeOfDay));
}

bool sameReset(const QDateTime& a, const QDateTime& b)
{
    return a.isValid() && b.isValid() && std::abs(a.secsTo(b)) <= 60;
}

} // namespace UsageWindows
