// The usage history's costs on the GUI thread: keeping one snapshot, and reading what
// the chart and the tray's forecast read from a file holding 30 days of figures (one
// snapshot every 5 minutes, four windows).
#include "services/history/history_store.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimeZone>

#include <benchmark/benchmark.h>

#include <algorithm>

namespace {

constexpr int stepSeconds = 5 * 60;
constexpr int thirtyDays = 30 * 24 * 3600 / stepSeconds;
const QDateTime start(QDate(2026, 11, 1), QTime(0, 0), QTimeZone::utc());
const QString owner = QStringLiteral("org-1234");

UsageData snapshot(int step)
{
    const QDateTime at = start.addSecs(qint64(step) * stepSeconds);
    UsageData data;
    data.lastUpdated = at;
    data.owner = owner;
    data.sessionUsagePercent = step % 60;
    data.sessionResetTime = start.addSecs((step / 60 + 1) * 60 * stepSeconds);
    data.weeklyUsagePercent = step % 2016 / 20.16;
    data.weeklyResetTime = start.addDays((step / 2016 + 1) * 7);
    data.weeklySonnetUsagePercent = step % 2016 / 40.32;
    data.weeklySonnetResetTime = data.weeklyResetTime;
    data.weeklyOpusUsagePercent = 1;
    data.weeklyOpusResetTime = data.weeklyResetTime;
    return data;
}

// One file filled once for every benchmark; main owns it, so the store closes while
// Qt SQL is still there.
struct Filled {
    QTemporaryDir dir;
    std::unique_ptr<HistoryStore> store;
    int steps = 0;

    static inline Filled* current = nullptr;
    static Filled& shared()
    {
        Filled& filled = *current;
        if (!filled.store) {
            filled.store = std::make_unique<HistoryStore>(
                filled.dir.filePath(QStringLiteral("history.sqlite")));
            // Each upkeep done before the next snapshot, as minutes apart.
            for (; filled.steps < thirtyDays; ++filled.steps) {
                filled.store->record(snapshot(filled.steps));
                filled.store->waitForUpkeep();
            }
        }
        return filled;
    }
    QDateTime last() const { return start.addSecs(qint64(steps - 1) * stepSeconds); }
};

// The worst single write is what the GUI thread may stall for; the upkeep it may start
// runs on and is awaited outside the timing, as the next snapshot comes minutes later.
void recordSnapshot(benchmark::State& state)
{
    Filled& filled = Filled::shared();
    qint64 worstNs = 0;
    qint64 overOneMs = 0;
    QElapsedTimer timer;
    for (auto _ : state) {
        const UsageData data = snapshot(filled.steps++);
        timer.start();
        filled.store->record(data);
        const qint64 ns = timer.nsecsElapsed();
        worstNs = std::max(worstNs, ns);
        overOneMs += ns > 1000000;
        filled.store->waitForUpkeep();
    }
    state.counters["worst_us"] = double(worstNs) / 1000;
    state.counters["over_1ms"] = double(overOneMs);
}
BENCHMARK(recordSnapshot)->Unit(benchmark::kMicrosecond);

void readThirtyDays(benchmark::State& state)
{
    Filled& filled = Filled::shared();
    qsizetype rows = 0;
    for (auto _ : state) {
        const QList<HistoryPoint> points =
            filled.store->queries().points(owner, filled.last().addDays(-30), filled.last()).rows;
        rows = points.size();
    }
    state.counters["rows"] = double(rows);
}
BENCHMARK(readThirtyDays)->Unit(benchmark::kMillisecond);

void readThirtyDaysByWindow(benchmark::State& state)
{
    Filled& filled = Filled::shared();
    qsizetype rows = 0;
    for (auto _ : state) {
        rows = 0;
        for (const char* id : {"session", "weekly", "sonnet", "opus"})
            rows += filled.store->queries()
                        .points(owner, QString::fromLatin1(id), filled.last().addDays(-30),
                                filled.last())
                        .rows.size();
    }
    state.counters["rows"] = double(rows);
}
BENCHMARK(readThirtyDaysByWindow)->Unit(benchmark::kMillisecond);

// What the tray's tooltip reads every minute: a whole weekly period at worst.
void weeklySamples(benchmark::State& state)
{
    Filled& filled = Filled::shared();
    qsizetype rows = 0;
    for (auto _ : state)
        rows = filled.store->queries().samples(owner, QStringLiteral("weekly")).rows.size();
    state.counters["rows"] = double(rows);
}
BENCHMARK(weeklySamples)->Unit(benchmark::kMicrosecond);

// What the start reads off the GUI thread: every owner's newest snapshot.
void latestSnapshots(benchmark::State& state)
{
    Filled& filled = Filled::shared();
    qsizetype owners = 0;
    for (auto _ : state)
        owners = filled.store->queries().latestSnapshots().rows.size();
    state.counters["owners"] = double(owners);
}
BENCHMARK(latestSnapshots)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    Filled filled;
    Filled::current = &filled;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
