// Memory, start-up time and idle wake-ups of Gaugery beside a bare Qt tray program,
// both started at once in a private desktop session with a StatusNotifierWatcher:
//
//   scripts/desktop-session -- build/dev/bench/bench_footprint [IDLE_SECONDS]
//
// Gaugery runs the loopback build with a stored cookie and the 300 s default refresh
// interval, so its one fetch at start-up is answered and the idle span has no fetch.
#include "fake_status_notifier_watcher.h"
#include "loopback_server.h"
#include "service_fixture.h"
#include "services/keyring/keyring_service.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTimer>

#include <cstdio>
#include <utility>

namespace {

struct Sample {
    qint64 rssKiB = 0;
    qint64 peakKiB = 0;
    // Memory of this process alone: shared library pages count in RSS but are shared
    // with every other Qt and GLib program on the desktop.
    qint64 anonymousKiB = 0;
    qint64 voluntarySwitches = 0;
};

qint64 statusField(const QByteArray& status, const QByteArray& field)
{
    for (const QByteArray& line : status.split('\n')) {
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed().split(' ').first().toLongLong();
    }
    return 0;
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Context switches are counted per thread, so every thread of the process is summed.
Sample sample(qint64 pid)
{
    const QString proc = QStringLiteral("/proc/%1").arg(pid);
    const QByteArray status = readFile(proc + QLatin1String("/status"));
    Sample s{statusField(status, "VmRSS"), statusField(status, "VmHWM"),
             statusField(readFile(proc + QLatin1String("/smaps_rollup")), "Anonymous"), 0};
    const QStringList tasks =
        QDir(proc + QLatin1String("/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& task : tasks)
        s.voluntarySwitches +=
            statusField(readFile(proc + QLatin1String("/task/") + task + QLatin1String("/status")),
                        "voluntary_ctxt_switches");
    return s;
}

void waitFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

struct Program {
    Program(QString name, QString path) : name(std::move(name)), path(std::move(path)) {}
    QString name;
    QString path;
    QProcess process;
    QElapsedTimer sinceStart;
    qint64 registrationMs = -1;
    Sample settled;
    Sample idle;
};

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int idleSeconds = argc > 1 ? QByteArray(argv[1]).toInt() : 60;

    FakeStatusNotifierWatcher watcher;
    LoopbackServer server(18765);
    if (!watcher.start() || !server.isListening()) {
        std::fprintf(stderr, "bench_footprint: needs a private session bus and port 18765\n");
        return 1;
    }
    server.on(ServiceFixture::organizationsPath,
              ServiceBodies::json(ServiceBodies::organizations()));
    server.on(ServiceFixture::usagePath, ServiceBodies::json(ServiceBodies::usage()));
    KeyringService::shared().saveNow(QStringLiteral("sessionKey=bench-cookie"));

    Program bare(QStringLiteral("bare Qt tray"), QStringLiteral(GAUGERY_BARE_TRAY));
    Program gaugery(QStringLiteral("Gaugery"), QStringLiteral(GAUGERY_LOOPBACK_PROGRAM));
    Program* programs[] = {&bare, &gaugery};

    QObject::connect(&watcher, &FakeStatusNotifierWatcher::StatusNotifierItemRegistered,
                     [&](const QString& item) {
                         const QString owner = item.section(QLatin1Char('/'), 0, 0);
                         const uint pid =
                             QDBusConnection::sessionBus().interface()->servicePid(owner).value();
                         for (Program* p : programs) {
                             if (p->registrationMs < 0 && p->process.processId() == pid)
                                 p->registrationMs = p->sinceStart.elapsed();
                         }
                     });

    for (Program* p : programs) {
        p->process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->sinceStart.start();
        p->process.start(p->path, {});
    }
    QElapsedTimer deadline;
    deadline.start();
    while ((bare.registrationMs < 0 || gaugery.registrationMs < 0) && deadline.elapsed() < 20000)
        waitFor(5);
    // Let start-up work (the first fetch, thread-pool threads expiring) finish first.
    waitFor(35000);
    for (Program* p : programs)
        p->settled = sample(p->process.processId());
    waitFor(idleSeconds * 1000);
    for (Program* p : programs)
        p->idle = sample(p->process.processId());

    std::printf("%-14s %14s %10s %10s %12s %22s\n", "program", "to tray (ms)", "peak KiB",
                "idle KiB", "private KiB",
                qPrintable(QStringLiteral("wake-ups in %1 s").arg(idleSeconds)));
    for (Program* p : programs)
        std::printf("%-14s %14lld %10lld %10lld %12lld %22lld\n", qPrintable(p->name),
                    p->registrationMs, p->idle.peakKiB, p->idle.rssKiB, p->idle.anonymousKiB,
                    p->idle.voluntarySwitches - p->settled.voluntarySwitches);
    auto ratio = [](qint64 a, qint64 b) { return b ? double(a) / double(b) : 0.0; };
    std::printf("Gaugery / bare: to tray %.2f, peak %.2f, idle RSS %.2f, private %.2f\n",
                ratio(gaugery.registrationMs, bare.registrationMs),
                ratio(gaugery.idle.peakKiB, bare.idle.peakKiB),
                ratio(gaugery.idle.rssKiB, bare.idle.rssKiB),
                ratio(gaugery.idle.anonymousKiB, bare.idle.anonymousKiB));

    for (Program* p : programs) {
        p->process.terminate();
        p->process.waitForFinished(5000);
    }
    KeyringService::shared().removeNow();
    return 0;
}
