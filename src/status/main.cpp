// gaugery-status: prints the running agent's figures once, for status bars, or the
// stored history.
#include "build_config.h"
#include "models/usage_bus.h"
#include "services/history/history_export.h"
#include "services/history/history_store.h"
#include "services/translations.h"
#include "status/status_format.h"
#include "status/status_line_command.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusReply>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// The context this file's texts are translated in.
class Texts {
    Q_DECLARE_TR_FUNCTIONS(GaugeryStatus)
};

int fail(const QString& line)
{
    std::fprintf(stderr, "gaugery-status: %s\n", qPrintable(line));
    return 1;
}

// The exit status says when the output went nowhere, on a full disk for one.
int print(const QString& out)
{
    if (std::fputs(out.toUtf8().constData(), stdout) < 0 || std::fflush(stdout) != 0)
        return fail(Texts::tr("cannot write the output: %1")
                        .arg(QString::fromLocal8Bit(std::strerror(errno))));
    return 0;
}

// Reads the file the agent writes, whether or not the agent runs: owner's figures, or
// those of whoever was recorded last.
int printHistory(const QString& since, bool json, std::optional<QString> owner)
{
    const std::optional<qint64> span = HistoryExport::spanSeconds(since);
    if (!span)
        return fail(Texts::tr("--since takes hours or days, such as 24h, 7d or 30d"));
    QString problem;
    const std::unique_ptr<HistoryStore> store =
        HistoryStore::openForReading(HistoryStore::defaultPath(), &problem);
    if (!store)
        return fail(problem);
    const HistoryQueries queries = store->queries();
    if (!owner) {
        const HistoryRead<QString> newest = queries.newestOwner();
        if (!newest.ok())
            return fail(Texts::tr("cannot read %1: %2").arg(store->path(), newest.error));
        owner = newest.rows;
    }
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const HistoryRead<QList<HistoryPoint>> read = queries.points(*owner, now.addSecs(-*span), now);
    if (!read.ok())
        return fail(Texts::tr("cannot read %1: %2").arg(store->path(), read.error));
    return print(json ? HistoryExport::json(read.rows) + QLatin1Char('\n')
                      : HistoryExport::csv(read.rows));
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("gaugery-status"));
    // Claude Code waits for its status line: nothing else is set up for it.
    if (const QStringList arguments = QCoreApplication::arguments();
        arguments.value(1) == QLatin1String("--claude-code-statusline")) {
        const bool chained = arguments.value(2) == QLatin1String("--") && arguments.size() > 3;
        return StatusLineCommand::run(chained ? arguments.mid(3) : QStringList());
    }
    Translations::install(app);

    QCommandLineParser parser;
    parser.setApplicationDescription(Texts::tr(
        "Prints the figures of the running Gaugery once: JSON for a status bar's custom module "
        "(text, tooltip, class, percentage), or text in the given format."));
    parser.addHelpOption();
    const QCommandLineOption format(
        QStringLiteral("format"),
        Texts::tr("Plain text instead of JSON, with {session} {weekly} {sonnet} {opus} "
                  "(and {window:ID} for any window the agent reports), {session_reset} "
                  "and the like, {updated}, {age}, {error} and {account} replaced, e.g. "
                  "'{session}% {weekly}%'."),
        QStringLiteral("format"));
    parser.addOption(format);
    const QCommandLineOption history(
        QStringLiteral("history"),
        Texts::tr("Print the stored figures instead: CSV (time, window, utilization, "
                  "resets_at) or JSON. Works whether or not Gaugery runs."));
    const QCommandLineOption since(QStringLiteral("since"),
                                   Texts::tr("With --history: how far back, such as 24h, 7d "
                                             "or 30d (default 24h)."),
                                   QStringLiteral("span"), QStringLiteral("24h"));
    const QCommandLineOption csv(QStringLiteral("csv"),
                                 Texts::tr("With --history: CSV with a header row (default)."));
    const QCommandLineOption json(QStringLiteral("json"),
                                  Texts::tr("With --history: one JSON array."));
    const QCommandLineOption owner(
        QStringLiteral("owner"),
        Texts::tr("With --history: whose figures, an organization's id, claudeCode for "
                  "Claude Code's sign-in or claudeCode:FOLDER for the one in another folder "
                  "(default: whoever Gaugery recorded last)."),
        QStringLiteral("id"));
    const QCommandLineOption account(
        QStringLiteral("account"),
        Texts::tr("With more than one account: the figures of this one (its name), rather "
                  "than those of the account the tray shows."),
        QStringLiteral("name"));
    const QCommandLineOption statusLine(
        QStringLiteral("claude-code-statusline"),
        Texts::tr("As Claude Code's status line (first, and alone or before -- COMMAND [ARGS]): "
                  "hands the figures on its standard input to Gaugery and prints COMMAND's "
                  "output, or a short line of its own."));
    parser.addOptions({history, since, csv, json, owner, account, statusLine});
    parser.process(app);
    if (parser.isSet(statusLine))
        return StatusLineCommand::run(parser.positionalArguments());
    if (parser.isSet(history))
        return printHistory(parser.value(since), parser.isSet(json),
                            parser.isSet(owner) ? std::optional(parser.value(owner))
                                                : std::nullopt);

    const QString service = QString::fromLatin1(BuildConfig::appId);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(service).value())
        return fail(Texts::tr("Gaugery is not running"));

    QDBusMessage getAll = QDBusMessage::createMethodCall(
        service, UsageBus::objectPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("GetAll"));
    getAll << UsageBus::interfaceName;
    const QDBusReply<QVariantMap> reply = bus.call(getAll, QDBus::Block, 5000);
    if (!reply.isValid())
        return fail(Texts::tr("Gaugery did not answer: %1").arg(reply.error().message()));

    // The lists arrive as D-Bus arrays of dictionaries; the formatter reads maps.
    QVariantMap state = reply.value();
    for (const QString& property : {UsageBus::windowsProperty, UsageBus::accountsProperty}) {
        QVariantList entries;
        for (const QVariantMap& entry :
             qdbus_cast<QList<QVariantMap>>(state.value(property).value<QDBusArgument>()))
            entries.append(entry);
        state.insert(property, entries);
    }
    const std::optional<QVariantMap> scoped =
        StatusFormat::forAccount(state, parser.value(account));
    if (!scoped)
        return fail(Texts::tr("no account named %1").arg(parser.value(account)));

    const QString out = parser.isSet(format) ? StatusFormat::text(*scoped, parser.value(format))
                                             : StatusFormat::json(*scoped);
    return print(out + QLatin1Char('\n'));
}
