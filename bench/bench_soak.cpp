// Memory over many refreshes: the real keyring (gnome-keyring of the private session),
// a loopback service and the history file, refreshes back to back, the resident and heap
// figures before and after and what the history's files hold at the end. Growth here is
// what an agent running for months would pile up.
//
//   scripts/desktop-session -- build/dev/bench/bench_soak [REFRESHES]
#include "loopback_server.h"
#include "services/fetch/usage_service.h"
#include "services/history/history_store.h"
#include "services/keyring/keyring_service.h"
#include "services/keyring/libsecret_store.h"
#include "temporary_settings.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <malloc.h>

#include <cstdio>

namespace {

qint64 residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return 0;
}

qint64 heapKiB()
{
    return qint64(mallinfo2().uordblks / 1024);
}

// One refresh to its end, as the timer makes it: the cookie from the keyring, then usage.
bool refresh(UsageService& service)
{
    QEventLoop loop;
    bool started = false;
    const auto connection =
        QObject::connect(&service, &UsageService::isLoadingChanged, &loop, [&](bool loading) {
            if (loading)
                started = true;
            else if (started)
                loop.quit();
        });
    service.fetchUsage();
    loop.exec();
    QObject::disconnect(connection);
    return service.usageData() && !service.error();
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int refreshes = argc > 1 ? QByteArray(argv[1]).toInt() : 10000;
    if (!qEnvironmentVariableIsSet("GAUGERY_DESKTOP_SESSION")) {
        std::fprintf(stderr, "bench_soak: run inside scripts/desktop-session\n");
        return 1;
    }

    LoopbackServer server;
    server.on("/api/organizations", ServiceBodies::json(ServiceBodies::organizations()));
    server.on("/api/organizations/org-1234/usage", ServiceBodies::json(ServiceBodies::usage()));
    TemporarySettings defaults;
    KeyringService keyring(std::make_shared<LibsecretStore>());
    if (!keyring.saveNow(QStringLiteral("sessionKey=bench-cookie")))
        return 1;
    UsageService service(keyring, defaults.defaults(), {server.origin(), server.origin(), {}});
    // Kept as the agent keeps it, every snapshot a second later than the last.
    QTemporaryDir historyDir;
    HistoryStore history(historyDir.filePath(QStringLiteral("history.sqlite")));
    QDateTime taken = QDateTime::currentDateTimeUtc();
    QObject::connect(&service, &UsageService::usageDataChanged, &service,
                     [&](const std::optional<UsageData>& data) {
                         if (!data)
                             return;
                         UsageData stamped = *data;
                         stamped.lastUpdated = taken = taken.addSecs(1);
                         history.record(stamped);
                     });

    // Warm up: caches, the first connections, the keyring's proxies.
    const int warmUp = qMin(500, refreshes / 10 + 1);
    for (int i = 0; i < warmUp; ++i) {
        if (!refresh(service))
            return 1;
    }
    malloc_trim(0);
    const qint64 rssBefore = residentKiB();
    const qint64 heapBefore = heapKiB();
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < refreshes; ++i) {
        if (!refresh(service)) {
            std::fprintf(stderr, "bench_soak: refresh %d failed\n", i);
            return 1;
        }
        server.clearRequests();
    }
    const qint64 elapsed = timer.elapsed();
    malloc_trim(0);
    const qint64 rssAfter = residentKiB();
    const qint64 heapAfter = heapKiB();
    keyring.removeNow();
    history.waitForUpkeep();
    const qint64 logKiB = QFileInfo(history.path() + QStringLiteral("-wal")).size() / 1024;
    const qint64 fileKiB = QFileInfo(history.path()).size() / 1024;

    std::printf("soak: %d refreshes in %.1f s (%.2f ms each, keyring read included)\n", refreshes,
                elapsed / 1000.0, double(elapsed) / refreshes);
    std::printf("soak: resident %lld KiB -> %lld KiB (%+lld KiB)\n", rssBefore, rssAfter,
                rssAfter - rssBefore);
    std::printf("soak: heap in use %lld KiB -> %lld KiB (%+lld KiB, %.0f bytes a refresh)\n",
                heapBefore, heapAfter, heapAfter - heapBefore,
                double(heapAfter - heapBefore) * 1024 / refreshes);
    std::printf("soak: history %lld KiB, its write-ahead log %lld KiB\n", fileKiB, logKiB);
    return 0;
}
