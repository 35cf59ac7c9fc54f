#include "app/onboarding_window_controller.h"

#include "app/fixed_window.h"
#include "build_config.h"
#include "services/fetch/usage_service.h"
#include "services/keyring/keyring_service.h"
#include "services/sources/browser/browser_cookie_import.h"
#include "views/setup_view.h"

#include <QPlainTextEdit>
#include <QPointer>

OnboardingWindowController& OnboardingWindowController::shared()
{
    // Never destroyed: its window must not outlive the application object.
    static auto* instance = new OnboardingWindowController;
    return *instance;
}

void OnboardingWindowController::show(UsageService& usage)
{
    m_window.show([this, &usage] {
        QPointer<OnboardingWindowController> self(this);
        auto* view = new SetupView(usage, QString(), [self] {
            if (self && self->m_window.window())
                self->m_window.window()->close();
        });
        // Filled in when the keyring answers, unless the user has begun typing by then.
        KeyringService& keyring = m_keyring ? *m_keyring : KeyringService::shared();
        keyring.read(view, [view](const CookieRead& read) {
            if (read.state == SecretState::found && view->cookieText().isEmpty())
                view->editor()->setPlainText(read.cookie);
        });
        offerImport(view);
        return new FixedWindow(view, QStringLiteral("Gaugery"),
                               QSize(SetupView::viewWidth, SetupView::viewHeight));
    });
}

void OnboardingWindowController::showAdding(UsageAccounts& accounts)
{
    m_addingWindow.show([this, &accounts] {
        QPointer<OnboardingWindowController> self(this);
        auto* view = new SetupView(accounts, [self] {
            if (self && self->m_addingWindow.window())
                self->m_addingWindow.window()->close();
        });
        offerImport(view);
        return new FixedWindow(view, tr("Add Account"),
                               QSize(SetupView::viewWidth, SetupView::addingViewHeight));
    });
}

void OnboardingWindowController::offerImport(SetupView* view) const
{
    const QUrl origin =
        m_origin.isEmpty() ? QUrl(QString::fromUtf8(BuildConfig::serviceOrigin)) : m_origin;
    view->setBrowserImport([origin] {
        return BrowserCookieImport(origin, BrowserLocations::fromEnvironment()).run();
    });
}

QWidget* OnboardingWindowController::window() const
{
    return m_window.window();
}

QWidget* OnboardingWindowController::addingWindow() const
{
    return m_addingWindow.window();
}
