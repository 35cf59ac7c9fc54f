#pragma once

#include <QWidget>

#include <optional>

class ElidedLabel;

// The warning sign and a failure's message, at most two lines of it.
class ErrorLine : public QWidget {
    Q_OBJECT

public:
    explicit ErrorLine(QWidget* parent = nullptr);

    // Shown with a message, hidden without one.
    void setMessage(const std::optional<QString>& message);
    ElidedLabel* label() const { return m_label; }

private:
    ElidedLabel* m_label;
};
