#include "app/onboarding_window_controller.h"

#include "app/fixed_window.h"
#include "services/keychain_service.h"
#include "views/setup_view.h"

OnboardingWindowController& OnboardingWindowController::shared()
{
    // Never destroyed: its window must not outlive the application object.
    static auto* instance = new OnboardingWindowController;
    return *instance;
}

OnboardingWindowController::~OnboardingWindowController()
{
    delete m_window.data();
}

void OnboardingWindowController::show(UsageService& usage)
{
    if (m_window) {
        m_window->present();
        return;
    }
    KeychainService& keychain = m_keychain ? *m_keychain : KeychainService::shared();
    const QString cookie = keychain.getCookie().value_or(QString());
    QPointer<OnboardingWindowController> self(this);
    auto* view = new SetupView(usage, cookie, [self] {
        if (self && self->m_window)
            self->m_window->close();
    });
    m_window = new FixedWindow(view, QStringLiteral("Gaugery"),
                               QSize(SetupView::viewWidth, SetupView::viewHeight));
    connect(m_window, &FixedWindow::closed, this, [this] { m_window = nullptr; });
    m_window->present();
}

QWidget* OnboardingWindowController::window() const
{
    return m_window;
}
