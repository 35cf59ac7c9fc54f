#include "service_fixture.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

namespace {

// One full refresh, organizations and usage, against the loopback server. Wall time
// includes both round trips and the hops to the thread pool and back; CPU time is
// this process alone (the server runs in it too).
void fullRefresh(benchmark::State& state)
{
    ServiceFixture fx;
    fx.serveHappyPath();
    auto service = fx.makeService();
    for (auto _ : state) {
        service->clearCookie();
        fx.settle(*service);
        fx.store->put(QByteArray("sessionKey=bench-cookie"));
        if (!fx.fetchAndWait(*service) || !service->usageData()) {
            state.SkipWithError("refresh failed");
            return;
        }
    }
}
BENCHMARK(fullRefresh)->UseRealTime()->Unit(benchmark::kMicrosecond);

void cachedRefresh(benchmark::State& state)
{
    ServiceFixture fx;
    fx.serveHappyPath();
    auto service = fx.makeService();
    fx.fetchAndWait(*service);
    for (auto _ : state) {
        if (!fx.fetchAndWait(*service) || service->error()) {
            state.SkipWithError("refresh failed");
            return;
        }
    }
}
BENCHMARK(cachedRefresh)->UseRealTime()->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
