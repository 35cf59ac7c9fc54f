#include "services/parsing/further_limits.h"

#include "services/parsing/rfc3339.h"

#include <QCoreApplication>
#include <QHash>
#include <QJsonArray>

#include <algorithm>
#include <cmath>

namespace {

// The context this file's texts are translated in.
class Texts {
    Q_DECLARE_TR_FUNCTIONS(FurtherLimits)
};

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

QString nonEmptyText(const QJsonValue& value)
{
    return value.isString() ? value.toString().trimmed() : QString();
}

// The scope's model name, else any other name it carries. An older shape gave the scope
// as a bare key ("design").
QString scopeName(const QJsonValue& scope)
{
    if (scope.isString())
        return UsageWindows::generic(scope.toString()).title;
    const QJsonObject object = scope.toObject();
    for (const QLatin1String part : {QLatin1String("model"), QLatin1String("surface")}) {
        const QJsonValue value = object.value(part);
        if (const QString name = nonEmptyText(value); !name.isEmpty())
            return name;
        const QJsonObject named = value.toObject();
        for (const QLatin1String key :
             {QLatin1String("display_name"), QLatin1String("name"), QLatin1String("id")}) {
            if (const QString name = nonEmptyText(named.value(key)); !name.isEmpty())
                return name;
        }
    }
    return {};
}

std::optional<ListedLimit::Kind> limitKind(const QJsonValue& value)
{
    const QString kind = value.toString();
    if (kind == QLatin1String("session"))
        return ListedLimit::Kind::session;
    if (kind == QLatin1String("weekly_all"))
        return ListedLimit::Kind::weeklyAll;
    if (kind == QLatin1String("weekly_scoped"))
        return ListedLimit::Kind::weeklyScoped;
    return std::nullopt;
}

// Other members holding a window's figure; the known ones have rows of their own.
QList<WindowFigure> memberWindows(const QJsonObject& body, const QLocale& locale)
{
    QList<WindowFigure> windows;
    for (auto it = body.begin(); it != body.end(); ++it) {
        if (isKnown(it.key()) || it.key() == UsageWindows::extraUsageId || !it->isObject())
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
                        dollarsDetail(window, locale)});
    }
    return windows;
}

// Scoped weekly limits of the "limits" list that no member and no known window covers:
// a known model's limit belongs to its window, whose member wins when present.
QList<WindowFigure> scopedLimits(const QJsonObject& body, const QList<WindowFigure>& members)
{
    QList<WindowFigure> windows = members;
    for (const ListedLimit& limit : listedLimits(body)) {
        if (limit.kind != ListedLimit::Kind::weeklyScoped || UsageWindows::forModel(limit.name))
            continue;
        const UsageWindowKind kind = UsageWindows::scoped(limit.name);
        const bool covered =
            std::any_of(windows.begin(), windows.end(),
                        [&](const WindowFigure& f) { return f.kind.id == kind.id; });
        if (!covered)
            windows.append({kind, limit.percent, limit.resetsAt, {}, {}});
    }
    return windows.mid(members.size());
}

std::optional<WindowFigure> extraUsage(const QJsonObject& body, const QLocale& locale)
{
    const QJsonObject extra = body.value(UsageWindows::extraUsageId).toObject();
    if (extra.value(QLatin1String("is_enabled")).toBool() != true)
        return std::nullopt;
    const double used = finiteNumber(extra.value(QLatin1String("used_credits"))).value_or(0);
    const std::optional<double> limit = finiteNumber(extra.value(QLatin1String("monthly_limit")));
    std::optional<double> percent = finiteNumber(extra.value(QLatin1String("utilization")));
    if (!percent && limit && *limit > 0)
        percent = used / *limit * 100;

    WindowFigure figure;
    figure.kind = UsageWindows::extraUsage();
    figure.percent = percent.value_or(0);
    if (limit) {
        const int places = std::clamp(extra.value(QLatin1String("decimal_places")).toInt(2), 0, 6);
        const QString currency = extra.value(QLatin1String("currency")).toString();
        figure.detail = Texts::tr("%1 of %2")
                            .arg(moneyText(used, places, currency, locale),
                                 moneyText(*limit, places, currency, locale));
    }
    if (extra.value(QLatin1String("disabled_reason")).toString() == QLatin1String("out_of_credits"))
        figure.resetNote = Texts::tr("Out of credits");
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

QList<ListedLimit> listedLimits(const QJsonObject& body)
{
    QList<ListedLimit> limits;
    const QJsonArray entries = body.value(QLatin1String("limits")).toArray();
    for (const QJsonValue& entry : entries) {
        const QJsonObject limit = entry.toObject();
        const std::optional<ListedLimit::Kind> kind = limitKind(limit.value(QLatin1String("kind")));
        const std::optional<double> percent = finiteNumber(limit.value(QLatin1String("percent")));
        const QString name = scopeName(limit.value(QLatin1String("scope")));
        if (!kind || !percent || (*kind == ListedLimit::Kind::weeklyScoped && name.isEmpty()))
            continue;
        limits.append({*kind, name, *percent, resetOf(limit.value(QLatin1String("resets_at")))});
    }
    return limits;
}

QString dollarsDetail(const QJsonObject& window, const QLocale& locale)
{
    const auto amount = [&](const char* key) {
        return finiteNumber(window.value(QLatin1String(key)));
    };
    const auto dollars = [&](double value) {
        return moneyText(value * 100, 2, QStringLiteral("USD"), locale);
    };
    const std::optional<double> used = amount("used_dollars");
    const std::optional<double> limit = amount("limit_dollars");
    const std::optional<double> remaining = amount("remaining_dollars");
    if (used && limit)
        return Texts::tr("%1 of %2").arg(dollars(*used), dollars(*limit));
    if (remaining)
        return Texts::tr("%1 left").arg(dollars(*remaining));
    return used ? dollars(*used) : QString();
}

QString moneyText(double minorUnits, int decimalPlaces, const QString& currency,
                  const QLocale& locale)
{
    const double amount = minorUnits / std::pow(10.0, decimalPlaces);
    return locale.toCurrencyString(amount, currencySymbol(currency.toUpper()), decimalPlaces);
}

QList<WindowFigure> parseFurtherLimits(const QJsonObject& body, const QLocale& locale)
{
    const QList<WindowFigure> members = memberWindows(body, locale);
    QList<WindowFigure> further = members + scopedLimits(body, members);
    std::sort(further.begin(), further.end(),
              [](const WindowFigure& a, const WindowFigure& b) { return a.kind.id < b.kind.id; });
    if (const std::optional<WindowFigure> extra = extraUsage(body, locale))
        further.append(*extra);
    return further;
}
