#pragma once

#include "app/window_slot.h"

#include <QObject>
#include <QUrl>

class KeyringService;
class QWidget;
class UsageAccounts;
class UsageService;

// Owns the cookie window: at most one, built on the first show with the cookie stored
// at that moment, brought forward by later ones, forgotten when it closes. The window
// that adds an account is one more of its own.
class OnboardingWindowController : public QObject {
    Q_OBJECT

public:
    static OnboardingWindowController& shared();

    OnboardingWindowController() = default;

    void show(UsageService& usage);
    // The cookie window adding an account, empty but for its suggested name.
    void showAdding(UsageAccounts& accounts);
    // The open window, or null.
    QWidget* window() const;
    QWidget* addingWindow() const;
    // Where the stored cookie is read from; the process-wide store unless set.
    void setKeyring(KeyringService& keyring) { m_keyring = &keyring; }
    // Whose session cookie "Import from Browser" looks for; the built-in origin unless set.
    void setServiceOrigin(const QUrl& origin) { m_origin = origin; }

private:
    // Gives the view the import from the user's browsers.
    void offerImport(class SetupView* view) const;

    WindowSlot m_window;
    WindowSlot m_addingWindow;
    KeyringService* m_keyring = nullptr;
    QUrl m_origin;
};
