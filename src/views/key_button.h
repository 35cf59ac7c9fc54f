#pragma once

#include <QAbstractButton>

class QPainter;

// A button drawn by hand that also answers Return and Enter (QAbstractButton answers only
// Space) and shows its focus ring only while the user moves the focus with the keyboard,
// as the platform's own menus do.
class KeyButton : public QAbstractButton {
    Q_OBJECT

public:
    using QAbstractButton::QAbstractButton;

protected:
    bool showsFocusRing() const;
    // The ring along rect's inside edge, when it shows.
    void drawFocusRing(QPainter& painter, const QRectF& rect, qreal radius) const;
    void keyPressEvent(QKeyEvent* event) override;
};
