#pragma once

#include <QWidget>

#include <optional>

class ElidedLabel;
class PlainButton;

// The warning sign and a failure's message, at most two lines of it, and under it, when
// given, the action that answers it.
class ErrorLine : public QWidget {
    Q_OBJECT

public:
    explicit ErrorLine(QWidget* parent = nullptr);

    // Shown with a message, hidden without one.
    void setMessage(const std::optional<QString>& message);
    // The action's text; empty: none.
    void setAction(const QString& text);
    ElidedLabel* label() const { return m_label; }
    PlainButton* action() const { return m_action; }

Q_SIGNALS:
    void actionClicked();

private:
    ElidedLabel* m_label;
    PlainButton* m_action;
};
