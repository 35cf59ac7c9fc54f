// How long Claude Code waits for its status line: gaugery-status --claude-code-statusline
// run as Claude Code runs it (a new process, its input on standard input) with no Gaugery
// running, against /bin/true as the cost of starting any process. Prints the median, 95th
// percentile and slowest run in milliseconds, and the processor time a run takes, which
// does not depend on what else the machine runs.
//
//   build/dev/bench/bench_status_line [RUNS]
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

struct Figures {
    double median = 0;
    double p95 = 0;
    double slowest = 0;
    // What a run costs the processor (user and system), whatever else runs.
    double cpu = 0;
};

double childrenCpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

Figures timeRuns(const QString& program, const QStringList& arguments, const QByteArray& input,
                 const QProcessEnvironment& environment, int runs)
{
    QList<double> ms;
    const double cpuBefore = childrenCpuMs();
    for (int i = 0; i < runs; ++i) {
        QProcess process;
        process.setProcessEnvironment(environment);
        QElapsedTimer timer;
        timer.start();
        process.start(program, arguments);
        process.write(input);
        process.closeWriteChannel();
        process.waitForFinished(10000);
        ms.append(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return {ms.at(ms.size() / 2), ms.at(qsizetype(ms.size() * 0.95)), ms.last(),
            (childrenCpuMs() - cpuBefore) / runs};
}

void print(const char* name, const Figures& f)
{
    std::printf("%-40s median %6.1f ms  p95 %6.1f ms  slowest %6.1f ms  cpu %5.1f ms\n", name,
                f.median, f.p95, f.slowest, f.cpu);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 100;
    QFile file(QStringLiteral(GAUGERY_TEST_DATA "/claude-code/statusline-input-2.1.328.json"));
    if (!file.open(QIODevice::ReadOnly))
        return 1;
    const QByteArray input = file.readAll();
    QTemporaryDir home;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("XDG_STATE_HOME"), home.filePath(QStringLiteral("state")));
    // No session bus: nothing it could wait for.
    environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    const QString status = QStringLiteral(GAUGERY_STATUS_PROGRAM);
    const QStringList own{QStringLiteral("--claude-code-statusline")};
    double load[1] = {0};
    getloadavg(load, 1);
    std::printf("%d runs each, load average %.1f\n", runs, load[0]);
    print("/bin/true", timeRuns(QStringLiteral("/bin/true"), {}, input, environment, runs));
    print("gaugery-status --claude-code-statusline",
          timeRuns(status, own, input, environment, runs));
    print("... -- cat (the user's own command)",
          timeRuns(status, own + QStringList{QStringLiteral("--"), QStringLiteral("cat")}, input,
                   environment, runs));
    return 0;
}
