#pragma once

#include <QObject>

#include <memory>

// The system-wide shortcut that toggles the dashboard (ShortcutKeys).
class GlobalHotkey : public QObject {
    Q_OBJECT

public:
    // The mechanism this session offers: the X11 grab on an X11 session (xcb platform),
    // the GlobalShortcuts portal on Wayland; nullptr where neither is available (no shortcut
    // and no failure report).
    static std::unique_ptr<GlobalHotkey> install(QObject* parent = nullptr);

Q_SIGNALS:
    // The shortcut was pressed; always delivered on a later turn of the GUI thread's loop
    // (queued), never inside the event handler.
    void activated();

protected:
    explicit GlobalHotkey(QObject* parent = nullptr) : QObject(parent) {}
    // Queued, so whatever the handler does runs after the event handler has returned.
    void activateLater();
};
