#pragma once

#include "app/app_environment.h"
#include "app/dashboard_popup.h"
#include "app/launch_at_login.h"
#include "services/accounts/usage_accounts.h"
#include "services/alerts/notification_service.h"
#include "services/fetch/usage_service.h"
#include "services/history/history_store.h"
#include "services/history/remembered_figures.h"

#include <QObject>
#include <QRect>
#include <QTimer>

#include <memory>

class DashboardView;
class GlobalHotkey;
class ResumeWatcher;
class UsageBusExport;
class StatusItem;

// Owns the accounts and their services, the notifications, the history, the tray item, the
// dashboard popup and the shortcut for the life of the process, and starts them in a fixed order.
class AppDelegate : public QObject {
    Q_OBJECT

public:
    // Title redraws after settings changes wait this long after the last of a burst.
    static constexpr int defaultsSettleMs = 100;

    explicit AppDelegate(const AppEnvironment& environment, QObject* parent = nullptr);
    ~AppDelegate() override;

    // The start-up sequence; no window opens.
    void start();

    // A click on the tray item, at the point the host gave (empty when unknown).
    void toggleDashboard(const QRect& anchor);
    // The shortcut or a second start: the dashboard opens at the tray item all the same.
    void toggleDashboardFromShortcut();
    void updateTray();
    // What time changes: the tray's ages and passed resets, and the reset notifications.
    void followClock();

    // The first account's; with one account, the only one.
    UsageService& usageService() { return m_accounts.first(); }
    UsageAccounts& accounts() { return m_accounts; }
    NotificationService& notificationService() { return m_notificationService; }
    LaunchAtLogin& launchAtLogin() { return m_launchAtLogin; }
    HistoryStore& history() { return m_history; }
    StatusItem* statusItem() const { return m_statusItem.get(); }
    DashboardPopup* popup() const { return m_popup.get(); }

private:
    void configureLaunchAtLogin();
    void createStatusItem();
    void createDashboard();
    void registerGlobalHotkey();
    // An account's new snapshot: kept in the history and checked for alerts.
    void onSnapshot(const QString& accountId);
    // The account's name in notifications, once there is more than one to tell apart.
    QString notifiedName(const QString& accountId) const;
    // Redraws when the next reset of any figure shown passes.
    void armResetTick(const QDateTime& now);
    void releaseStartUpMemory();

    AppEnvironment m_environment;
    UsageAccounts m_accounts;
    NotificationService m_notificationService;
    LaunchAtLogin m_launchAtLogin;
    QTimer m_defaultsSettle;
    QTimer m_minuteTick;
    QTimer m_resetTick;
    HistoryStore m_history;
    RememberedFigures m_remembered;
    // After the services, so the views they feed go first.
    std::unique_ptr<StatusItem> m_statusItem;
    std::unique_ptr<DashboardPopup> m_popup;
    // Inside the popup, which owns it.
    DashboardView* m_dashboard = nullptr;
    std::unique_ptr<GlobalHotkey> m_globalHotkey;
    std::unique_ptr<ResumeWatcher> m_resumeWatcher;
    std::unique_ptr<UsageBusExport> m_busExport;
};
