#pragma once

#include <QElapsedTimer>
#include <QWidget>

// The dashboard's frameless window: opened next to the tray item, closed by a second
// click on the item, by Escape, or when another window takes the focus. It always holds
// its whole content: when the content's height changes while it is open, it is placed
// again from the same anchor.
class DashboardPopup : public QWidget {
    Q_OBJECT

public:
    // What asked for the dashboard.
    enum class Trigger { trayClick, shortcut };
    // A click on the tray item first takes the focus away, which closes the popup;
    // the activation that click then delivers must not open it again.
    static constexpr int defaultReopenGuardMs = 400;

    explicit DashboardPopup(QWidget* content, int reopenGuardMs = defaultReopenGuardMs);

    // anchor: where the tray item is; empty when unknown (then the pointer is used).
    void toggle(const QRect& anchor, Trigger trigger = Trigger::trayClick);

protected:
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void open(const QRect& anchor);
    void fitContent();
    void fitHeight();
    void place();
    void dismiss();
    void closeAfterFocusLoss();

    QWidget* m_content;
    QRect m_anchor;
    int m_reopenGuardMs;
    QElapsedTimer m_sinceFocusLoss;
    bool m_composited;
    bool m_dismissing = false;
};
