#pragma once

#include "app/window_slot.h"

#include <QObject>

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
    // The settings the window edits; the standard ones unless set.
    void setUserDefaults(UserDefaults& defaults) { m_defaults = &defaults; }

private:
    WindowSlot m_window;
    UserDefaults* m_defaults = nullptr;
};
