#pragma once

#include "app/window_slot.h"

#include <QObject>

class HistoryStore;
class QWidget;
class UsageAccounts;

// Owns the History window: at most one, built on the first show, brought forward by
// later ones, forgotten when it closes, and closed when the account it shows is removed.
class HistoryWindowController : public QObject {
    Q_OBJECT

public:
    static HistoryWindowController& shared();

    HistoryWindowController() = default;

    // The store the window reads; the shell sets it at start-up, before any show.
    void setStore(HistoryStore& store) { m_store = &store; }
    void show(UsageAccounts& accounts);
    // The open window, or null.
    QWidget* window() const;

private:
    void onAccountRemoved(const QString& accountId);

    WindowSlot m_window;
    HistoryStore* m_store = nullptr;
};
