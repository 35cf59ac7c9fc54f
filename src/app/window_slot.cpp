#include "app/window_slot.h"

#include "app/fixed_window.h"

WindowSlot::~WindowSlot()
{
    delete m_window.data();
}

void WindowSlot::show(const std::function<FixedWindow*()>& build)
{
    if (!m_window) {
        m_window = build();
        // A closed window is deleted only on a later turn; it is forgotten at once.
        QObject::connect(m_window, &FixedWindow::closed, m_window, [this] { m_window = nullptr; });
    }
    m_window->present();
}

FixedWindow* WindowSlot::window() const
{
    return m_window;
}
