#include "services/further_limits.h"

#include "services/rfc3339.h"

#include <QHash>
#include <QJsonArray>

#include <algorithm>
#include <cmath>

namespace {

const QLatin1String extraUsageKey("extra_usage");
const QLatin1String scopedPrefix("seven_day_");

std::optional<double> finiteNumber(const QJsonValue& value)
{
    if (!value.isDouble() || !std::isfinite(value.toDouble()))
        return std::nullopt;
    return value.toDouble();
}

QDateTime resetOf(const QJsonValue& value)
{
    return value.isString() ? parseRfc3339(value.toString()).value_or(QDateTime()) : QDateTime();
}

bool isKnown(const QString& key)
{
    const QList<UsageWindowKind>& known = UsageWindows::known();
    return std::any_of(known.begin(), known.end(),
                       [&](const UsageWindowKind& kind) { return kind.bodyKey == key; });
}

// Other members holding a window's figure; the known ones have rows of their own.
QList<WindowFigure> memberWindows(const QJsonObject& body)
{
    QList<WindowFigure> windows;
    for (auto it = body.begin(); it != body.end(); ++it) {
        if (isKnown(it.key()) || it.key() == extraUsageKey || !it->isObject())
            continue;
        const QJsonObject window = it->toObject();
        const std::optional<double> percent =
            finiteNumber(window.value(QLatin1String("utilization")));
        if (!percent)
            continue;
        windows.append({UsageWindows::generic(it.key()),
                        *percent,
                        resetOf(window.value(QLatin1String("resets_at"))),
                        {},
                        {}});
    }
    return windows;
}

bool covered(const QJsonObject& body, const QList<WindowFigure>& members, const QString& key)
{
    if (isKnown(key))
        return body.value(key).isObject();
    return std::any_of(members.begin(), members.end(),
                       [&](const WindowFigure& figure) { return figure.kind.id == key; });
}

// Scoped weekly limits of the "limits" list, unless a member already reports the scope.
QList<WindowFigure> scopedLimits(const QJsonObject& body, const QList<WindowFigure>& members)
{
    QList<WindowFigure> windows;
    const QJsonArray limits = body.value(QLatin1String("limits")).toArray();
    for (const QJsonValue& entry : limits) {
        const QJsonObject limit = entry.toObject();
        const QString scope = limit.value(QLatin1String("scope")).toString();
        const std::optional<double> percent = finiteNumber(limit.value(QLatin1String("percent")));
        if (limit.value(QLatin1String("kind")).toString() != QLatin1String("weekly_scoped") ||
            scope.isEmpty() || !percent)
            continue;
        const QString key = scopedPrefix + scope;
        const bool twice = std::any_of(windows.begin(), windows.end(),
                                       [&](const WindowFigure& f) { return f.kind.id == key; });
        if (twice || covered(body, members, key))
            continue;
        windows.append({UsageWindows::generic(key),
                        *percent,
                        resetOf(limit.value(QLatin1String("resets_at"))),
                        {},
                        {}});
    }
    return windows;
}

std::optional<WindowFigure> extraUsage(const QJsonObject& body, const QLocale& locale)
{
    const QJsonObject extra = body.value(extraUsageKey).toObject();
    if (extra.value(QLatin1String("is_enabled")).toBool() != true)
        return std::nullopt;
    const double used = finiteNumber(extra.value(QLatin1String("used_credits"))).value_or(0);
    const std::optional<double> limit = finiteNumber(extra.value(QLatin1String("monthly_limit")));
    std::optional<double> percent = finiteNumber(extra.value(QLatin1String("utilization")));
    if (!percent && limit && *limit > 0)
        percent = used / *limit * 100;

    WindowFigure figure;
    figure.kind.id = extraUsageKey;
    figure.kind.bodyKey = extraUsageKey;
    figure.kind.title = QStringLiteral("Extra usage");
    figure.kind.icon = QStringLiteral("creditcard.fill");
    figure.percent = percent.value_or(0);
    if (limit) {
        const int places = std::clamp(extra.value(QLatin1String("decimal_places")).toInt(2), 0, 6);
        const QString currency = extra.value(QLatin1String("currency")).toString();
        figure.detail = moneyText(used, places, currency, locale) + QStringLiteral(" of ") +
                        moneyText(*limit, places, currency, locale);
    }
    if (extra.value(QLatin1String("disabled_reason")).toString() == QLatin1String("out_of_credits"))
        figure.resetNote = QStringLiteral("Out of credits");
    return figure;
}

// The symbol of a currency by its ISO code, from the first locale that uses it. Qt
// knows a currency only through the locales that use it; the table is built once, and
// its initialisation is safe from the decoding threads.
QString currencySymbol(const QString& code)
{
    static const QHash<QString, QString> symbols = [] {
        QHash<QString, QString> table;
        for (const QLocale& locale : QLocale::matchingLocales(
                 QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory)) {
            const QString iso = locale.currencySymbol(QLocale::CurrencyIsoCode);
            if (!iso.isEmpty() && !table.contains(iso))
                table.insert(iso, locale.currencySymbol(QLocale::CurrencySymbol));
        }
        return table;
    }();
    return symbols.value(code, code);
}

} // namespace

QString moneyText(double minorUnits, int decimalPlaces, const QString& currency,
                  const QLocale& locale)
{
    const double amount = minorUnits / std::pow(10.0, decimalPlaces);
    return locale.toCurrencyString(amount, currencySymbol(currency.toUpper()), decimalPlaces);
}

QList<WindowFigure> parseFurtherLimits(const QJsonObject& body, const QLocale& locale)
{
    const QList<WindowFigure> members = memberWindows(body);
    QList<WindowFigure> further = members + scopedLimits(body, members);
    std::sort(further.begin(), further.end(),
              [](const WindowFigure& a, const WindowFigure& b) { return a.kind.id < b.kind.id; });
    if (const std::optional<WindowFigure> extra = extraUsage(body, locale))
        further.append(*extra);
    return further;
}
