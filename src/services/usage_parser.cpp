#include "services/usage_parser.h"

#include "services/further_limits.h"
#include "services/json_decode.h"
#include "services/rfc3339.h"

#include <QJsonObject>

namespace {

constexpr qint64 sessionWindowSeconds = 5 * 60 * 60;
constexpr qint64 weeklyWindowSeconds = 7 * 24 * 60 * 60;

struct Window {
    double percent = 0;
    std::optional<QDateTime> reset;
};

std::optional<Window> readWindow(const QJsonObject& body, QLatin1String name)
{
    const QJsonValue member = body.value(name);
    if (!member.isObject())
        return std::nullopt;
    const QJsonObject window = member.toObject();
    Window result;
    result.percent = window.value(QLatin1String("utilization")).toDouble(0);
    const QJsonValue resetsAt = window.value(QLatin1String("resets_at"));
    if (resetsAt.isString())
        result.reset = parseRfc3339(resetsAt.toString());
    return result;
}

void fill(const QJsonObject& body, QLatin1String name, double& percent, QDateTime& reset)
{
    const auto window = readWindow(body, name);
    if (!window)
        return;
    percent = window->percent;
    if (window->reset)
        reset = *window->reset;
}

} // namespace

UsageParseResult parseUsageData(const QByteArray& body, const Clock& now)
{
    const JsonDecodeResult decoded = decodeJson(body);
    if (!decoded.value)
        return {std::nullopt, decoded.error};
    if (!decoded.value->isObject())
        return {std::nullopt, QStringLiteral("Invalid response format")};
    const QJsonObject object = decoded.value->toObject();

    UsageData data;
    data.sessionResetTime = now().addSecs(sessionWindowSeconds);
    data.weeklyResetTime = now().addSecs(weeklyWindowSeconds);
    data.weeklySonnetResetTime = now().addSecs(weeklyWindowSeconds);

    fill(object, QLatin1String("five_hour"), data.sessionUsagePercent, data.sessionResetTime);
    fill(object, QLatin1String("seven_day"), data.weeklyUsagePercent, data.weeklyResetTime);
    fill(object, QLatin1String("seven_day_sonnet"), data.weeklySonnetUsagePercent,
         data.weeklySonnetResetTime);
    if (const auto opus = readWindow(object, QLatin1String("seven_day_opus"))) {
        data.weeklyOpusUsagePercent = opus->percent;
        data.weeklyOpusResetTime = opus->reset;
    }
    data.furtherWindows = parseFurtherLimits(object);
    data.lastUpdated = now();
    return {data, {}};
}
