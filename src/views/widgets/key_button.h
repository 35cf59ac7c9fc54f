#pragma once

#include <QAbstractButton>

class QPainter;

// A button drawn by hand that also answers Return and Enter (QAbstractButton answers only
// Space) and shows its focus ring only while the user moves the focus with the keyboard,
// as the platform's own menus do. Under the pointer it is hovered and lights up.
class KeyButton : public QAbstractButton {
    Q_OBJECT

public:
    using QAbstractButton::QAbstractButton;

    bool isHovered() const { return m_hovered; }

protected:
    // The background under the pointer; clear otherwise.
    QColor hoverColor() const;
    bool showsFocusRing() const;
    // The ring along rect's inside edge, when it shows.
    void drawFocusRing(QPainter& painter, const QRectF& rect, qreal radius) const;
    void keyPressEvent(QKeyEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void setHovered(bool hovered);

    bool m_hovered = false;
};
