#include "app/settings_window_controller.h"

#include "app/fixed_window.h"
#include "services/user_defaults.h"
#include "views/settings_view.h"

SettingsWindowController& SettingsWindowController::shared()
{
    // Never destroyed: its window must not outlive the application object.
    static auto* instance = new SettingsWindowController;
    return *instance;
}

SettingsWindowController::~SettingsWindowController()
{
    delete m_window.data();
}

void SettingsWindowController::show(UsageService& usage)
{
    if (m_window) {
        m_window->present();
        return;
    }
    auto* view = new SettingsView(usage, m_defaults ? *m_defaults : UserDefaults::standard());
    connect(view, &SettingsView::launchAtLoginChanged, this, [this](bool enabled) {
        if (m_launchAtLogin)
            m_launchAtLogin(enabled);
    });
    m_window = new FixedWindow(view, QStringLiteral("Gaugery Settings"),
                               QSize(SettingsView::viewWidth, SettingsView::viewHeight));
    connect(m_window, &FixedWindow::closed, this, [this] { m_window = nullptr; });
    m_window->present();
}

QWidget* SettingsWindowController::window() const
{
    return m_window;
}

void SettingsWindowController::setLaunchAtLoginHandler(std::function<void(bool)> handler)
{
    m_launchAtLogin = std::move(handler);
}
