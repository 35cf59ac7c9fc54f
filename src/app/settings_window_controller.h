#pragma once

#include "app/window_slot.h"

#include <QObject>

class QWidget;
class UsageService;
class Settings;

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
    void setSettings(Settings& defaults) { m_defaults = &defaults; }

private:
    WindowSlot m_window;
    Settings* m_defaults = nullptr;
};
