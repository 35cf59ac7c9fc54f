#pragma once

#include "app/window_slot.h"
#include "models/account.h"

#include <QObject>
#include <QUrl>

#include <map>

class QWidget;
class UsageAccounts;

// Owns the cookie windows: at most one an account, built on the first show with the
// account's cookie as stored at that moment, brought forward by later ones, forgotten
// when it closes, and closed when its account is removed. The window that adds an
// account is one more of its own.
class OnboardingWindowController : public QObject {
    Q_OBJECT

public:
    static OnboardingWindowController& shared();

    OnboardingWindowController() = default;

    // The cookie window of this account: Save writes its keyring item and no other.
    void show(UsageAccounts& accounts, const QString& accountId);
    // The cookie window adding an account, empty but for its suggested name.
    void showAdding(UsageAccounts& accounts);
    // The account's open window, or null.
    QWidget* window(const QString& accountId = Accounts::defaultId) const;
    QWidget* addingWindow() const;
    // Whose session cookie "Import from Browser" looks for; the built-in origin unless set.
    void setServiceOrigin(const QUrl& origin) { m_origin = origin; }

private:
    // Gives the view the import from the user's browsers.
    void offerImport(class SetupView* view) const;
    void onAccountRemoved(const QString& accountId);

    std::map<QString, WindowSlot> m_windows;
    WindowSlot m_addingWindow;
    QUrl m_origin;
};
