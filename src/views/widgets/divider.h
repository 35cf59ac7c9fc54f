#pragma once

#include <QWidget>

// A hairline across the width, inset by the given padding.
class Divider : public QWidget {
    Q_OBJECT

public:
    explicit Divider(int horizontalPadding, int verticalPadding = 0, QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_horizontalPadding;
    int m_verticalPadding;
};
