#pragma once

#include "app/window_slot.h"

#include <QObject>

#include <functional>

class QWidget;
class UsageService;
class UserDefaults;

// Owns the settings window: at most one, built on the first show, brought forward by
// later ones, forgotten when it closes.
class SettingsWindowController : public QObject {
    Q_OBJECT

public:
    static SettingsWindowController& shared();

    SettingsWindowController() = default;

    void show(UsageService& usage);
    // The open window, or null.
    QWidget* window() const;
    // Carries out the user's launch-at-login choice; the shell sets it at start-up.
    void setLaunchAtLoginHandler(std::function<void(bool)> handler);
    // The settings the window edits; the standard ones unless set.
    void setUserDefaults(UserDefaults& defaults) { m_defaults = &defaults; }

private:
    WindowSlot m_window;
    std::function<void(bool)> m_launchAtLogin;
    UserDefaults* m_defaults = nullptr;
};
