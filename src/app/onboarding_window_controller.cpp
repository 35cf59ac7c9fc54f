#include "app/onboarding_window_controller.h"

#include "app/fixed_window.h"
#include "build_config.h"
#include "services/accounts/usage_accounts.h"
#include "services/fetch/usage_service.h"
#include "services/keyring/keyring_service.h"
#include "services/sources/browser/browser_cookie_import.h"
#include "views/sign_in/setup_view.h"

#include <QPlainTextEdit>
#include <QPointer>

OnboardingWindowController& OnboardingWindowController::shared()
{
    // Never destroyed: its window must not outlive the application object.
    static auto* instance = new OnboardingWindowController;
    return *instance;
}

void OnboardingWindowController::show(UsageAccounts& accounts, const QString& accountId)
{
    UsageService* usage = accounts.service(accountId);
    KeyringService* keyring = accounts.keyring(accountId);
    if (!usage || !keyring)
        return;
    connect(&accounts, &UsageAccounts::accountRemoved, this,
            &OnboardingWindowController::onAccountRemoved, Qt::UniqueConnection);
    // With one account, the window is the program's cookie window as it always was.
    const QString title = accounts.accounts().size() > 1
                              ? tr("Session Cookie for %1").arg(accounts.account(accountId)->name)
                              : QStringLiteral("Gaugery");
    WindowSlot& slot = m_windows[accountId];
    slot.show([&slot, usage, keyring, title, this] {
        QPointer<OnboardingWindowController> self(this);
        auto* view = new SetupView(*usage, QString(), [self, &slot] {
            if (self && slot.window())
                slot.window()->close();
        });
        // Filled in when the keyring answers, unless the user has begun typing by then.
        keyring->read(view, [view](const CookieRead& read) {
            if (read.state == SecretState::found && view->cookieText().isEmpty())
                view->editor()->setPlainText(read.cookie);
        });
        offerImport(view);
        return new FixedWindow(view, title, QSize(SetupView::viewWidth, SetupView::viewHeight));
    });
}

void OnboardingWindowController::onAccountRemoved(const QString& accountId)
{
    const auto found = m_windows.find(accountId);
    if (found != m_windows.end() && found->second.window())
        found->second.window()->close();
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

QWidget* OnboardingWindowController::window(const QString& accountId) const
{
    const auto found = m_windows.find(accountId);
    return found == m_windows.end() ? nullptr : found->second.window();
}

QWidget* OnboardingWindowController::addingWindow() const
{
    return m_addingWindow.window();
}
