#include "history_fixture.h"

#include "services/history/history_store.h"

#include <QFile>

namespace HistoryFixture {

namespace {

// The reset of the period holding the instant, periods of length seconds ending at last.
QDateTime periodEnd(const QDateTime& at, const QDateTime& last, qint64 length)
{
    QDateTime end = last;
    while (end.addSecs(-length) > at)
        end = end.addSecs(-length);
    return end;
}

double hoursInto(const QDateTime& at, const QDateTime& end, qint64 length)
{
    return double(end.addSecs(-length).secsTo(at)) / 3600;
}

} // namespace

UsageData snapshotAt(const QDateTime& at)
{
    constexpr qint64 session = 5 * 3600;
    constexpr qint64 week = 7 * 24 * 3600;
    UsageData data;
    data.lastUpdated = at;
    data.sessionResetTime = periodEnd(at, sessionReset, session);
    data.sessionUsagePercent = 12 * hoursInto(at, data.sessionResetTime, session);
    data.weeklyResetTime = weeklyReset;
    data.weeklyUsagePercent = 0.385 * hoursInto(at, weeklyReset, week);
    data.weeklySonnetResetTime = sonnetReset;
    data.weeklySonnetUsagePercent = 12.0 / 70 * hoursInto(at, sonnetReset, week);
    return data;
}

void fill(HistoryStore& store, const QString& owner, int hours)
{
    for (qint64 minutes = -60 * hours; minutes <= 0; minutes += 5) {
        UsageData data = snapshotAt(now.addSecs(minutes * 60));
        data.owner = owner;
        store.record(data);
    }
    store.waitForUpkeep();
}

bool damageLastPage(const QString& path)
{
    constexpr qint64 page = 4096;
    QFile file(path);
    return file.open(QIODevice::ReadWrite) && file.size() > 8 * page &&
           file.seek(file.size() - page) && file.write(QByteArray(page, '\xa5')) == page;
}

QByteArray usageBody()
{
    const UsageData data = snapshotAt(now);
    auto window = [](double percent, const QDateTime& reset) {
        return QByteArray(R"({"utilization": )") + QByteArray::number(percent) +
               R"(, "resets_at": ")" + reset.toString(Qt::ISODate).toLatin1() + "\"}";
    };
    return "{\"five_hour\": " + window(*data.sessionUsagePercent, data.sessionResetTime) +
           ", \"seven_day\": " + window(*data.weeklyUsagePercent, weeklyReset) +
           ", \"seven_day_sonnet\": " + window(*data.weeklySonnetUsagePercent, sonnetReset) +
           ", \"seven_day_opus\": null}";
}

} // namespace HistoryFixture
