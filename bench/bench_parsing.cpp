#include "services/parsing/organizations_parser.h"
#include "services/parsing/rfc3339.h"
#include "services/parsing/usage_parser.h"

#include <benchmark/benchmark.h>

namespace {

// Shaped like a real answer, unused windows and members that come and go included.
const QByteArray usageBody = R"({
  "five_hour": {"utilization": 42.0, "resets_at": "2026-02-09T12:00:00.462679+00:00"},
  "seven_day": {"utilization": 67.5, "resets_at": "2026-02-12T08:00:00.123456+00:00"},
  "seven_day_oauth_apps": null,
  "seven_day_opus": {"utilization": 0.0, "resets_at": null},
  "seven_day_sonnet": {"utilization": 5, "resets_at": "2026-02-12T08:00:00+00:00"},
  "iguana_necktie": null,
  "extra_usage": {"is_enabled": false, "monthly_limit": null, "used_credits": null}
})";

void parseUsageBody(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(parseUsageData(usageBody));
    state.SetBytesProcessed(state.iterations() * usageBody.size());
}
BENCHMARK(parseUsageBody);

void parseOrganizationsBody(benchmark::State& state)
{
    QByteArray body = "[";
    for (int i = 0; i < 5; ++i)
        body += R"({"uuid":"0b7c1c5e-0000-4000-8000-00000000000)" + QByteArray::number(i) +
                R"(","name":"Organization","capabilities":["chat","claude_pro"],"settings":{}},)";
    body.back() = ']';
    for (auto _ : state)
        benchmark::DoNotOptimize(parseOrganizations(body));
}
BENCHMARK(parseOrganizationsBody);

void readRfc3339(benchmark::State& state)
{
    const QString texts[] = {QStringLiteral("2026-02-09T12:00:00.462679+00:00"),
                             QStringLiteral("2025-01-15T10:30:00Z"),
                             QStringLiteral("2025-01-15T10:30:00-05:30"), QStringLiteral("soon")};
    for (auto _ : state) {
        for (const QString& text : texts)
            benchmark::DoNotOptimize(parseRfc3339(text));
    }
    state.SetItemsProcessed(state.iterations() * 4);
}
BENCHMARK(readRfc3339);

} // namespace

BENCHMARK_MAIN();
