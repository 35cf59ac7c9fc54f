#pragma once

#include "views/widgets/key_button.h"

// A settings row that opens a web page: its text on the left, an outward arrow on the
// right, and the whole row as the hit area.
class LinkRow : public KeyButton {
    Q_OBJECT

public:
    explicit LinkRow(const QString& text, QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};
