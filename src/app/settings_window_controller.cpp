#include "app/settings_window_controller.h"

#include "app/fixed_window.h"
#include "services/settings.h"
#include "views/settings/settings_view.h"

SettingsWindowController& SettingsWindowController::shared()
{
    // Never destroyed: its window must not outlive the application object.
    static auto* instance = new SettingsWindowController;
    return *instance;
}

void SettingsWindowController::show(UsageAccounts& accounts)
{
    m_window.show([this, &accounts] {
        auto* view = new SettingsView(accounts, m_defaults ? *m_defaults : Settings::instance());
        connect(view, &SettingsView::addBrowserSessionRequested, this,
                &SettingsWindowController::addBrowserSessionRequested);
        return new FixedWindow(view, tr("Gaugery Settings"),
                               QSize(SettingsView::viewWidth, SettingsView::viewHeight));
    });
}

QWidget* SettingsWindowController::window() const
{
    return m_window.window();
}
