#include "app/app_delegate.h"

#include "app/dashboard_popup.h"
#include "app/history_window_controller.h"
#include "app/onboarding_window_controller.h"
#include "app/platform/global_hotkey.h"
#include "app/platform/resume_watcher.h"
#include "app/platform/status_item.h"
#include "app/platform/usage_bus_export.h"
#include "app/settings_window_controller.h"
#include "models/shortcut_keys.h"
#include "services/desktop_tray_style.h"
#include "services/fetch/usage_notes.h"
#include "services/keyring/keyring_service.h"
#include "services/settings.h"
#include "views/dashboard/dashboard_view.h"

#include <QCoreApplication>
#include <QThreadPool>

#include <algorithm>
#ifdef __GLIBC__
#include <malloc.h>
#endif

AppDelegate::AppDelegate(const AppEnvironment& environment, QObject* parent)
    : QObject(parent), m_environment(environment),
      m_accounts(environment.keyring, environment.defaults, environment.endpoints,
                 environment.secretStores, environment.clock),
      m_notificationService(environment.defaults, environment.bus, environment.clock),
      m_launchAtLogin(environment.defaults, environment.autostart, environment.print),
      m_history(environment.historyPath.isEmpty() ? HistoryStore::defaultPath()
                                                  : environment.historyPath,
                environment.print, environment.defaults.stringForKey(Settings::organizationIdKey)),
      m_remembered(m_accounts)
{
    m_defaultsSettle.setSingleShot(true);
    m_defaultsSettle.setInterval(defaultsSettleMs);
    m_minuteTick.setInterval(60 * 1000);
    m_minuteTick.setTimerType(Qt::VeryCoarseTimer);
    m_resetTick.setSingleShot(true);
    m_resetTick.setTimerType(Qt::PreciseTimer);
}

AppDelegate::~AppDelegate() = default;

void AppDelegate::start()
{
    m_notificationService.requestPermission();
    configureLaunchAtLogin();
    createStatusItem();
    createDashboard();

    connect(&m_accounts, &UsageAccounts::usageDataChanged, this, &AppDelegate::onSnapshot);
    // Queued, so the title is drawn from the snapshots in force when the redraw runs.
    // Any change: the tooltip also says why figures are late or not current.
    connect(&m_accounts, &UsageAccounts::changed, this, &AppDelegate::updateTray,
            Qt::QueuedConnection);
    connect(&m_accounts, &UsageAccounts::accountsChanged, this, &AppDelegate::updateTray,
            Qt::QueuedConnection);
    connect(&m_environment.defaults, &Settings::changed, &m_defaultsSettle,
            qOverload<>(&QTimer::start));
    connect(&m_defaultsSettle, &QTimer::timeout, this, &AppDelegate::updateTray);
    // The tooltip counts down to the reset; an unchanged title costs the bus nothing.
    connect(&m_minuteTick, &QTimer::timeout, this, &AppDelegate::followClock);
    connect(&m_resetTick, &QTimer::timeout, this, &AppDelegate::followClock);
    m_minuteTick.start();

    // For status bars; the bus name is the single instance's.
    m_busExport =
        std::make_unique<UsageBusExport>(m_accounts, m_environment.defaults, m_environment.bus);
    updateTray();

    // After a suspend the figures are hours old: fetch once on waking.
    m_resumeWatcher = std::make_unique<ResumeWatcher>(m_environment.systemBus);
    connect(m_resumeWatcher.get(), &ResumeWatcher::resumed, this, [this] {
        for (UsageService* service : m_accounts.services())
            service->request(FetchTrigger::wake);
    });

    m_accounts.start();
    // The last figures of each account, read off this thread once the tray item is up.
    if (m_history.isPersistent())
        m_remembered.load(m_history.path());
    registerGlobalHotkey();
    releaseStartUpMemory();
}

void AppDelegate::releaseStartUpMemory()
{
#ifdef __GLIBC__
    // The start-up's worker threads (the history read, the decoding) leave freed pages
    // resident in their malloc arenas after they end; glibc hands them back only when asked.
    const int threadsGone = QThreadPool::globalInstance()->expiryTimeout() + 2000;
    QTimer::singleShot(threadsGone, this, [] { malloc_trim(0); });
#endif
}

void AppDelegate::onSnapshot(const QString& accountId)
{
    const UsageService* service = m_accounts.service(accountId);
    if (!service || !service->usageData())
        return;
    m_notificationService.checkResets(*service->usageData(), notifiedName(accountId));
    // Remembered figures were kept and alerted on when they were fetched.
    if (service->isRemembered())
        return;
    m_history.record(*service->usageData());
    m_notificationService.checkUsage(*service->usageData(), notifiedName(accountId),
                                     accountId == m_accounts.accounts().first().id);
}

QString AppDelegate::notifiedName(const QString& accountId) const
{
    const Account* account = m_accounts.account(accountId);
    return m_accounts.accounts().size() > 1 && account ? account->name : QString();
}

void AppDelegate::followClock()
{
    for (const Account& account : m_accounts.accounts()) {
        const UsageService* service = m_accounts.service(account.id);
        if (service && service->usageData())
            m_notificationService.checkResets(*service->usageData(), notifiedName(account.id));
    }
    updateTray();
}

void AppDelegate::armResetTick(const QDateTime& now)
{
    QDateTime next;
    for (const UsageService* service : m_accounts.services()) {
        if (!service->usageData())
            continue;
        for (const WindowFigure& figure : UsageWindows::figures(*service->usageData())) {
            if (figure.resetsAt > now && (!next.isValid() || figure.resetsAt < next))
                next = figure.resetsAt;
        }
    }
    if (!next.isValid()) {
        m_resetTick.stop();
        return;
    }
    // Past an hour the minute tick comes back here first.
    m_resetTick.start(int(std::min<qint64>(now.msecsTo(next), 3600 * 1000)) + 1);
}

void AppDelegate::configureLaunchAtLogin()
{
    m_launchAtLogin.configureLaunchAtLogin();
}

void AppDelegate::createStatusItem()
{
    m_statusItem = std::make_unique<StatusItem>(m_environment.bus);
    updateTray();
    connect(m_statusItem.get(), &StatusItem::activated, this,
            [this](const QRect& anchor) { toggleDashboard(anchor); });
    connect(m_statusItem.get(), &StatusItem::quitRequested, QCoreApplication::instance(),
            &QCoreApplication::quit, Qt::QueuedConnection);
    if (m_statusItem->backend() == StatusItem::Backend::None)
        m_environment.print(QStringLiteral("No system tray available: open the dashboard with ") +
                            ShortcutKeys::text());
}

void AppDelegate::createDashboard()
{
    auto* dashboard = new DashboardView(m_accounts);
    m_dashboard = dashboard;
    connect(dashboard, &DashboardView::quitRequested, QCoreApplication::instance(),
            &QCoreApplication::quit, Qt::QueuedConnection);
    connect(dashboard, &DashboardView::setCookieRequested, this, [this](const QString& accountId) {
        OnboardingWindowController::shared().show(m_accounts, accountId);
    });
    connect(dashboard, &DashboardView::settingsRequested, this,
            [this] { SettingsWindowController::shared().show(m_accounts); });
    connect(&SettingsWindowController::shared(),
            &SettingsWindowController::addBrowserSessionRequested, this,
            [this] { OnboardingWindowController::shared().showAdding(m_accounts); });
    HistoryWindowController::shared().setStore(m_history);
    connect(dashboard, &DashboardView::historyRequested, this,
            [this] { HistoryWindowController::shared().show(m_accounts); });
    OnboardingWindowController::shared().setServiceOrigin(m_environment.endpoints.origin);
    SettingsWindowController::shared().setSettings(m_environment.defaults);
    m_popup = std::make_unique<DashboardPopup>(dashboard);
}

void AppDelegate::registerGlobalHotkey()
{
    m_globalHotkey = GlobalHotkey::install();
    if (m_globalHotkey)
        connect(m_globalHotkey.get(), &GlobalHotkey::activated, this,
                &AppDelegate::toggleDashboardFromShortcut);
}

void AppDelegate::toggleDashboard(const QRect& anchor)
{
    if (!m_popup)
        return;
    // Measured as it opens: the clock moved on since its last redraw.
    if (!m_popup->isVisible())
        m_dashboard->showCurrent();
    m_popup->toggle(anchor, DashboardPopup::Trigger::trayClick);
}

void AppDelegate::toggleDashboardFromShortcut()
{
    if (!m_popup)
        return;
    if (!m_popup->isVisible())
        m_dashboard->showCurrent();
    m_popup->toggle(m_statusItem ? m_statusItem->anchor() : QRect(),
                    DashboardPopup::Trigger::shortcut);
}

void AppDelegate::updateTray()
{
    if (!m_statusItem)
        return;
    const QDateTime now = m_environment.clock();
    TrayInput input;
    input.usage = m_accounts.first().usageData();
    input.freshness = m_accounts.first().freshness(now);
    input.notes = UsageNotes::of(m_accounts.first(), now);
    if (m_accounts.accounts().size() > 1) {
        for (const Account& account : m_accounts.accounts()) {
            const UsageService& service = *m_accounts.service(account.id);
            input.accounts.append({account.id, account.name, service.usageData(),
                                   service.freshness(now), UsageNotes::of(service, now)});
        }
    }
    input.trayAccount = m_environment.defaults.setting(Settings::trayAccountKey).toString();
    input.metric = m_environment.defaults.stringForKey(Settings::menuBarMetricKey);
    input.style =
        DesktopTrayStyle::chosen(m_environment.defaults.stringForKey(Settings::trayStyleKey));
    input.now = now;
    // The shown snapshot's own series: another account's would forecast nonsense.
    input.samples = [this](const QString& owner, const QString& windowId) {
        return m_history.queries().samples(owner, windowId).rows;
    };
    const TrayPresentation presentation = presentTray(input);
    m_statusItem->setPresentation(presentation);
    if (m_busExport)
        m_busExport->setPresentation(presentation);
    armResetTick(now);
}
