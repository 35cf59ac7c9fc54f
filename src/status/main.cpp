// gaugery-status: prints the running agent's figures once, for status bars, or the
// stored history.
#include "build_config.h"
#include "services/history_export.h"
#include "services/history_store.h"
#include "status/status_format.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusReply>

#include <cstdio>

namespace {

int fail(const QString& line)
{
    std::fprintf(stderr, "gaugery-status: %s\n", qPrintable(line));
    return 1;
}

// Reads the file the agent writes, whether or not the agent runs.
int printHistory(const QString& since, bool json)
{
    const std::optional<qint64> span = HistoryExport::spanSeconds(since);
    if (!span)
        return fail(QStringLiteral("--since takes hours or days, such as 24h, 7d or 30d"));
    QString problem;
    const std::unique_ptr<HistoryStore> store =
        HistoryStore::openForReading(HistoryStore::defaultPath(), &problem);
    if (!store)
        return fail(problem);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QList<HistoryPoint> points = store->points(now.addSecs(-*span), now);
    const QString out =
        json ? HistoryExport::json(points) + QLatin1Char('\n') : HistoryExport::csv(points);
    std::fputs(out.toUtf8().constData(), stdout);
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("gaugery-status"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Prints the figures of the running Gaugery once: JSON for a status bar's custom module "
        "(text, tooltip, class, percentage), or text in the given format."));
    parser.addHelpOption();
    const QCommandLineOption format(
        QStringLiteral("format"),
        QStringLiteral("Plain text instead of JSON, with {session} {weekly} {sonnet} {opus} "
                       "(and {window:ID} for any window the agent reports), {session_reset} "
                       "and the like, {updated} and {error} replaced, e.g. "
                       "'{session}% {weekly}%'."),
        QStringLiteral("format"));
    parser.addOption(format);
    const QCommandLineOption history(
        QStringLiteral("history"),
        QStringLiteral("Print the stored figures instead: CSV (time, window, utilization, "
                       "resets_at) or JSON. Works whether or not Gaugery runs."));
    const QCommandLineOption since(QStringLiteral("since"),
                                   QStringLiteral("With --history: how far back, such as 24h, 7d "
                                                  "or 30d (default 24h)."),
                                   QStringLiteral("span"), QStringLiteral("24h"));
    const QCommandLineOption csv(
        QStringLiteral("csv"), QStringLiteral("With --history: CSV with a header row (default)."));
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("With --history: one JSON array."));
    parser.addOptions({history, since, csv, json});
    parser.process(app);
    if (parser.isSet(history))
        return printHistory(parser.value(since), parser.isSet(json));

    const QString service = QString::fromLatin1(BuildConfig::appId);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(service).value())
        return fail(QStringLiteral("Gaugery is not running"));

    QDBusMessage getAll = QDBusMessage::createMethodCall(
        service, QStringLiteral("/com/gaugery/app/Usage"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("GetAll"));
    getAll << QStringLiteral("com.gaugery.app.Usage");
    const QDBusReply<QVariantMap> reply = bus.call(getAll, QDBus::Block, 5000);
    if (!reply.isValid())
        return fail(QStringLiteral("Gaugery did not answer: ") + reply.error().message());

    // The window list arrives as a D-Bus array of dictionaries; the formatter reads maps.
    QVariantMap state = reply.value();
    QVariantList windows;
    for (const QVariantMap& window : qdbus_cast<QList<QVariantMap>>(
             state.value(QStringLiteral("Windows")).value<QDBusArgument>()))
        windows.append(window);
    state.insert(QStringLiteral("Windows"), windows);

    const QString out = parser.isSet(format) ? StatusFormat::text(state, parser.value(format))
                                             : StatusFormat::json(state);
    std::printf("%s\n", out.toUtf8().constData());
    return 0;
}
