#pragma once

#include <QPointer>

#include <functional>

class FixedWindow;

// At most one window of a kind: brought forward while it is open, forgotten as soon as it
// closes, so the next showing builds a fresh one.
class WindowSlot {
public:
    WindowSlot() = default;
    WindowSlot(const WindowSlot&) = delete;
    WindowSlot& operator=(const WindowSlot&) = delete;
    ~WindowSlot();

    // Brings the open window forward, or opens the one build makes.
    void show(const std::function<FixedWindow*()>& build);
    // The open window, or null.
    FixedWindow* window() const;

private:
    QPointer<FixedWindow> m_window;
};
