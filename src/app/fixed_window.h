#pragma once

#include <QWidget>

// A top-level window around one view, of the view's fixed size: titled, closable and
// minimisable, never resizable, centred on the screen, deleted once closed.
class FixedWindow : public QWidget {
    Q_OBJECT

public:
    FixedWindow(QWidget* content, const QString& title, const QSize& size);

    // Shows the window, restored if minimised, in front and active.
    void present();

Q_SIGNALS:
    // The window has closed and will be deleted on a later turn of the loop.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
};
