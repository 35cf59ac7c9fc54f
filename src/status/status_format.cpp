#include "status/status_format.h"

#include "models/usage_window.h"
#include "models/whole_percent.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QRegularExpression>

#include <cmath>

namespace {

// key: the placeholder name; name: as shown, and the prefix of its bus properties.
struct Window {
    QString key;
    QString name;
    UsageWindowKind kind;
};

const QList<Window>& windowList()
{
    static const QList<Window> list = [] {
        QList<Window> all;
        for (const UsageWindowKind& kind : UsageWindows::known())
            all.append({kind.id, kind.title, kind});
        return all;
    }();
    return list;
}

bool hasData(const QVariantMap& state)
{
    return state.value(QStringLiteral("HasData")).toBool();
}

bool present(const QVariantMap& state, const Window& window)
{
    if (!hasData(state))
        return false;
    if (window.key == QLatin1String("opus"))
        return state.value(QStringLiteral("HasOpus")).toBool();
    return true;
}

double percentOf(const QVariantMap& state, const Window& window)
{
    if (!present(state, window))
        return std::nan("");
    bool ok = false;
    const double value = state.value(window.name + QLatin1String("Percent")).toDouble(&ok);
    return ok ? value : std::nan("");
}

QString wholeText(double percent)
{
    const std::optional<std::int64_t> whole = wholePercent(percent);
    return whole ? QString::number(*whole) : QStringLiteral("--");
}

QDateTime instant(const QVariantMap& state, const QString& property)
{
    return QDateTime::fromString(state.value(property).toString(), Qt::ISODate);
}

QString resetText(const QVariantMap& state, const Window& window)
{
    const QDateTime at = instant(state, window.name + QLatin1String("ResetsAt"));
    if (!present(state, window) || !at.isValid())
        return QString();
    return UsageWindows::resetText({window.kind, 0, at, {}, {}});
}

QString updatedText(const QVariantMap& state)
{
    const QDateTime at = instant(state, QStringLiteral("LastUpdated"));
    return at.isValid() ? QLocale::system().toString(at.toLocalTime(), QStringLiteral("HH:mm"))
                        : QString();
}

// The same choice as the tray: "weekly" and "sonnet" by name, anything else the session.
const Window& shownWindow(const QVariantMap& state)
{
    const QString metric = state.value(QStringLiteral("Metric")).toString();
    if (metric == QLatin1String("weekly"))
        return windowList().at(1);
    if (metric == QLatin1String("sonnet"))
        return windowList().at(2);
    return windowList().at(0);
}

QString severityClass(double percent)
{
    if (percent >= 90)
        return QStringLiteral("critical");
    if (percent >= 70)
        return QStringLiteral("warning");
    return QStringLiteral("low");
}

QString toolTip(const QVariantMap& state)
{
    QStringList lines;
    for (const Window& window : windowList()) {
        if (!present(state, window))
            continue;
        QString line =
            window.name + QLatin1Char(' ') + wholeText(percentOf(state, window)) + QLatin1Char('%');
        const QString reset = resetText(state, window);
        if (!reset.isEmpty())
            line += QStringLiteral(", resets ") + reset;
        lines << line;
    }
    if (!hasData(state))
        lines << (state.value(QStringLiteral("HasCookie")).toBool()
                      ? QStringLiteral("No figures yet")
                      : QStringLiteral("No session cookie: open Gaugery to set one"));
    const QString updated = updatedText(state);
    if (!updated.isEmpty())
        lines << QStringLiteral("Updated ") + updated;
    const QString error = state.value(QStringLiteral("Error")).toString();
    if (!error.isEmpty())
        lines << error;
    return lines.join(QLatin1Char('\n'));
}

} // namespace

namespace StatusFormat {

QString json(const QVariantMap& state)
{
    const Window& shown = shownWindow(state);
    const double percent = percentOf(state, shown);
    const std::optional<std::int64_t> whole = wholePercent(percent);
    QJsonObject object{
        {QStringLiteral("text"), wholeText(percent) + QLatin1Char('%')},
        {QStringLiteral("tooltip"), toolTip(state)},
        {QStringLiteral("class"), severityClass(percent)},
    };
    if (whole)
        object.insert(QStringLiteral("percentage"), qint64(*whole));
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

QString text(const QVariantMap& state, const QString& format)
{
    static const QRegularExpression placeholder(QStringLiteral("\\{([a-z_]+)\\}"));
    QString out;
    qsizetype last = 0;
    for (const QRegularExpressionMatch& match : placeholder.globalMatch(format)) {
        out += format.mid(last, match.capturedStart() - last);
        last = match.capturedEnd();
        const QString name = match.captured(1);
        std::optional<QString> value;
        for (const Window& window : windowList()) {
            if (name == window.key)
                value = wholeText(percentOf(state, window));
            else if (name == window.key + QLatin1String("_reset"))
                value = resetText(state, window);
        }
        if (name == QLatin1String("updated"))
            value = updatedText(state);
        else if (name == QLatin1String("error"))
            value = state.value(QStringLiteral("Error")).toString();
        out += value.value_or(match.captured(0));
    }
    return out + format.mid(last);
}

} // namespace StatusFormat
