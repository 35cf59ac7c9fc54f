#include "app/history_window_controller.h"

#include "app/fixed_window.h"
#include "services/accounts/usage_accounts.h"
#include "views/history/history_view.h"

HistoryWindowController& HistoryWindowController::shared()
{
    // Never destroyed: its window must not outlive the application object.
    static auto* instance = new HistoryWindowController;
    return *instance;
}

void HistoryWindowController::show(UsageAccounts& accounts)
{
    if (!m_store)
        return;
    connect(&accounts, &UsageAccounts::accountRemoved, this,
            &HistoryWindowController::onAccountRemoved, Qt::UniqueConnection);
    m_window.show([this, &accounts] {
        return new FixedWindow(new HistoryView(*m_store, accounts), tr("Gaugery History"),
                               QSize(HistoryView::viewWidth, HistoryView::viewHeight));
    });
}

void HistoryWindowController::onAccountRemoved(const QString& accountId)
{
    const QWidget* window = m_window.window();
    const auto* view = window ? window->findChild<HistoryView*>() : nullptr;
    if (view && view->accountId() == accountId)
        m_window.window()->close();
}

QWidget* HistoryWindowController::window() const
{
    return m_window.window();
}
