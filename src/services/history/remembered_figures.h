#pragma once

#include "models/usage_data.h"

#include <QObject>
#include <QSet>

#include <optional>

class UsageAccounts;
class UsageService;

// Each account's last figures from the history, shown at start until the service answers,
// so the tray and the dashboard are not blank meanwhile. The file is read off the GUI
// thread; an account gets its figures once it is known to be signed in, and only while it
// has none of this run.
class RememberedFigures : public QObject {
    Q_OBJECT

public:
    // The accounts must outlive this.
    explicit RememberedFigures(UsageAccounts& accounts, QObject* parent = nullptr);

    // Reads every owner's newest snapshot from the history file at `path`.
    void load(const QString& path);

Q_SIGNALS:
    // The read is over (with or without figures).
    void loaded();

private:
    void offer();
    // Whose figures the service shows once it answers; empty while unknown.
    QString ownerOf(const UsageService& service) const;

    UsageAccounts& m_accounts;
    // Newest first; none until the read is over.
    std::optional<QList<UsageData>> m_snapshots;
    // The accounts not yet offered theirs.
    QSet<QString> m_waiting;
};
