#include "app/app_delegate.h"

#include "app/history_window_controller.h"
#include "app/onboarding_window_controller.h"
#include "app/platform/global_hotkey.h"
#include "app/platform/resume_watcher.h"
#include "app/platform/status_item.h"
#include "app/platform/usage_bus_export.h"
#include "app/popover.h"
#include "app/settings_window_controller.h"
#include "services/keychain_service.h"
#include "services/user_defaults.h"
#include "views/menu_bar_view.h"

#include <QCoreApplication>

AppDelegate::AppDelegate(const AppEnvironment& environment, QObject* parent)
    : QObject(parent), m_environment(environment),
      m_usageService(environment.keychain, environment.defaults, environment.endpoints),
      m_notificationService(environment.defaults, environment.bus),
      m_launchAtLogin(environment.defaults, environment.autostart, environment.print),
      m_history(
          environment.historyPath.isEmpty() ? HistoryStore::defaultPath() : environment.historyPath,
          environment.print, environment.defaults.stringForKey(UserDefaults::organizationIdKey))
{
    m_defaultsSettle.setSingleShot(true);
    m_defaultsSettle.setInterval(defaultsSettleMs);
    m_minuteTick.setInterval(60 * 1000);
    m_minuteTick.setTimerType(Qt::VeryCoarseTimer);
}

AppDelegate::~AppDelegate() = default;

void AppDelegate::applicationDidFinishLaunching()
{
    m_notificationService.requestPermission();
    configureLaunchAtLogin();
    createStatusItem();
    createPopover();

    connect(&m_usageService, &UsageService::usageDataChanged, this,
            [this](const std::optional<UsageData>& data) {
                if (data)
                    m_history.record(*data);
            });
    // Queued, so the title is drawn from the snapshot in force when the redraw runs.
    connect(&m_usageService, &UsageService::usageDataChanged, this,
            &AppDelegate::updateMenuBarTitle, Qt::QueuedConnection);
    connect(&m_usageService, &UsageService::usageDataChanged, &m_notificationService,
            [this](const std::optional<UsageData>& data) {
                if (data)
                    m_notificationService.checkUsage(*data);
            });
    connect(&m_environment.defaults, &UserDefaults::changed, &m_defaultsSettle,
            qOverload<>(&QTimer::start));
    connect(&m_defaultsSettle, &QTimer::timeout, this, &AppDelegate::updateMenuBarTitle);
    // The tooltip counts down to the reset; an unchanged title costs the bus nothing.
    connect(&m_minuteTick, &QTimer::timeout, this, &AppDelegate::updateMenuBarTitle);
    m_minuteTick.start();

    // For status bars; the bus name is the single instance's.
    m_busExport =
        std::make_unique<UsageBusExport>(m_usageService, m_environment.defaults, m_environment.bus);
    updateMenuBarTitle();

    // After a suspend the figures are hours old: fetch once on waking.
    m_resumeWatcher = std::make_unique<ResumeWatcher>(m_environment.systemBus);
    connect(m_resumeWatcher.get(), &ResumeWatcher::resumed, &m_usageService,
            &UsageService::scheduledFetch);

    m_usageService.start();
    registerGlobalHotkey();
}

void AppDelegate::configureLaunchAtLogin()
{
    m_launchAtLogin.configureLaunchAtLogin();
}

void AppDelegate::createStatusItem()
{
    m_statusItem = std::make_unique<StatusItem>(m_environment.bus);
    updateMenuBarTitle();
    connect(m_statusItem.get(), &StatusItem::activated, this,
            [this](const QRect& anchor) { togglePopover(anchor); });
    connect(m_statusItem.get(), &StatusItem::quitRequested, QCoreApplication::instance(),
            &QCoreApplication::quit, Qt::QueuedConnection);
    if (m_statusItem->backend() == StatusItem::Backend::None)
        m_environment.print(
            QStringLiteral("No system tray available: open the dashboard with Super + Shift + U"));
}

void AppDelegate::createPopover()
{
    auto* dashboard = new MenuBarView(m_usageService);
    connect(dashboard, &MenuBarView::quitRequested, QCoreApplication::instance(),
            &QCoreApplication::quit, Qt::QueuedConnection);
    connect(dashboard, &MenuBarView::setCookieRequested, this,
            [this] { OnboardingWindowController::shared().show(m_usageService); });
    connect(dashboard, &MenuBarView::settingsRequested, this,
            [this] { SettingsWindowController::shared().show(m_usageService); });
    HistoryWindowController::shared().setStore(m_history);
    connect(dashboard, &MenuBarView::historyRequested, this,
            [this] { HistoryWindowController::shared().show(m_usageService); });
    OnboardingWindowController::shared().setKeychain(m_environment.keychain);
    OnboardingWindowController::shared().setServiceOrigin(m_environment.endpoints.origin);
    SettingsWindowController::shared().setUserDefaults(m_environment.defaults);
    m_popover = std::make_unique<Popover>(dashboard);
}

void AppDelegate::registerGlobalHotkey()
{
    m_globalHotkey = GlobalHotkey::install();
    if (m_globalHotkey)
        connect(m_globalHotkey.get(), &GlobalHotkey::activated, this,
                &AppDelegate::togglePopoverFromShortcut);
}

void AppDelegate::togglePopover(const QRect& anchor)
{
    if (m_popover)
        m_popover->toggle(anchor, Popover::Trigger::trayClick);
}

void AppDelegate::togglePopoverFromShortcut()
{
    if (m_popover)
        m_popover->toggle(m_statusItem ? m_statusItem->anchor() : QRect(),
                          Popover::Trigger::shortcut);
}

void AppDelegate::updateMenuBarTitle()
{
    if (!m_statusItem)
        return;
    TrayInput input;
    input.usage = m_usageService.usageData();
    input.metric = m_environment.defaults.stringForKey(UserDefaults::menuBarMetricKey);
    input.style =
        TrayStyles::chosen(m_environment.defaults.stringForKey(UserDefaults::trayStyleKey),
                           qEnvironmentVariable("XDG_CURRENT_DESKTOP"));
    input.now = QDateTime::currentDateTimeUtc();
    // The shown snapshot's own series: another account's would forecast nonsense.
    input.samples = [this, owner = input.usage ? input.usage->owner
                                               : QString()](const QString& windowId) {
        return m_history.queries().samples(owner, windowId).rows;
    };
    const TrayPresentation presentation = presentTray(input);
    m_statusItem->setPresentation(presentation);
    if (m_busExport)
        m_busExport->setPresentation(presentation);
}
