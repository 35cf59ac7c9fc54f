#include "services/history/history_store.h"

#include "services/history/history_connection.h"
#include "services/history/history_schema.h"

#include <QFileInfo>
#include <QStandardPaths>

QString HistoryStore::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/gaugery/history.sqlite");
}

HistoryStore::HistoryStore(const QString& path, Print print, const QString& priorOwner)
    : m_path(path), m_writer(std::make_unique<HistoryWriter>(path, priorOwner, std::move(print)))
{
}

HistoryStore::HistoryStore(const QString& path, ReadOnly)
    : m_path(path), m_reader(std::make_unique<HistoryConnection>(
                        path, QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=5000")))
{
}

HistoryStore::~HistoryStore() = default;

std::unique_ptr<HistoryStore> HistoryStore::openForReading(const QString& path, QString* error)
{
    auto fail = [error](const QString& problem) {
        if (error)
            *error = problem;
        return nullptr;
    };
    if (!QFileInfo::exists(path))
        return fail(QStringLiteral("no history at %1: Gaugery has not recorded any yet").arg(path));
    auto store = std::unique_ptr<HistoryStore>(new HistoryStore(path, ReadOnly{}));
    QSqlDatabase& db = store->m_reader->db();
    if (!db.isOpen())
        return fail(
            QStringLiteral("cannot open %1: %2").arg(path, HistorySql::describe(db.lastError())));
    HistorySchema::Problem failed;
    const std::optional<int> version = HistorySchema::versionOf(db, &failed);
    if (!version)
        return fail(
            QStringLiteral("cannot read %1: %2").arg(path, HistorySql::describe(failed.error)));
    if (*version == 0)
        return fail(QStringLiteral("no history in %1 yet").arg(path));
    if (*version != HistorySchema::currentVersion)
        return fail(QStringLiteral("%1 is of another Gaugery version (%2, this one reads %3); "
                                   "run this version of Gaugery once to update it")
                        .arg(path)
                        .arg(*version)
                        .arg(HistorySchema::currentVersion));
    return store;
}

bool HistoryStore::isPersistent() const
{
    return m_writer ? m_writer->isPersistent() : m_reader->isOpen();
}

void HistoryStore::record(const UsageData& data)
{
    if (m_writer)
        m_writer->record(data);
}

void HistoryStore::waitForUpkeep()
{
    if (m_writer)
        m_writer->waitForUpkeep();
}

HistoryQueries HistoryStore::queries() const
{
    return HistoryQueries(m_writer ? m_writer->database() : m_reader->db());
}
