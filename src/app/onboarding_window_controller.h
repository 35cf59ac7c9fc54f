#pragma once

#include "app/window_slot.h"

#include <QObject>
#include <QUrl>

class KeyringService;
class QWidget;
class UsageService;

// Owns the cookie window: at most one, built on the first show with the cookie stored
// at that moment, brought forward by later ones, forgotten when it closes.
class OnboardingWindowController : public QObject {
    Q_OBJECT

public:
    static OnboardingWindowController& shared();

    OnboardingWindowController() = default;

    void show(UsageService& usage);
    // The open window, or null.
    QWidget* window() const;
    // Where the stored cookie is read from; the process-wide store unless set.
    void setKeyring(KeyringService& keyring) { m_keyring = &keyring; }
    // Whose session cookie "Import from Browser" looks for; the built-in origin unless set.
    void setServiceOrigin(const QUrl& origin) { m_origin = origin; }

private:
    WindowSlot m_window;
    KeyringService* m_keyring = nullptr;
    QUrl m_origin;
};
