#pragma once

#include "views/widgets/key_button.h"

// A menu row of the dashboard: icon and title on a background that lights up under the
// pointer. The whole row is the hit area; clicked() is its action.
class MenuButton : public KeyButton {
    Q_OBJECT

public:
    MenuButton(const QString& icon, const QString& title, bool destructive,
               QWidget* parent = nullptr);

    QString icon() const { return m_icon; }
    bool isDestructive() const { return m_destructive; }
    void setDestructive(bool destructive);

    QColor iconColor() const;
    QColor titleColor() const;
    // Clear unless hovered.
    QColor backgroundColor() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_icon;
    bool m_destructive;
};
