#include "status/status_format.h"

#include "models/freshness.h"
#include "models/usage_bus.h"
#include "models/usage_window.h"
#include "models/whole_percent.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QRegularExpression>

#include <cmath>

namespace {

// The context this file's texts are translated in.
class Texts {
    Q_DECLARE_TR_FUNCTIONS(StatusFormat)
};

QList<WindowFigure> windowsOf(const QVariantMap& state)
{
    QList<WindowFigure> windows;
    for (const QVariant& entry : state.value(UsageBus::windowsProperty).toList())
        windows.append(UsageBus::figureOf(entry.toMap()));
    return windows;
}

std::optional<WindowFigure> windowWithId(const QVariantMap& state, const QString& id)
{
    for (const WindowFigure& figure : windowsOf(state)) {
        if (figure.kind.id == id)
            return figure;
    }
    return std::nullopt;
}

QDateTime updatedAt(const QVariantMap& state)
{
    return QDateTime::fromString(state.value(QStringLiteral("LastUpdated")).toString(),
                                 Qt::ISODate);
}

// How current the shown account's figures are, as the agent says, at this moment.
Freshness freshnessOf(const QVariantMap& state)
{
    Freshness freshness;
    freshness.stale = state.value(QStringLiteral("Stale")).toBool();
    freshness.asOf = updatedAt(state);
    return freshness;
}

QString lineOf(const WindowFigure& figure)
{
    QString line = figure.kind.title + u' ' + UsageWindows::wholeText(figure.percent) + u'%';
    if (const QString reset = UsageWindows::resetPhrase(figure); !reset.isEmpty())
        line += QStringLiteral(", ") + reset;
    if (!figure.detail.isEmpty())
        line += QStringLiteral(", ") + figure.detail;
    return line;
}

QString toolTip(const QVariantMap& state)
{
    QStringList lines;
    for (const WindowFigure& figure : windowsOf(state))
        lines << lineOf(figure);
    if (!state.value(QStringLiteral("HasData")).toBool())
        lines << (state.value(QStringLiteral("HasCookie")).toBool()
                      ? Texts::tr("No figures yet")
                      : Texts::tr("No session cookie: open Gaugery to set one"));
    if (const QString updated = freshnessOf(state).updatedText(QDateTime::currentDateTimeUtc());
        !updated.isEmpty())
        lines << updated;
    const QString error = state.value(QStringLiteral("Error")).toString();
    if (!error.isEmpty())
        lines << error;
    return lines.join(u'\n');
}

std::optional<QString> placeholder(const QVariantMap& state, QString name)
{
    if (name == QLatin1String("account"))
        return state.value(QStringLiteral("Account")).toString();
    if (name == QLatin1String("updated"))
        return UsageWindows::timeOfDayText(updatedAt(state));
    if (name == QLatin1String("age")) {
        const QDateTime updated = updatedAt(state);
        return updated.isValid() ? Freshness::ageText(updated, QDateTime::currentDateTimeUtc())
                                 : QString();
    }
    if (name == QLatin1String("error"))
        return state.value(QStringLiteral("Error")).toString();
    const bool named = name.startsWith(QLatin1String("window:"));
    if (named)
        name = name.mid(7);
    const bool reset = name.endsWith(QLatin1String("_reset"));
    const QString id = reset ? name.chopped(6) : name;
    const std::optional<WindowFigure> figure = windowWithId(state, id);
    // A window the program knows, or one the agent reports, is a placeholder even when it
    // has no figure now; any other word stays as written.
    if (!figure && !named && !UsageWindows::find(id))
        return std::nullopt;
    if (reset)
        return figure ? UsageWindows::resetText(*figure) : QString();
    return UsageWindows::wholeText(figure ? figure->percent : std::nan(""));
}

} // namespace

namespace StatusFormat {

std::optional<QVariantMap> forAccount(const QVariantMap& state, const QString& name)
{
    const QString wanted =
        name.isEmpty() ? state.value(QStringLiteral("Account")).toString() : name;
    if (wanted.isEmpty())
        return state;
    // The account's own state, where the agent exports it: it has one with no figures too.
    const QVariantList accounts = state.value(UsageBus::accountsProperty).toList();
    std::optional<QVariantMap> own;
    for (const QVariant& entry : accounts) {
        const QVariantMap map = entry.toMap();
        if (map.value(QStringLiteral("Account")).toString() == wanted ||
            map.value(UsageBus::accountIdKey).toString() == wanted) {
            own = map;
            break;
        }
    }
    // One account: its windows carry no account, and the state is all its own.
    if (own && accounts.size() == 1)
        return state;
    QVariantList windows;
    for (const QVariant& entry : state.value(UsageBus::windowsProperty).toList()) {
        const QVariantMap map = entry.toMap();
        const bool ofIt =
            own ? map.value(UsageBus::accountKey) == own->value(UsageBus::accountIdKey)
                : map.value(UsageBus::accountNameKey).toString() == wanted ||
                      map.value(UsageBus::accountKey).toString() == wanted;
        if (ofIt)
            windows.append(map);
    }
    if (!own && windows.isEmpty())
        return name.isEmpty() ? std::optional(state) : std::nullopt;
    QVariantMap scoped = state;
    scoped.insert(UsageBus::windowsProperty, windows);
    if (own) {
        for (auto it = own->begin(); it != own->end(); ++it) {
            if (it.key() != UsageBus::accountIdKey)
                scoped.insert(it.key(), it.value());
        }
    } else {
        scoped.insert(QStringLiteral("Account"),
                      windows.first().toMap().value(UsageBus::accountNameKey));
        scoped.insert(QStringLiteral("Stale"), windows.first().toMap().value(UsageBus::staleKey));
    }
    QList<WindowFigure> figures;
    for (const QVariant& entry : windows)
        figures.append(UsageBus::figureOf(entry.toMap()));
    const QString metric = state.value(QStringLiteral("Metric")).toString();
    const std::optional<WindowFigure> shown = UsageWindows::shownFigure(figures, metric);
    // A chosen window the account's figures lack is shown as the tray shows it.
    if (!shown && (!figures.isEmpty() || UsageWindows::choosesFurtherWindow(metric))) {
        scoped.insert(QStringLiteral("ShownWindow"), UsageWindows::chosenWindow(metric));
        scoped.insert(QStringLiteral("Figure"), UsageWindows::unreportedText);
        return scoped;
    }
    scoped.insert(QStringLiteral("ShownWindow"), shown ? shown->kind.id : QString());
    scoped.insert(QStringLiteral("Figure"),
                  shown ? UsageWindows::wholeText(shown->percent) + u'%' : QString());
    return scoped;
}

QString json(const QVariantMap& state)
{
    const std::optional<WindowFigure> shown =
        windowWithId(state, state.value(QStringLiteral("ShownWindow")).toString());
    const QString figure = state.value(QStringLiteral("Figure")).toString();
    QJsonObject object{
        {QStringLiteral("text"), figure.isEmpty() ? QStringLiteral("--%") : figure},
        {QStringLiteral("tooltip"), toolTip(state)},
        {QStringLiteral("class"),
         UsageWindows::severityName(shown ? UsageWindows::severityOf(shown->percent)
                                          : Severity::normal)},
        {QStringLiteral("stale"), state.value(QStringLiteral("Stale")).toBool()},
    };
    if (const std::optional<std::int64_t> whole =
            shown ? wholePercent(shown->percent) : std::nullopt)
        object.insert(QStringLiteral("percentage"), qint64(*whole));
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

QString text(const QVariantMap& state, const QString& format)
{
    static const QRegularExpression pattern(QStringLiteral("\\{([a-z0-9_:]+)\\}"));
    QString out;
    qsizetype last = 0;
    for (const QRegularExpressionMatch& match : pattern.globalMatch(format)) {
        out += format.mid(last, match.capturedStart() - last);
        last = match.capturedEnd();
        out += placeholder(state, match.captured(1)).value_or(match.captured(0));
    }
    return out + format.mid(last);
}

} // namespace StatusFormat
