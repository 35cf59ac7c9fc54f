#include "services/parsing/usage_parser.h"

#include "services/parsing/further_limits.h"
#include "services/parsing/json_decode.h"
#include "services/parsing/rfc3339.h"

#include <QCoreApplication>
#include <QJsonObject>

#include <algorithm>

namespace {

// The context this file's texts are translated in.
class Texts {
    Q_DECLARE_TR_FUNCTIONS(UsageParser)
};

struct Window {
    double percent = 0;
    std::optional<QDateTime> reset;
};

// A window as its member reports it, or as the "limits" list does when the member is
// null or absent (the service has sent every member null while its list was full).
class WindowReader {
public:
    WindowReader(const QJsonObject& body, const QLocale& locale)
        : m_body(body), m_limits(listedLimits(body)), m_locale(locale)
    {
    }

    std::optional<Window> read(const UsageWindowKind& kind, UsageData& data) const
    {
        const QJsonValue member = m_body.value(kind.bodyKey);
        if (member.isObject())
            return fromMember(kind, member.toObject(), data);
        const auto listed =
            std::find_if(m_limits.begin(), m_limits.end(),
                         [&](const ListedLimit& limit) { return fills(limit, kind); });
        if (listed == m_limits.end())
            return std::nullopt;
        return Window{listed->percent, listed->resetsAt};
    }

private:
    std::optional<Window> fromMember(const UsageWindowKind& kind, const QJsonObject& window,
                                     UsageData& data) const
    {
        Window result;
        result.percent = window.value(QLatin1String("utilization")).toDouble(0);
        const QJsonValue resetsAt = window.value(QLatin1String("resets_at"));
        if (resetsAt.isString())
            result.reset = parseRfc3339(resetsAt.toString());
        if (const QString detail = dollarsDetail(window, m_locale); !detail.isEmpty())
            data.windowDetails.insert(kind.id, detail);
        return result;
    }

    static bool fills(const ListedLimit& limit, const UsageWindowKind& kind)
    {
        switch (limit.kind) {
        case ListedLimit::Kind::session:
            return kind.id == UsageWindows::sessionId;
        case ListedLimit::Kind::weeklyAll:
            return kind.id == UsageWindows::weeklyId;
        case ListedLimit::Kind::weeklyScoped:
            return UsageWindows::forModel(limit.name) == &kind;
        }
        return false;
    }

    const QJsonObject& m_body;
    QList<ListedLimit> m_limits;
    const QLocale& m_locale;
};

} // namespace

UsageParseResult parseUsageData(const QByteArray& body, const Clock& now)
{
    const JsonDecodeResult decoded = decodeJson(body);
    if (!decoded.value)
        return {std::nullopt, decoded.error};
    if (!decoded.value->isObject())
        return {std::nullopt, Texts::tr("Invalid response format")};
    const QJsonObject object = decoded.value->toObject();
    const QLocale locale = QLocale::system();
    const WindowReader reader(object, locale);
    const QList<UsageWindowKind>& known = UsageWindows::known();

    UsageData data;
    const auto fill = [&](const UsageWindowKind& kind, std::optional<double>& percent,
                          QDateTime& reset) {
        if (const std::optional<Window> window = reader.read(kind, data)) {
            percent = window->percent;
            reset = window->reset.value_or(QDateTime());
        }
    };
    // A plan without a 5-hour window has none: it is not reported, never 0.
    if (const std::optional<Window> session = reader.read(known.at(0), data)) {
        data.sessionUsagePercent = session->percent;
        data.sessionResetTime = session->reset.value_or(QDateTime());
    }
    fill(known.at(1), data.weeklyUsagePercent, data.weeklyResetTime);
    fill(known.at(2), data.weeklySonnetUsagePercent, data.weeklySonnetResetTime);
    if (const std::optional<Window> opus = reader.read(known.at(3), data)) {
        data.weeklyOpusUsagePercent = opus->percent;
        data.weeklyOpusResetTime = opus->reset;
    }
    data.furtherWindows = parseFurtherLimits(object, locale);
    data.lastUpdated = now();
    return {data, {}};
}
