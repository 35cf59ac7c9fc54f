#pragma once

#include "app/window_slot.h"

#include <QObject>

class QWidget;
class Settings;
class UsageAccounts;

// Owns the settings window: at most one, built on the first show, brought forward by
// later ones, forgotten when it closes.
class SettingsWindowController : public QObject {
    Q_OBJECT

public:
    static SettingsWindowController& shared();

    SettingsWindowController() = default;

    void show(UsageAccounts& accounts);
    // The open window, or null.
    QWidget* window() const;
    // The settings the window edits; the standard ones unless set.
    void setSettings(Settings& defaults) { m_defaults = &defaults; }

Q_SIGNALS:
    // The window's "Add Account", "Browser session…".
    void addBrowserSessionRequested();

private:
    WindowSlot m_window;
    Settings* m_defaults = nullptr;
};
