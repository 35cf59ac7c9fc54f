#pragma once

#include <QTimer>
#include <QWidget>

// An indeterminate circular spinner; Qt's own busy indicator is a bar. It only ticks
// while it is on screen.
class BusyIndicator : public QWidget {
    Q_OBJECT

public:
    explicit BusyIndicator(int diameter, QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    int m_diameter;
    int m_step = 0;
    QTimer m_timer;
};
